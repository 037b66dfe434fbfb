#!/usr/bin/env bash
# Builds under ThreadSanitizer and runs the tests (or those matching $1).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/tsan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_TSAN=ON
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure ${1:+-R "$1"}
