#!/usr/bin/env bash
# Builds the Release configuration and starts the product.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF
cmake --build "$build"

if [[ -x "$build/src/launcher/Main" ]]; then
  exec "$build/src/launcher/Main" "$@"
fi
echo "Built the recovery core in $build."
echo "The user interface is not there yet: there is no program to start."
