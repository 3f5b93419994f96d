#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs a campaign: each target for a while on
# all cores over the corpus committed in fuzz/corpus/<target>/, which is then
# replaced by the minimised union of what it held and what the run found.
# Inputs that once made a target fail stay by name in fuzz/regressions/.
# Reports inputs run, inputs a second and crashes per target.
# With VESPER_FUZZ_RUNS=N each target instead runs N inputs from a fixed seed
# on one core over a copy of the committed corpus, a short repeatable check
# for CI that changes nothing in the repository.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
seconds=60
jobs=$(nproc)
record=
only=

usage() {
  cat <<EOF
usage: $(basename "$0") [--jobs N] [--targets NAME,...] [--record FILE] [SECONDS]

Runs every fuzz target (or the NAMEs given, e.g. bmp_reader_fuzz) for SECONDS
(default $seconds) in libFuzzer's fork mode with N processes (default: the
number of cores, $jobs here), inputs up to 8192 bytes (512 for the JSON
description's target). Crashing inputs go
to build/fuzz/crashes/<target>/ and do not stop the run. Afterwards the
target's corpus in fuzz/corpus/<target>/ is minimised with -merge=1.
With --record, one line per target is appended to FILE (a Markdown table:
date, target, inputs, seconds, inputs a second, crashes, jobs).
Exits 1 when any target crashed. Run it under nice on a shared machine.
With VESPER_FUZZ_RUNS=N in the environment: N inputs a target from seed 1.
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) usage; exit 0 ;;
    --jobs) jobs=${2:?--jobs needs a number}; shift 2 ;;
    --targets) only=${2:?--targets needs names}; shift 2 ;;
    --record) record=${2:?--record needs a file}; shift 2 ;;
    -*) echo "fuzz: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) seconds=$1; shift ;;
  esac
done
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: SECONDS must be a whole positive number" >&2; exit 2; }
[[ $jobs =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: --jobs must be a whole positive number" >&2; exit 2; }

targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
  name=$(basename "$source" .cpp)
  [ -z "$only" ] || [[ ,$only, == *,$name,* ]] || continue
  targets+=("$name")
done
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no target named $only" >&2; exit 2; }

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVESPER_FUZZ=ON -DVESPER_TESTS=OFF -DVESPER_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# Inputs that once failed, kept by name in fuzz/regressions/<target>/: every
# run reads them, the minimising leaves them alone.
regressions_of() {
  [ ! -d "$root/fuzz/regressions/$1" ] || echo "$root/fuzz/regressions/$1"
}

# Longest input a target is given. JSON text costs the most a byte: 512
# bytes hold a description with a background and a few sprites and keep the
# target above 2,000 inputs a second.
max_len_of() {
  case "$1" in
    scene_description_fuzz) echo 512 ;;
    *) echo 8192 ;;
  esac
}

# The figures of libFuzzer's last status line: inputs run and crashes (fork
# mode counts "oom/timeout/crash: a/b/c").
inputs_of() { grep -oE '^#[0-9]+' "$1" | tail -n 1 | tr -d '#'; }
crashes_of() { grep -oE 'oom/timeout/crash: [0-9]+/[0-9]+/[0-9]+' "$1" | tail -n 1 | awk -F/ '{ print $NF }'; }

short_run() {
  local name=$1 program=$2 seeds=$3 log=$4
  local work="$build/corpus/$name"
  rm -rf "$work"
  mkdir -p "$work"
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/"
  if ! "$program" -runs="$VESPER_FUZZ_RUNS" -seed=1 -max_len="$(max_len_of "$name")" -print_final_stats=1 \
      -timeout=10 -rss_limit_mb=2048 "$work" $(regressions_of "$name") >"$log" 2>&1; then
    tail -40 "$log" >&2
    echo "$name found a failure; the crashing input is named above" >&2
    return 1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
}

campaign() {
  local name=$1 program=$2 seeds=$3 log=$4
  local crashes_dir="$build/crashes/$name" merged="$build/merged/$name" max_len
  max_len=$(max_len_of "$name")
  mkdir -p "$seeds" "$crashes_dir"
  local started
  started=$(date +%s)
  # New inputs go into the committed corpus's folder; it is minimised below.
  "$program" -fork="$jobs" -ignore_crashes=1 -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$crashes_dir/" "$seeds" $(regressions_of "$name") >"$log" 2>&1 || true
  local elapsed=$(($(date +%s) - started))
  rm -rf "$merged"
  mkdir -p "$merged"
  "$program" -merge=1 -max_len="$max_len" "$merged" "$seeds" >"$log.merge" 2>&1 ||
    { tail -20 "$log.merge" >&2; echo "fuzz: merging the corpus of $name failed" >&2; return 1; }
  rm -rf "$seeds"
  mv "$merged" "$seeds"
  local inputs crashes
  inputs=$(inputs_of "$log")
  crashes=$(crashes_of "$log")
  inputs=${inputs:-0}
  crashes=${crashes:-0}
  local rate=$((inputs / (elapsed > 0 ? elapsed : 1)))
  echo "$name: $inputs inputs in $elapsed s ($rate a second on $jobs processes), $crashes crashes," \
    "corpus $(find "$seeds" -type f | wc -l) files, $(du -sk "$seeds" | cut -f1) KiB"
  if [ -n "$record" ]; then
    echo "| $(date -u +%Y-%m-%d\ %H:%M) | $name | $inputs | $elapsed | $rate | $crashes | $jobs |" >>"$record"
  fi
  if [ "$crashes" -gt 0 ]; then
    echo "fuzz: $name crashed; the inputs are in $crashes_dir" >&2
    return 1
  fi
}

failed=0
for name in "${targets[@]}"; do
  echo "== $name"
  program="$build/fuzz/$name"
  seeds="$root/fuzz/corpus/$name"
  log="$build/$name.log"
  if [ -n "${VESPER_FUZZ_RUNS:-}" ]; then
    short_run "$name" "$program" "$seeds" "$log" || exit 1
  else
    campaign "$name" "$program" "$seeds" "$log" || failed=1
  fi
done
exit "$failed"
