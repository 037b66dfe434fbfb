#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them.
#   scripts/fuzz.sh                 build all targets
#   scripts/fuzz.sh NAME [SECONDS [FLAG...]]  build, then fuzz NAME from its
#                                   corpus, passing any further libFuzzer flags
# RSS under AddressSanitizer climbs for the first minutes and then levels
# off: its quarantine of freed memory (256 MB) fills, and the corpus grows.
# To tell a real leak or cache from that, replay a few inputs many times
# with the quarantine small and compare the peaks, e.g.
#   ASAN_OPTIONS=quarantine_size_mb=1 /usr/bin/time -f %M \
#     build/fuzz/fuzz/NAME -runs=200 build/fuzz/corpus/NAME/<some files>
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON
cmake --build "$build"
[[ $# -ge 1 ]] || exit 0
name=$1
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
work=$build/corpus/$name
mkdir -p "$work"
"$build/fuzz/$name" -max_total_time="$seconds" "$@" "$work" "fuzz/corpus/$name"
