#!/usr/bin/env bash
# Processor time of the Windows demo saver under Wine and of the Linux player
# playing the same file (vesper --scene), one after the other on the same
# private X server (Xvfb), full screen at speed 100: the share of one core
# that the saver's processes and the X server take over N steady seconds
# (from a second after the saver window shows). Under Wine the saver's
# processes are all of Wine's (the program, wineserver, Wine's own services),
# since they all run for it.
#
#   bench/wine_saver_cpu.sh [--seconds N] [--size WxH]
#
# Needs build/windows (scripts/build.sh windows) and build/release; the Wine
# prefix of tests/windows/wine_test.sh (build/wine-prefix).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/private_xvfb.sh
. "$root/bench/private_xvfb.sh"
seconds=10
size=1920x1080
while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    --seconds) seconds=${2:?--seconds needs a number}; shift 2 ;;
    --size) size=${2:?--size needs WxH}; shift 2 ;;
    *) echo "wine_saver_cpu: unknown argument $1" >&2; exit 2 ;;
  esac
done
saver=$root/build/windows/vesper-demo.scr
player=$root/build/release/tools/vesper/vesper
for file in "$saver" "$player"; do
  [ -f "$file" ] || { echo "wine_saver_cpu: $file is missing" >&2; exit 2; }
done
[ -f "$root/build/wine-prefix/system.reg" ] || { echo "wine_saver_cpu: run tests/windows/wine_test.sh once first (it makes the Wine prefix)" >&2; exit 2; }
export PATH=/usr/lib/wine:$PATH WINEPREFIX=$root/build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
start_private_xvfb wine_saver_cpu "$size" "$work"
ticks_per_second=$(getconf CLK_TCK)

# user+sys clock ticks of the given processes together (ended ones count 0).
cpu_ticks() {
  local total=0 pid stat fields
  for pid in "$@"; do
    stat=$(cat "/proc/$pid/stat" 2>/dev/null) || continue
    stat=${stat##*) }
    read -r -a fields <<<"$stat"
    total=$((total + fields[11] + fields[12]))
  done
  echo "$total"
}
wine_processes() { pgrep -d ' ' -f 'wineserver|\.exe|\.scr' || true; }

# measure NAME PROCESSES-COMMAND COMMAND...: runs COMMAND /s, prints the share.
measure() {
  local name=$1 processes=$2 pid window before after xbefore xafter start end
  shift 2
  "$@" /s >"$work/$name.log" 2>&1 &
  pid=$!
  window=
  for _ in $(seq 300); do
    window=$(xdotool search --name '^Screen Saver$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "wine_saver_cpu: $name showed no saver window: $(cat "$work/$name.log")" >&2; exit 1; }
  sleep 1
  local pids
  pids=$($processes "$pid")
  before=$(cpu_ticks $pids); xbefore=$(cpu_ticks "$xvfb_pid"); start=$(date +%s%N)
  sleep "$seconds"
  after=$(cpu_ticks $pids); xafter=$(cpu_ticks "$xvfb_pid"); end=$(date +%s%N)
  xdotool key space
  wait "$pid" || true
  awk -v n="$name" -v p=$((after - before)) -v x=$((xafter - xbefore)) -v t="$ticks_per_second" \
      -v w=$((end - start)) 'BEGIN { wall = w / 1e9; printf "%s: saver %.2f s + X server %.2f s over %.1f s = %.2f%% of one core\n", n, p / t, x / t, wall, 100 * (p + x) / t / wall }' |
    tee -a "$work/results"
}
linux_processes() { echo "$1"; }
wine_all() { wine_processes; }

echo "wine_saver_cpu: $(basename "$saver") on a $size Xvfb screen, speed 100, $seconds s steady"
rm -f "$WINEPREFIX/drive_c/windows/vesper.ini"
measure "Windows saver under Wine" wine_all wine64 "$saver"
mkdir -p "$work/config"
XDG_CONFIG_HOME=$work/config VESPER_DISPLAY=sdl measure "Linux player --scene" linux_processes "$player" --scene "$saver"
awk -F'= ' '{ split($2, a, "%"); share[NR] = a[1] } END { printf "Linux / Wine: %.2f\n", share[2] / share[1] }' "$work/results"
