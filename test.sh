#!/usr/bin/env bash
# Builds the Debug configuration under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

build=build/debug
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
