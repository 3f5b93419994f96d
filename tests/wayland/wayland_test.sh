#!/usr/bin/env bash
# The player on a Wayland session, as the session's idle tool starts it: a
# headless sway (run by a normal user, as sway refuses root) with Xwayland
# off, so that nothing can fall back to X. Checks that a run that cannot show
# says why on standard error.
#
# Needs root (useradd, runuser) and sway; skips with a message otherwise.
# Usage: wayland_test.sh [BUILD_DIR] (default build/release, built with the
# targets demo_saver and vesper-render).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
user=vesper-wayland-test

say() { echo "wayland_test: $*"; }
fail() { echo "wayland_test: FAILED: $*" >&2; exit 1; }
skip() { say "skipped: $*"; exit 0; }

[ "$(id -u)" -eq 0 ] || skip "needs root to add a user (sway runs only for a normal user)"
for tool in useradd runuser sway swaymsg; do
  command -v "$tool" >/dev/null || skip "$tool is missing (bash scripts/setup.sh installs it)"
done
[ -x "$build/demo/vesper-demo.scr" ] || fail "no $build/demo/vesper-demo.scr (build the target demo_saver)"

work=$(mktemp -d)
chmod 755 "$work"
sway_pid=
cleanup() {
  [ -z "$sway_pid" ] || kill "$sway_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

id "$user" >/dev/null 2>&1 || useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)
runtime="$work/runtime"
mkdir -m 700 "$runtime"
chown "$user:" "$runtime"
# The programs as the user can read them (the build may lie in root's home).
install -m 755 "$build/demo/vesper-demo.scr" "$work/vesper-demo.scr"
saver="$work/vesper-demo.scr"

# Runs a command as the user in the session (or, with env overrides first,
# in a changed one); nothing of root's environment leaks in.
as_user() {
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" \
    WAYLAND_DISPLAY="${wayland_display:-}" SWAYSOCK="${swaysock:-}" "$@"
}

# ---- A headless sway, two outputs, no Xwayland ----
cat >"$work/sway.config" <<'EOF'
xwayland disable
output HEADLESS-1 resolution 800x600 position 0 0
output HEADLESS-2 resolution 1280x720 position 800 0
EOF
chmod 644 "$work/sway.config"
runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" \
  WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=2 \
  sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
sway_pid=$!
for _ in $(seq 100); do
  socket=$(ls "$runtime" 2>/dev/null | grep -E '^wayland-[0-9]+$' | head -n 1 || true)
  ipc=$(ls "$runtime"/sway-ipc.* 2>/dev/null | head -n 1 || true)
  [ -n "$socket" ] && [ -n "$ipc" ] && break
  kill -0 "$sway_pid" 2>/dev/null || fail "sway did not start: $(tail -20 "$work/sway.log")"
  sleep 0.1
done
[ -n "$socket" ] && [ -n "$ipc" ] || fail "sway made no socket: $(tail -20 "$work/sway.log")"
wayland_display=$socket
swaysock=$ipc
as_user swaymsg -t get_outputs >/dev/null || fail "swaymsg does not reach sway"
say "sway runs headless on $wayland_display"

# ---- A run that cannot show says why ----
# Runs the saver with the given environment changes; sets code and err.
run_saver() {
  code=0
  as_user env "$@" timeout 20 "$saver" /s >"$work/out.log" 2>"$work/err.log" || code=$?
  err=$(cat "$work/err.log")
}
run_saver WAYLAND_DISPLAY=no-such-display
[ "$code" -ne 0 ] && [ "$code" -ne 124 ] || fail "with no compositor at the socket the saver exited with $code"
grep -q 'no-such-display' <<<"$err" || fail "with no compositor the saver did not name the display it tried: '$err'"
say "no compositor: exit code $code, '$err'"

# SDL alone on a Wayland session without Xwayland.
run_saver VESPER_DISPLAY=sdl
[ "$code" -ne 0 ] && [ "$code" -ne 124 ] || fail "SDL without Xwayland exited with $code"
grep -q "$wayland_display" <<<"$err" || fail "SDL without Xwayland did not name the display: '$err'"
say "SDL without Xwayland: exit code $code, '$err'"

say "passed"
