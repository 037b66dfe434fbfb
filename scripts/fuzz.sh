#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them.
#   scripts/fuzz.sh                 build all targets
#   scripts/fuzz.sh NAME [SECONDS]  build, then fuzz NAME from its corpus
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON
cmake --build "$build"
[[ $# -ge 1 ]] || exit 0
name=$1
seconds=${2:-60}
work=$build/corpus/$name
mkdir -p "$work"
"$build/fuzz/$name" -max_total_time="$seconds" "$work" "fuzz/corpus/$name"
