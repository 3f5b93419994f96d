#!/usr/bin/env bash
# Soak: runs the packed demo saver for a long time on a private X server and
# samples, once a minute, what a leak would make grow: the player's resident
# memory, open descriptors and threads, and the X server's resident memory.
# Reports every sample and the growth from the first sample to the last.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/private_xvfb.sh
. "$root/bench/private_xvfb.sh"
saver="$root/build/release/demo/vesper-demo.scr"
minutes=60
interval=60
size=1920x1080
mode=save
host_sizes=(640x480 320x240 800x600 1024x768 400x300)
resize_seconds=3
warm_up=20
# Growth from the first sample to the last that still counts as flat.
flat_rss_kib=2048
flat_x_kib=4096

usage() {
  cat <<EOF
usage: $(basename "$0") [--saver FILE] [--minutes N] [--interval SECONDS] [--warm-up SECONDS] [--size WxH]
       [--hosted [--resize-every SECONDS]]

Starts Xvfb with a WxH screen (default $size) and runs the packed saver FILE
(default build/release/demo/vesper-demo.scr, made by scripts/build.sh release)
full screen ("/s") at speed 100 for N minutes (default $minutes), with a
settings folder of its own. After a warm-up (default $warm_up s) and then every
SECONDS (default $interval) it samples the
player's resident memory (VmRSS), open descriptors, threads and the X
server's resident memory, and prints one line per sample. At the end a key
press ends the saver, and the growth of each figure from the first sample to
the last is reported.
With --hosted the saver instead draws into a host window of another program
(made with xev) as a hack does ("--window-id ID"), and the host window is
resized every SECONDS (default $resize_seconds) through ${host_sizes[*]};
samples are taken while the host is at the first size; closing the host ends
the saver.
The run counts as flat when, from the first sample to the last, the player
gains at most $flat_rss_kib KiB, the X server at most $flat_x_kib KiB, and
descriptors and threads do not grow.
Exits 0 when flat, 3 when something grew, 1 when the saver failed to start,
died or did not end cleanly, 2 on a usage error.
Needs Xvfb, xdotool, xev and xwininfo (bash scripts/setup.sh installs them).
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) usage; exit 0 ;;
    --saver) saver=${2:?--saver needs a file}; shift 2 ;;
    --minutes) minutes=${2:?--minutes needs a number}; shift 2 ;;
    --interval) interval=${2:?--interval needs a number}; shift 2 ;;
    --size) size=${2:?--size needs WxH}; shift 2 ;;
    --hosted) mode=hosted; shift ;;
    --resize-every) resize_seconds=${2:?--resize-every needs a number}; shift 2 ;;
    --warm-up) warm_up=${2:?--warm-up needs a number}; shift 2 ;;
    *) echo "soak: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
done
for number in "$minutes" "$interval" "$resize_seconds" "$warm_up"; do
  [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "soak: --minutes, --interval, --resize-every and --warm-up take whole positive numbers" >&2; exit 2; }
done
[[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || { echo "soak: --size must be WxH" >&2; exit 2; }
for tool in Xvfb xdotool xev xwininfo; do
  command -v "$tool" >/dev/null || { echo "soak: $tool is missing (bash scripts/setup.sh installs it)" >&2; exit 2; }
done
[ -x "$saver" ] || { echo "soak: no saver at $saver (bash scripts/build.sh release makes it)" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=
player_pid=
host_pid=
cleanup() {
  [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A field of /proc/PID/status in KiB or as a count (VmRSS, Threads).
status_field() { sed -n "s/^$2:[[:space:]]*\([0-9]*\).*/\1/p" "/proc/$1/status"; }
descriptors() { find "/proc/$1/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }

start_private_xvfb soak "$size" "$work"
mkdir -p "$work/config/vesper"

run_mode=(/s)
if [ "$mode" = hosted ]; then
  # A top-level window of another program, as a daemon's or a settings
  # dialog's would be; it takes no map requests of its children.
  xev -geometry "${host_sizes[0]}+20+20" -name vesper-soak-host -event expose -event structure >/dev/null 2>&1 &
  host_pid=$!
  host=
  for _ in $(seq 100); do
    host=$(xdotool search --name '^vesper-soak-host$' 2>/dev/null | head -n 1 || true)
    [ -n "$host" ] && break
    sleep 0.1
  done
  [ -n "$host" ] || { echo "soak: the host window never showed" >&2; exit 1; }
  run_mode=(--window-id "$host")
fi

XDG_CONFIG_HOME="$work/config" VESPER_DISPLAY=sdl "$saver" "${run_mode[@]}" >"$work/saver.log" 2>&1 &
player_pid=$!

# Full screen: the window with the saver's title; hosted: a child of the host.
shown=
for _ in $(seq 300); do
  if [ "$mode" = hosted ]; then
    xwininfo -children -id "$host" 2>/dev/null | grep -q '^ *0x' && shown=yes
  else
    xdotool search --name '^Screen Saver$' >/dev/null 2>&1 && shown=yes
  fi
  [ -n "$shown" ] && break
  kill -0 "$player_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$shown" ]; then
  echo "soak: the saver never showed on $DISPLAY; its output:" >&2
  cat "$work/saver.log" >&2
  exit 1
fi

echo "soak: $mode run of $(basename "$saver") at $size for $minutes min, a sample every $interval s after $warm_up s"
printf '%8s %12s %12s %8s %14s\n' seconds player_kib descriptors threads xserver_kib
samples="$work/samples"
sample() {
  printf '%8d %12d %12d %8d %14d\n' $(($(date +%s) - start)) "$(status_field "$player_pid" VmRSS)" \
    "$(descriptors "$player_pid")" "$(status_field "$player_pid" Threads)" "$(status_field "$xvfb_pid" VmRSS)" |
    tee -a "$samples"
}
# Hosted, the host takes the next size every few seconds and samples are
# taken when it has been back at the first size for a while, so that they
# compare like with like.
size_index=0
next_size() {
  size_index=$(((size_index + 1) % ${#host_sizes[@]}))
  local next=${host_sizes[$size_index]}
  xdotool windowsize "$host" "${next%x*}" "${next#*x}"
}
start=$(date +%s)
next_sample=$((start + warm_up))
end=$((next_sample + minutes * 60))
while :; do
  if ! kill -0 "$player_pid" 2>/dev/null; then
    ended=0
    wait "$player_pid" || ended=$?
    # Above 128 the shell reports a signal: 128 + its number.
    how="exit status $ended"
    [ "$ended" -gt 128 ] && how="signal $(kill -l $((ended - 128)))"
    echo "soak: the saver ended by itself after $(($(date +%s) - start)) s ($how); its output:" >&2
    cat "$work/saver.log" >&2
    player_pid=
    exit 1
  fi
  now=$(date +%s)
  if [ "$now" -ge "$next_sample" ] && [ "$size_index" -eq 0 ]; then
    sample
    [ "$now" -ge "$end" ] && break
    next_sample=$((next_sample + interval))
  fi
  if [ "$mode" = hosted ]; then
    sleep "$resize_seconds"
    next_size
  else
    wait_for=$((next_sample - $(date +%s)))
    [ "$wait_for" -le 0 ] || sleep "$wait_for"
  fi
done

if [ "$mode" = hosted ]; then
  kill "$host_pid"
  wait "$host_pid" 2>/dev/null || true
  host_pid=
else
  xdotool key space
fi
ended=
for _ in $(seq 100); do
  kill -0 "$player_pid" 2>/dev/null || { ended=yes; break; }
  sleep 0.1
done
if [ -z "$ended" ]; then
  echo "soak: the saver still ran 10 s after it was told to end" >&2
  exit 1
fi
status=0
wait "$player_pid" || status=$?
player_pid=
[ "$status" -eq 0 ] || { echo "soak: the saver exited with status $status; its output:" >&2; cat "$work/saver.log" >&2; exit 1; }

read -r -a first <"$samples"
read -r -a last < <(tail -n 1 "$samples")
rss_growth=$((last[1] - first[1]))
fd_growth=$((last[2] - first[2]))
thread_growth=$((last[3] - first[3]))
x_growth=$((last[4] - first[4]))
echo "soak: growth over $((last[0] - first[0])) s: player $rss_growth KiB (peak $(awk 'max < $2 { max = $2 } END { print max }' "$samples") KiB)," \
  "descriptors $fd_growth, threads $thread_growth, X server $x_growth KiB; the saver ended cleanly"
if [ "$rss_growth" -le "$flat_rss_kib" ] && [ "$x_growth" -le "$flat_x_kib" ] && [ "$fd_growth" -le 0 ] && [ "$thread_growth" -le 0 ]; then
  echo "soak: flat"
  exit 0
fi
echo "soak: something grew (limits: player $flat_rss_kib KiB, X server $flat_x_kib KiB, no new descriptors or threads)"
exit 3
