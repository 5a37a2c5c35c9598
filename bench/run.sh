#!/usr/bin/env bash
# Builds the engine benchmark in Release and prints each photo's cost as a
# ratio to the floor measured beside it. Extra arguments go to the benchmark,
# e.g. --benchmark_filter='/(1|2|3)$'.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIN_BENCH=ON \
  -DTOVRIN_GUI=OFF >/dev/null
cmake --build "$build" --target tovrin_bench >/dev/null
export TOVRIN_CORPUS_DIR="${TOVRIN_CORPUS_DIR:-$root/../shared/corpus}"
# The per-run table goes to a file; the ratios are what this script is for.
"$build/bench/tovrin_bench" --benchmark_min_time=0.05 \
  --benchmark_out="$build/bench.json" --benchmark_out_format=json "$@" \
  | sed -n '/^ *id /,$p'
