#!/usr/bin/env bash
# Builds the benchmarks in Release and prints what they are for:
#  - engine: each photo's cost as a ratio to the floor measured beside it;
#  - select: selecting a 24-megapixel photo in the main window beside a
#    full-size decode of it, and the peak memory of stepping through fifty;
#  - shift: the shift's preview over 20,000 photos, opening it and following
#    the offset, each beside drawing its table once.
# Extra arguments go to the engine benchmark, e.g. --benchmark_filter='/(1|2|3)$'.
# TOVRIN_BENCH_PARTS picks the parts ("engine select shift" by default);
# TOVRIN_BENCH_BUILD the build folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TOVRIN_BENCH_BUILD:-$root/build-bench}"
parts="${TOVRIN_BENCH_PARTS:-engine select shift}"
targets=()
[[ " $parts " == *" engine "* ]] && targets+=(tovrin_bench)
[[ " $parts " == *" select "* ]] && targets+=(tovrin_bench_select)
[[ " $parts " == *" shift "* ]] && targets+=(tovrin_bench_shift)
# The selection and shift parts drive the window, so the window is built.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIN_BENCH=ON \
  -DTOVRIN_GUI=ON >/dev/null
cmake --build "$build" --target "${targets[@]}" >/dev/null
export TOVRIN_CORPUS_DIR="${TOVRIN_CORPUS_DIR:-$root/../shared/corpus}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

if [[ " $parts " == *" engine "* ]]; then
  # The per-run table goes to a file; the ratios are what this script is for.
  "$build/bench/tovrin_bench" --benchmark_min_time=0.05 \
    --benchmark_out="$build/bench.json" --benchmark_out_format=json "$@" \
    | sed -n '/^ *id /,$p'
fi
if [[ " $parts " == *" select "* ]]; then
  echo
  # The benchmark library's notes on the machine go to a log, shown only on failure.
  log="$build/bench_select.log"
  "$build/bench/tovrin_bench_select" --benchmark_out="$build/bench_select.json" \
    --benchmark_out_format=json 2>"$log" | sed -n '/^photo /,$p;/^skipped/p' \
    || { cat "$log" >&2; exit 1; }
  "$build/bench/tovrin_bench_select" --peak-memory
fi
if [[ " $parts " == *" shift "* ]]; then
  echo
  log="$build/bench_shift.log"
  "$build/bench/tovrin_bench_shift" --benchmark_out="$build/bench_shift.json" \
    --benchmark_out_format=json 2>"$log" | sed -n '/^photos /,$p' \
    || { cat "$log" >&2; exit 1; }
fi
