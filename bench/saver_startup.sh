#!/usr/bin/env bash
# Start-up of the packed demo saver full screen on a private X server (Xvfb):
# the time from starting the player to its first present of a whole window
# (the background rendered, the sprites converted and the first full frame
# sent to the X server), taken from the timestamp the player writes at that
# present when VESPER_FIRST_FRAME_LOG names a file.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/private_xvfb.sh
. "$root/bench/private_xvfb.sh"
saver="$root/build/release/demo/vesper-demo.scr"
size=3840x2160
runs=5
target_ms=150

usage() {
  cat <<EOF
usage: $(basename "$0") [--saver FILE] [--size WxH] [--runs N]

Starts Xvfb with a WxH screen (default $size) and runs the packed demo saver
FILE (default build/release/demo/vesper-demo.scr) full screen N times (default
$runs). Each run reports the milliseconds from just before the player is started
to its first present of a whole window, then a key press sent by xdotool ends
it. Prints every run and the median; the target is at most $target_ms ms at 3840x2160.
Needs Xvfb and xdotool (bash scripts/setup.sh installs them). Exits 1 when a
run shows no frame within 30 s or does not end on the key.
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) usage; exit 0 ;;
    --saver) saver=${2:?--saver needs a file}; shift 2 ;;
    --size) size=${2:?--size needs WxH}; shift 2 ;;
    --runs) runs=${2:?--runs needs a number}; shift 2 ;;
    *) echo "saver_startup: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
done
[[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || { echo "saver_startup: --size must be WxH" >&2; exit 2; }
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "saver_startup: --runs must be a whole number" >&2; exit 2; }
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "saver_startup: $tool is missing (bash scripts/setup.sh installs it)" >&2; exit 2; }
done
[ -x "$saver" ] || { echo "saver_startup: no saver at $saver (bash scripts/build.sh release makes it)" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=
saver_pid=
cleanup() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_private_xvfb saver_startup "$size" "$work"
mkdir -p "$work/config/vesper"

# One run: prints the milliseconds to the first full frame.
run_once() {
  local log="$work/first-frame" started shown
  rm -f "$log"
  started=$(date +%s%N)
  XDG_CONFIG_HOME="$work/config" VESPER_DISPLAY=sdl VESPER_FIRST_FRAME_LOG="$log" "$saver" /s \
    >"$work/saver.log" 2>&1 &
  saver_pid=$!
  for _ in $(seq 3000); do
    [ -s "$log" ] && break
    kill -0 "$saver_pid" 2>/dev/null || { echo "saver_startup: the saver ended without a frame:" >&2; cat "$work/saver.log" >&2; exit 1; }
    sleep 0.01
  done
  [ -s "$log" ] || { echo "saver_startup: no frame within 30 s" >&2; exit 1; }
  shown=$(head -n 1 "$log")
  # The saver ends on a key once it takes input.
  for _ in $(seq 100); do
    xdotool key space 2>/dev/null || true
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$saver_pid" 2>/dev/null; then
    echo "saver_startup: the saver still ran 10 s after the first key press" >&2
    exit 1
  fi
  wait "$saver_pid" || true
  saver_pid=
  awk -v a="$started" -v b="$shown" 'BEGIN { printf "%.1f", (b - a) / 1e6 }'
}

times=()
for run in $(seq "$runs"); do
  ms=$(run_once) || exit 1
  times+=("$ms")
  echo "run $run: first full frame ${ms} ms after start"
done
# shellcheck source=bench/processor_time.sh
. "$root/bench/processor_time.sh"
median=$(printf '%s\n' "${times[@]}" | median)
echo "saver_startup: $(basename "$saver") /s on a ${size} Xvfb screen: median ${median} ms over ${runs} runs (target at most ${target_ms} ms)"
