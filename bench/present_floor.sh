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
# With --rounds N, N more rounds follow, each running the 1920x1080 saver at
# the same time as the 3840x2160 one and then as the two monitors, on
# private X servers of their own: a burst of load on a shared host then
# falls on both sides of a ratio instead of on one. Their medians end it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/release/bench
seconds=10
rounds=0
saver=()

usage() {
  cat <<EOF2
usage: $(basename "$0") [--seconds N] [--saver FILE] [--rounds R]

Needs the release build (bash scripts/build.sh release: bench/x_present_bench,
bench/pacing_bench and demo/vesper-demo.scr) and what bench/saver_cpu.sh needs.
Each of the three saver runs (1920x1080 at scale 1, 3840x2160 at auto, two
1920x1080 monitors) plays N seconds (default $seconds) of steady state, of the
packed saver FILE (default build/release/demo/vesper-demo.scr), so that two
builds can be measured one after the other. With --rounds R, R rounds follow,
each running the 1920x1080 saver at the same time as each of the other two,
and the script ends with the medians of those ratios.
EOF2
}
while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) usage; exit 0 ;;
    --seconds) seconds=${2:?--seconds needs a number}; shift 2 ;;
    --saver) saver=(--saver "${2:?--saver needs a file}"); shift 2 ;;
    --rounds) rounds=${2:?--rounds needs a number}; shift 2 ;;
    *) echo "present_floor: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
done
[[ $rounds =~ ^[0-9]+$ ]] || { echo "present_floor: --rounds must be a whole number" >&2; exit 2; }
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

# Plays the saver with the given saver_cpu.sh options, its report in FILE,
# and prints its steady share of one core.
play_saver() {
  local file=$1
  shift
  bash "$root/bench/saver_cpu.sh" --seconds "$seconds" "${saver[@]}" "$@" >"$file" || { cat "$file" >&2; exit 1; }
  sed -n 's/^steady_total_pct //p' "$file"
}
# Shows the steady figures of one saver run (on standard error) and prints
# its steady share of one core.
run_saver() {
  local label=$1
  shift
  echo "== the demo saver, $label" >&2
  local share
  share=$(play_saver "$work/saver.txt" "$@")
  sed -n '/^steady/,/per tick/p' "$work/saver.txt" | sed -n '2,4p' >&2
  echo "$share"
}
full_hd_options=(--size 1920x1080 --scale 1)
uhd_options=(--size 3840x2160)
two_options=(--size 1920x1080 --monitors 2)
full_hd=$(run_saver "1920x1080, scale 1" "${full_hd_options[@]}")
uhd=$(run_saver "3840x2160, auto" "${uhd_options[@]}")
two=$(run_saver "two 1920x1080 monitors, each" "${two_options[@]}")

# shellcheck source=bench/processor_time.sh
. "$root/bench/processor_time.sh"
echo "== against the floor"
echo "  1920x1080 scale 1: ${full_hd}% = $(ratio "$full_hd" "$floor") x the floor (target at most 1.5)"
echo "  3840x2160 auto:    ${uhd}% = $(ratio "$uhd" "$full_hd") x the 1920x1080 figure (target at most 1.5)"
echo "  2 x 1920x1080 each: ${two}% = $(ratio "$two" "$full_hd") x the 1920x1080 figure (target at most 1.5)"

# The 1920x1080 saver and another at the same time: the ratio of the other's
# share to the 1920x1080 one's.
side_by_side() {
  play_saver "$work/beside.txt" "${full_hd_options[@]}" >"$work/beside.pct" &
  local other
  other=$(play_saver "$work/other.txt" "$@")
  wait $! || exit 1
  ratio "$other" "$(cat "$work/beside.pct")"
}
if [ "$rounds" -gt 0 ]; then
  echo "== side by side, $rounds round(s): the other saver against 1920x1080 at the same time"
  for round in $(seq "$rounds"); do
    uhd_ratio=$(side_by_side "${uhd_options[@]}")
    two_ratio=$(side_by_side "${two_options[@]}")
    echo "$uhd_ratio $two_ratio" >>"$work/rounds.txt"
    echo "  round $round: 3840x2160 auto ${uhd_ratio} x, 2 x 1920x1080 each ${two_ratio} x"
  done
  echo "  median: 3840x2160 auto $(cut -d' ' -f1 "$work/rounds.txt" | median) x," \
       "2 x 1920x1080 each $(cut -d' ' -f2 "$work/rounds.txt" | median) x (target at most 1.5)"
fi
