#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a while on a
# copy of its seed corpus (fuzz/corpus/<target>/). Usage: fuzz.sh [seconds]
# With VESPER_FUZZ_RUNS=N each target instead runs N inputs from a fixed
# seed, a short repeatable check for CI.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVESPER_FUZZ=ON -DVESPER_TESTS=OFF -DVESPER_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
for program in "$build"/fuzz/*_fuzz; do
  name=$(basename "$program")
  work="$build/corpus/$name"
  mkdir -p "$work"
  seeds="$root/fuzz/corpus/$name"
  echo "== $name"
  log="$build/$name.log"
  corpora=("$work")
  [ -d "$seeds" ] && corpora+=("$seeds")
  if [ -n "${VESPER_FUZZ_RUNS:-}" ]; then
    limit=(-runs="$VESPER_FUZZ_RUNS" -seed=1)
  else
    limit=(-max_total_time="$seconds")
  fi
  if ! "$program" "${limit[@]}" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
      "${corpora[@]}" >"$log" 2>&1; then
    tail -40 "$log" >&2
    echo "$name found a failure; the crashing input is named above" >&2
    exit 1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
