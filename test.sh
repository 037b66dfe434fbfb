#!/usr/bin/env bash
# Runs every test twice: in the Debug build under AddressSanitizer,
# UndefinedBehaviorSanitizer and the standard library's bounds checks, then in
# the Release build that users run (optimisation and NDEBUG change what
# undefined behaviour does, and what the optimiser may remove).
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local build=$1
  shift
  echo "== $build"
  cmake -S . -B "$build" -G Ninja "$@"
  cmake --build "$build"
  ctest --test-dir "$build" --output-on-failure -j "$jobs"
}

run_suite build/debug -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_ASSERTIONS=ON
run_suite build/release-tests -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=ON
