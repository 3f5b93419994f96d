#!/usr/bin/env bash
# Showing a tick against the machine's floor, in one run: first the floor
# (x_present_bench: a client showing one demo tick's worth of a shared picture
# every 20 ms, client and X server together; pacing_bench: a tick's pacing
# alone), then the packed demo saver full screen at 1920x1080 with scale 1,
# at 3840x2160 with auto (scale 3) and on two 1920x1080 monitors side by side
# (its default, "each": a stage per monitor), steady player + X server each
# (bench/saver_cpu.sh). Reports each as a share of one core and the ratios
# the presenting is held to: at most 1.5 times the floor at 1920x1080, and at
# 3840x2160 and on the two monitors at most 1.5 times the 1920x1080 figure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/release/bench
seconds=10
saver=()

usage() {
  cat <<EOF2
usage: $(basename "$0") [--seconds N] [--saver FILE]

Needs the release build (bash scripts/build.sh release: bench/x_present_bench,
bench/pacing_bench and demo/vesper-demo.scr) and what bench/saver_cpu.sh needs.
Each of the three saver runs (1920x1080 at scale 1, 3840x2160 at auto, two
1920x1080 monitors) plays N seconds (default $seconds) of steady state, of the
packed saver FILE (default build/release/demo/vesper-demo.scr), so that two
builds can be measured one after the other.
EOF2
}
while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) usage; exit 0 ;;
    --seconds) seconds=${2:?--seconds needs a number}; shift 2 ;;
    --saver) saver=(--saver "${2:?--saver needs a file}"); shift 2 ;;
    *) echo "present_floor: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
done
for program in "$bench/x_present_bench" "$bench/pacing_bench"; do
  [ -x "$program" ] || { echo "present_floor: $program is missing (bash scripts/build.sh release makes it)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A counter of one benchmark from Google Benchmark's CSV output.
counter() {
  local file=$1 name=$2 column=$3
  awk -F, -v name="\"$name\"" -v column="$column" '
    NR == 1 { for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); if ($i == column) at = i }; next }
    $1 == name && at { print $at; exit }' "$file"
}

echo "== the floor"
"$bench/x_present_bench" --benchmark_format=csv --benchmark_filter='BM_XServerShowsATickEvery20ms/185' \
  >"$work/present.csv" 2>"$work/present.log" || { cat "$work/present.log" >&2; exit 1; }
"$bench/pacing_bench" --benchmark_format=csv --benchmark_filter='BM_TimerSendsTickToWindow' \
  >"$work/pacing.csv" 2>"$work/pacing.log" || { cat "$work/pacing.log" >&2; exit 1; }
present=$(counter "$work/present.csv" "BM_XServerShowsATickEvery20ms/185/iterations:1/real_time" together_pct)
pacing=$(counter "$work/pacing.csv" "BM_TimerSendsTickToWindow/iterations:1/real_time" share_of_core_pct)
[ -n "$present" ] && [ -n "$pacing" ] || { echo "present_floor: no figures from the floor benchmarks" >&2; cat "$work"/*.csv >&2; exit 1; }
floor=$(awk -v a="$present" -v b="$pacing" 'BEGIN { printf "%.2f", a + b }')
echo "  showing a tick (x_present_bench, 185x185 px): ${present}% of one core"
echo "  pacing a tick (pacing_bench):                 ${pacing}% of one core"
echo "  floor:                                        ${floor}%"

# Shows the steady figures of one saver run (on standard error) and prints
# its steady share of one core.
run_saver() {
  local label=$1
  shift
  echo "== the demo saver, $label" >&2
  bash "$root/bench/saver_cpu.sh" --seconds "$seconds" "${saver[@]}" "$@" >"$work/saver.txt" || { cat "$work/saver.txt" >&2; exit 1; }
  sed -n '/^steady/,/per tick/p' "$work/saver.txt" | sed -n '2,4p' >&2
  sed -n 's/^steady_total_pct //p' "$work/saver.txt"
}
full_hd=$(run_saver "1920x1080, scale 1" --size 1920x1080 --scale 1)
uhd=$(run_saver "3840x2160, auto" --size 3840x2160)
two=$(run_saver "two 1920x1080 monitors, each" --size 1920x1080 --monitors 2)

# shellcheck source=bench/processor_time.sh
. "$root/bench/processor_time.sh"
echo "== against the floor"
echo "  1920x1080 scale 1: ${full_hd}% = $(ratio "$full_hd" "$floor") x the floor (target at most 1.5)"
echo "  3840x2160 auto:    ${uhd}% = $(ratio "$uhd" "$full_hd") x the 1920x1080 figure (target at most 1.5)"
echo "  2 x 1920x1080 each: ${two}% = $(ratio "$two" "$full_hd") x the 1920x1080 figure (target at most 1.5)"
