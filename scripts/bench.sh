#!/usr/bin/env bash
# Builds the Release configuration with the benchmarks and runs them all
# (or the one named by $1).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BENCH=ON -DQM_TESTS=OFF
cmake --build "$build"
for bench in "$build"/bench/*_bench; do
  [[ -x "$bench" ]] || continue
  [[ -z "${1:-}" || "$(basename "$bench")" == "$1" ]] || continue
  echo "== $(basename "$bench")"
  "$bench"
done
