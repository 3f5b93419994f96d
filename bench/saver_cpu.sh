#!/usr/bin/env bash
# CPU time of the packed demo saver playing full screen (or, with --preview,
# inside a host window that the script makes; with --hosted, as an
# xscreensaver hack drawing on the root window, ended by SIGTERM) on a private X server (Xvfb):
# the player's own user and system time (from /usr/bin/time -v) and the X
# server's (from its /proc counters), and both together as a share of one core
# over the run. Also the same over the steady part of the run alone, from a
# second after the saver window shows until the key press (or the closing of
# the host) that ends it.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/private_xvfb.sh
. "$root/bench/private_xvfb.sh"
saver="$root/build/release/demo/vesper-demo.scr"
seconds=10
size=1920x1080
speed=
scale=
mode=save
host_size=320x240
preview_target_percent=1.5
monitors=1

usage() {
  cat <<EOF
usage: $(basename "$0") [--saver FILE] [--seconds N] [--size WxH] [--speed 1-100] [--scale auto|K]
                       [--monitors M] [--preview [--host WxH] | --hosted]

Starts Xvfb on a display number of its choice with a WxH screen (default $size) and
runs the packed demo saver FILE (default build/release/demo/vesper-demo.scr,
made by scripts/build.sh release) full screen with a settings folder of its
own: speed 100 (50 ticks a second, 100 in preview) unless --speed says otherwise. N seconds
(default $seconds) after its window has shown for a second, a key press sent by
xdotool ends it. Reports user+sys seconds of the player and of the X server
and their total as a share of one core, over the whole run and over the N
seconds alone, and the voluntary context switches of all the player's
threads over the N seconds, per tick. The target at speed 100 is at most 1%
together up to 1920x1080 and 1.5% above, and at most 4 switches per tick.
With --preview the saver runs as "/p ID" inside a host window of WxH (default
$host_size, made with xev) instead, and ends when the script closes the host;
the target there is under $preview_target_percent%.
With --hosted the saver runs as a hack drawing on the root window ("--root")
and SIGTERM ends it instead of the key press. --scale passes its whole-pixel
scale on (without it the saver's default, auto: 3 on 3840x2160).
The last line, "steady_total_pct N", is for scripts (bench/present_floor.sh).
Needs Xvfb, xdotool, xev, xwininfo and /usr/bin/time (bash scripts/setup.sh
installs them). Exits 1 when the saver fails to start or does not end cleanly.
With --monitors M (2 or more) the screen is M monitors of WxH side by side
(RandR monitors set with xrandr on an Xvfb of M times the width), which the
full-screen saver covers each with a stage of its own (its default, "each").
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) usage; exit 0 ;;
    --saver) saver=${2:?--saver needs a file}; shift 2 ;;
    --seconds) seconds=${2:?--seconds needs a number}; shift 2 ;;
    --size) size=${2:?--size needs WxH}; shift 2 ;;
    --speed) speed=${2:?--speed needs a number}; shift 2 ;;
    --scale) scale=${2:?--scale needs auto or a whole number}; shift 2 ;;
    --hosted) mode=hosted; shift ;;
    --preview) mode=preview; shift ;;
    --host) host_size=${2:?--host needs WxH}; shift 2 ;;
    --monitors) monitors=${2:?--monitors needs a number}; shift 2 ;;
    *) echo "saver_cpu: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
done
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "saver_cpu: --seconds must be a whole number of seconds" >&2; exit 2; }
[[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || { echo "saver_cpu: --size must be WxH" >&2; exit 2; }
[[ $host_size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || { echo "saver_cpu: --host must be WxH" >&2; exit 2; }
[[ $monitors =~ ^[1-9][0-9]*$ ]] || { echo "saver_cpu: --monitors must be a whole number" >&2; exit 2; }
width=${size%x*}
height=${size#*x}
target_percent=1
[ $((width * height)) -le $((1920 * 1080)) ] || target_percent=1.5
[ "$mode" != preview ] || target_percent=$preview_target_percent
[[ -z $speed || ( $speed =~ ^[1-9][0-9]*$ && $speed -le 100 ) ]] || { echo "saver_cpu: --speed must be 1 to 100" >&2; exit 2; }
for tool in Xvfb xdotool xev xwininfo /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "saver_cpu: $tool is missing (bash scripts/setup.sh installs it)" >&2; exit 2; }
done
[ -x "$saver" ] || { echo "saver_cpu: no saver at $saver (bash scripts/build.sh release makes it)" >&2; exit 2; }

ticks_per_second=$(getconf CLK_TCK)
work=$(mktemp -d)
xvfb_pid=
time_pid=
host_pid=
cleanup() {
  [ -n "$time_pid" ] && kill "$time_pid" 2>/dev/null || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=bench/processor_time.sh
. "$root/bench/processor_time.sh"
# The first process whose parent is $1 (the player started by /usr/bin/time).
child_of() {
  local stat rest fields
  for stat in /proc/[0-9]*/stat; do
    rest=$(cat "$stat" 2>/dev/null) || continue
    rest=${rest##*) }
    read -r -a fields <<<"$rest"
    if [ "${fields[1]}" = "$1" ]; then
      stat=${stat#/proc/}
      echo "${stat%/stat}"
      return
    fi
  done
}
now_ns() { date +%s%N; }
# Voluntary context switches of all threads of a process so far, from
# /proc/PID/task/*/status (a thread that ended takes its count with it).
# One line per thread: its id and its count.
thread_switches() {
  local status count task
  for status in /proc/"$1"/task/*/status; do
    count=$(sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' "$status" 2>/dev/null) || continue
    task=${status%/status}
    echo "${task##*/} ${count:-0}"
  done
}
sum_switches() { awk '{ total += $2 } END { print total + 0 }' "$1"; }
# Each thread's switches between two snapshots, most first.
switches_by_thread() {
  awk 'NR == FNR { before[$1] = $2; next } { printf "%d ", $2 - before[$1] }' "$1" "$2" | tr ' ' '\n' | sort -rn | tr '\n' ' '
}
# Ticks a second at a speed: full screen and hosted, one 20 ms event in every
# 1, 2, 3, 4 or 5; in preview, a window timer of 101 - speed ms, at least 10.
ticks_per_second_at() {
  if [ "$mode" = preview ]; then
    local period=$((101 - $1))
    [ "$period" -ge 10 ] || period=10
    echo $((1000 / period))
  else
    echo $((50 / ((100 - $1) / 20 + 1)))
  fi
}
# seconds with two decimals from a count and a divisor

start_private_xvfb saver_cpu "$((width * monitors))x$height" "$work"
display=$DISPLAY
if [ "$monitors" -gt 1 ]; then
  command -v xrandr >/dev/null || { echo "saver_cpu: xrandr is missing (bash scripts/setup.sh installs it)" >&2; exit 2; }
  # The screen's own output goes to the first monitor; the others have none.
  xrandr --setmonitor vesper-0 "$width/0x$height/0+0+0" screen >/dev/null
  for ((i = 1; i < monitors; i++)); do
    xrandr --setmonitor "vesper-$i" "$width/0x$height/0+$((i * width))+0" none >/dev/null
  done
fi

# The player keeps its settings in $XDG_CONFIG_HOME/vesper; none there means speed 100.
mkdir -p "$work/config/vesper"
[ -z "$speed" ] || printf '[settings]\nspeed=%s\n' "$speed" >"$work/config/vesper/vesper.ini"
# The windows directly inside an X window.
# How many children of window $1 are on screen.
children_of() {
  local child count=0
  for child in $(xwininfo -children -id "$1" 2>/dev/null | awk '/^ +0x/ { print $1 }'); do
    xwininfo -id "$child" 2>/dev/null | grep -q 'Map State: IsViewable' && count=$((count + 1))
  done
  echo "$count"
}

run_mode=(/s)
if [ "$mode" = preview ]; then
  # The host: a plain top-level window of another program, as a settings
  # dialog's preview area would be. It must not take its children's map
  # requests (xev's default events do), or the preview never shows.
  xev -geometry "$host_size+40+40" -name vesper-preview-host -event expose -event structure >/dev/null 2>&1 &
  host_pid=$!
  host=
  for _ in $(seq 100); do
    host=$(xdotool search --name '^vesper-preview-host$' 2>/dev/null | head -n 1 || true)
    [ -n "$host" ] && break
    sleep 0.1
  done
  [ -n "$host" ] || { echo "saver_cpu: the host window never showed" >&2; exit 1; }
  host_children=$(children_of "$host")
  run_mode=(/p "$host")
fi
[ "$mode" = hosted ] && run_mode=(--root)
[ -z "$scale" ] || run_mode+=(--scale "$scale")

x_before=$(cpu_ticks "$xvfb_pid")
x_wall_start=$(now_ns)
XDG_CONFIG_HOME="$work/config" VESPER_DISPLAY=sdl /usr/bin/time -v -o "$work/time.txt" "$saver" "${run_mode[@]}" \
  >"$work/saver.log" 2>&1 &
time_pid=$!

# The saver window shows once the background is rendered and drawn: full
# screen by its title, in preview as a new window on screen inside the host.
window=
for _ in $(seq 300); do
  if [ "$mode" = preview ]; then
    [ "$(children_of "$host")" -gt "$host_children" ] && window=$host
  elif [ "$mode" = hosted ]; then
    # As a hack it is a child of the root window as large as the screen.
    window=$(xwininfo -root -children 2>/dev/null | awk -v size="${size}+0+0" 'index($0, size) && /^ +0x/ { print $1; exit }')
  else
    window=$(xdotool search --name '^Screen Saver$' 2>/dev/null | head -n 1 || true)
  fi
  [ -n "$window" ] && break
  kill -0 "$time_pid" 2>/dev/null || break
  sleep 0.1
done
player_pid=$(child_of "$time_pid")
if [ -z "$window" ] || [ -z "$player_pid" ]; then
  echo "saver_cpu: the saver window never showed on $display; its output:" >&2
  cat "$work/saver.log" >&2
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "saver_cpu: Xvfb had ended meanwhile; its output:" >&2
    cat "$work/xvfb.log" >&2
  fi
  exit 1
fi

# The window may show before its first frame is drawn: the steady part
# starts a second later.
sleep 1
steady_player_before=$(cpu_ticks "$player_pid")
steady_x_before=$(cpu_ticks "$xvfb_pid")
thread_switches "$player_pid" >"$work/switches.before"
steady_threads=$(ls "/proc/$player_pid/task" | wc -l)
steady_start=$(now_ns)
sleep "$seconds"
steady_player_after=$(cpu_ticks "$player_pid")
steady_x_after=$(cpu_ticks "$xvfb_pid")
thread_switches "$player_pid" >"$work/switches.after"
steady_end=$(now_ns)

# Full screen ends on a key; a preview when its host goes away.
if [ "$mode" = preview ]; then
  kill "$host_pid"
  wait "$host_pid" 2>/dev/null || true
  host_pid=
  ending="the host closed"
elif [ "$mode" = hosted ]; then
  kill -TERM "$player_pid"
  ending="SIGTERM"
else
  xdotool key space
  ending="the key press"
fi
ended=
for _ in $(seq 100); do
  kill -0 "$time_pid" 2>/dev/null || { ended=yes; break; }
  sleep 0.1
done
if [ -z "$ended" ]; then
  echo "saver_cpu: the saver still ran 10 s after $ending; killed" >&2
  kill "$player_pid" 2>/dev/null || true
  exit 1
fi
status=0
wait "$time_pid" || status=$?
time_pid=
x_after=$(cpu_ticks "$xvfb_pid")
x_wall_end=$(now_ns)
if [ "$status" -ne 0 ]; then
  echo "saver_cpu: the saver exited with status $status; its output:" >&2
  cat "$work/saver.log" >&2
  exit 1
fi

field() { sed -n "s/^[[:space:]]*$1: //p" "$work/time.txt"; }
player_user=$(field 'User time (seconds)')
player_sys=$(field 'System time (seconds)')
player_cpu=$(awk -v u="$player_user" -v s="$player_sys" 'BEGIN { printf "%.2f", u + s }')
x_cpu=$(ratio $((x_after - x_before)) "$ticks_per_second")
wall=$(ratio $((x_wall_end - x_wall_start)) 1000000000)
total_cpu=$(awk -v p="$player_cpu" -v x="$x_cpu" 'BEGIN { printf "%.2f", p + x }')

steady_wall=$(ratio $((steady_end - steady_start)) 1000000000)
steady_player=$(ratio $((steady_player_after - steady_player_before)) "$ticks_per_second")
steady_x=$(ratio $((steady_x_after - steady_x_before)) "$ticks_per_second")
steady_total=$(awk -v p="$steady_player" -v x="$steady_x" 'BEGIN { printf "%.2f", p + x }')

where=
[ "$mode" = preview ] && where=" in a ${host_size} host window"
echo "saver_cpu: $(basename "$saver") ${run_mode[*]}$where on a ${size} Xvfb screen ($display, $monitors monitor(s) of that size), speed ${speed:-100}"
echo "whole run ($wall s wall, start-up and exit included):"
echo "  player   user ${player_user} s + sys ${player_sys} s = ${player_cpu} s ($(percent "$player_cpu" "$wall")% of one core), max RSS $(field 'Maximum resident set size (kbytes)') kB"
echo "  X server ${x_cpu} s ($(percent "$x_cpu" "$wall")% of one core)"
echo "  total    ${total_cpu} s = $(percent "$total_cpu" "$wall")% of one core"
echo "steady ($steady_wall s from a second after the window showed to $ending):"
echo "  player   ${steady_player} s ($(percent "$steady_player" "$steady_wall")% of one core)"
echo "  X server ${steady_x} s ($(percent "$steady_x" "$steady_wall")% of one core)"
echo "  total    ${steady_total} s = $(percent "$steady_total" "$steady_wall")% of one core (target at most ${target_percent}%)"
steady_switches=$(($(sum_switches "$work/switches.after") - $(sum_switches "$work/switches.before")))
steady_ticks=$(awk -v w="$steady_wall" -v t="$(ticks_per_second_at "${speed:-100}")" 'BEGIN { printf "%d", w * t }')
echo "  player   ${steady_switches} voluntary context switches in its ${steady_threads} threads, $(ratio "$steady_switches" "$steady_ticks") per tick (${steady_ticks} ticks; target at most 4)"
echo "           by thread: $(switches_by_thread "$work/switches.before" "$work/switches.after")"
echo "the player's voluntary context switches over the whole run: $(field 'Voluntary context switches')"
echo "steady_total_pct $(percent "$steady_total" "$steady_wall")"
