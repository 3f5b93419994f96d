#!/usr/bin/env bash
# CPU time of the packed demo saver playing full screen on one Wayland output,
# natively (its own layer surface, no Xwayland), on a private headless sway
# run by a user the script makes (sway refuses root): the player's user and
# system time and the compositor's, over the steady part of the run (from a
# second after the saver shows until the key press, sent by wtype, that ends
# it), as a share of one core. The X11 figure to compare with is
# bench/saver_cpu.sh's at the same size and speed; the target is at most that.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
saver="$root/build/release/demo/vesper-demo.scr"
seconds=10
size=1920x1080
user=vesper-wayland-bench

usage() {
  cat <<USAGE
usage: $(basename "$0") [--saver FILE] [--seconds N] [--size WxH]

Starts a headless sway (pixman renderer, one output of WxH, default $size,
Xwayland off) for the user $user, runs the packed demo saver FILE (default
build/release/demo/vesper-demo.scr) with "/s" at speed 100 and scale 1, and
after it has shown for a second measures N seconds (default $seconds) of the
player's and sway's processor time; then a key through wtype ends it. Needs
root (useradd, runuser), sway, grim and wtype (bash scripts/setup.sh installs
them). Before the saver starts, sway's own share with no client is measured
for the same N seconds, and reported after the rest. The last line,
"steady_total_pct N", is for scripts.
USAGE
}

while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) usage; exit 0 ;;
    --saver) saver=${2:?--saver needs a file}; shift 2 ;;
    --seconds) seconds=${2:?--seconds needs a number}; shift 2 ;;
    --size) size=${2:?--size needs WxH}; shift 2 ;;
    *) echo "wayland_saver_cpu: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
done
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "wayland_saver_cpu: --seconds must be a whole number" >&2; exit 2; }
[[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || { echo "wayland_saver_cpu: --size must be WxH" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "wayland_saver_cpu: needs root (sway runs for a user it makes)" >&2; exit 2; }
for tool in sway grim wtype runuser useradd; do
  command -v "$tool" >/dev/null || { echo "wayland_saver_cpu: $tool is missing (bash scripts/setup.sh installs it)" >&2; exit 2; }
done
[ -x "$saver" ] || { echo "wayland_saver_cpu: no saver at $saver (bash scripts/build.sh release makes it)" >&2; exit 2; }

ticks_per_second=$(getconf CLK_TCK)
work=$(mktemp -d)
chmod 755 "$work"
sway_pid=
saver_pid=
cleanup() {
  for pid in $saver_pid $sway_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=bench/processor_time.sh
. "$root/bench/processor_time.sh"

id "$user" >/dev/null 2>&1 || useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)
install -m 755 "$saver" "$work/saver"
mkdir -m 755 "$work/config" "$work/config/vesper"
printf '[settings]\nspeed=100\nscale=1\n' >"$work/config/vesper/vesper.ini"
chown -R "$user:" "$work/config"
# shellcheck source=bench/private_sway.sh
. "$root/bench/private_sway.sh"
start_private_sway wayland_saver_cpu "$user" "$work" 1 "output HEADLESS-1 resolution $size"
# The first process pgrep names with the given arguments, waited for up to
# TRIES tenths of a second; nothing when none came.
first_process() {
  local tries=$1 found=
  shift
  for _ in $(seq "$tries"); do
    found=$(pgrep "$@" | head -n 1 || true)
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}
# The compositor itself (runuser stays as its parent).
compositor_pid=$(first_process 50 -P "$sway_pid" -x sway)
[ -n "$compositor_pid" ] || { echo "wayland_saver_cpu: no sway process of $user" >&2; exit 1; }
as_user() {
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$sway_runtime" \
    WAYLAND_DISPLAY="$sway_wayland_display" XDG_CONFIG_HOME="$work/config" "$@"
}

# The compositor's own share with no client, for the same time: what it
# spends whoever draws, which an X server does not.
sleep 1
idle_before=$(cpu_ticks "$compositor_pid")
idle_start=$(date +%s%N)
sleep "$seconds"
idle_after=$(cpu_ticks "$compositor_pid")
idle_end=$(date +%s%N)

as_user "$work/saver" /s >"$work/saver.log" 2>&1 &
runner_pid=$!
saver_pid=$(first_process 100 -u "$user" -x saver)
[ -n "$saver_pid" ] || { echo "wayland_saver_cpu: the saver did not start: $(cat "$work/saver.log")" >&2; exit 1; }
# Shown once the output's picture holds more than the compositor's grey.
mkdir -m 755 "$work/shots"
chown "$user:" "$work/shots"
shown=
for _ in $(seq 100); do
  as_user grim -o HEADLESS-1 "$work/shots/shot.png" 2>/dev/null &&
    [ "$(stat -c %s "$work/shots/shot.png")" -gt 100000 ] && { shown=yes; break; }
  sleep 0.1
done
[ -n "$shown" ] || { echo "wayland_saver_cpu: the saver never showed: $(cat "$work/saver.log")" >&2; exit 1; }
sleep 1

player_before=$(cpu_ticks "$saver_pid")
sway_before=$(cpu_ticks "$compositor_pid")
start=$(date +%s%N)
sleep "$seconds"
player_after=$(cpu_ticks "$saver_pid")
sway_after=$(cpu_ticks "$compositor_pid")
end=$(date +%s%N)

as_user wtype -s 300 -k space
status=0
wait "$runner_pid" || status=$?
saver_pid=
[ "$status" -eq 0 ] || { echo "wayland_saver_cpu: the saver exited with $status: $(cat "$work/saver.log")" >&2; exit 1; }

wall=$(ratio $((end - start)) 1000000000)
player=$(ratio $((player_after - player_before)) "$ticks_per_second")
compositor=$(ratio $((sway_after - sway_before)) "$ticks_per_second")
total=$(awk -v p="$player" -v c="$compositor" 'BEGIN { printf "%.2f", p + c }')
echo "wayland_saver_cpu: $(basename "$saver") /s on one ${size} output of a headless sway (pixman), speed 100, scale 1"
echo "steady ($wall s from a second after the saver showed to the key press):"
echo "  player     ${player} s ($(percent "$player" "$wall")% of one core)"
echo "  compositor ${compositor} s ($(percent "$compositor" "$wall")% of one core)"
echo "  total      ${total} s = $(percent "$total" "$wall")% of one core (target: at most bench/saver_cpu.sh's at ${size})"
idle_wall=$(ratio $((idle_end - idle_start)) 1000000000)
idle=$(ratio $((idle_after - idle_before)) "$ticks_per_second")
echo "the compositor with no client, $idle_wall s before the saver started: ${idle} s ($(percent "$idle" "$idle_wall")% of one core)"
# A headless output wakes sway at its refresh rate with nothing to show (63
# times a second seen here): the share above that is what the saver costs.
net=$(awk -v t="$(percent "$total" "$wall")" -v i="$(percent "$idle" "$idle_wall")" 'BEGIN { printf "%.2f", t - i }')
echo "total above the compositor's own: ${net}% of one core"
echo "steady_total_pct $(percent "$total" "$wall")"
