#!/usr/bin/env bash
# Builds the Release configuration and starts the product.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF
cmake --build "$build"

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "Built in $build; there is no display to show the program on (set DISPLAY or WAYLAND_DISPLAY)."
  exit 1
fi
if [[ -x "$build/src/launcher/Main" ]]; then
  # The launcher finds Vek and the error reporter, and Vek the restarter,
  # which finds the launcher again, by the program search: the build keeps
  # them in separate folders.
  export PATH="$PWD/$build/src/app:$PWD/$build/src/restarter:$PWD/$build/src/launcher:$PWD/$build/src/reporter:$PATH"
  exec "$build/src/launcher/Main" "$@"
fi
exec "$build/src/app/Vek" "$@"
