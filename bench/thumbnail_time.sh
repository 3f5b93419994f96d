#!/usr/bin/env bash
# Wall time of the thumbnailer as a file manager runs it: the real program,
# started afresh for every thumbnail (program start, loading the saver, the
# ticks, shrinking, PNG encoding and writing included), on the packed demo
# saver at 256 pixels. Reports the median and the slowest of N runs, and the
# median processor time (user + system, from /usr/bin/time), which a busy
# machine disturbs less; the goal is a median wall time of at most 200 ms.
# Exits 1 when the median misses it.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
thumbnailer="$root/build/release/tools/vesper_render/vesper-thumbnailer"
saver="$root/build/release/demo/vesper-demo.scr"
runs=20
size=256
goal_ms=200

usage() {
  cat <<EOF2
usage: $(basename "$0") [--saver FILE] [--runs N] [--size PIXELS]

Runs build/release's vesper-thumbnailer N times (default $runs) on FILE (default the
packed demo saver, made by scripts/build.sh release) at -s PIXELS (default $size) and
prints the median and the slowest wall time and the median processor time in milliseconds. Goal: a median of
at most $goal_ms ms at 256 pixels.
EOF2
}

while [ $# -gt 0 ]; do
  case "$1" in
    --saver) saver=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --help|-h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
command -v /usr/bin/time >/dev/null || { echo "thumbnail_time: /usr/bin/time is missing (bash scripts/setup.sh installs it)" >&2; exit 2; }
[ -x "$thumbnailer" ] || { echo "thumbnail_time: $thumbnailer is missing (bash scripts/build.sh release)" >&2; exit 2; }
[ -f "$saver" ] || { echo "thumbnail_time: $saver is missing (bash scripts/build.sh release)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
times=()
cpu_times=()
for ((i = 0; i < runs; i++)); do
  rm -f "$work/thumbnail.png"
  start=$(date +%s%N)
  /usr/bin/time -o "$work/time" -f '%U %S' "$thumbnailer" -s "$size" "$saver" "$work/thumbnail.png"
  end=$(date +%s%N)
  cpu_times+=($(awk '{ printf "%d", ($1 + $2) * 1000 }' "$work/time"))
  [ -s "$work/thumbnail.png" ] || { echo "thumbnail_time: no thumbnail written" >&2; exit 1; }
  times+=($(((end - start) / 1000000)))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
median=${sorted[$((runs / 2))]}
slowest=${sorted[$((runs - 1))]}
cpu_sorted=($(printf '%s\n' "${cpu_times[@]}" | sort -n))
echo "thumbnail_time: $runs thumbnails of $(basename "$saver") at $size pixels: median ${median} ms, slowest ${slowest} ms (goal: median <= ${goal_ms} ms); processor time median ${cpu_sorted[$((runs / 2))]} ms"
[ "$median" -le "$goal_ms" ]
