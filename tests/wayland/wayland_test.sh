#!/usr/bin/env bash
# The player on a Wayland session, as the session's idle tool starts it: a
# headless sway (run by a normal user, as sway refuses root) with Xwayland
# off, so that nothing can fall back to X, and two outputs, the second at
# scale 2. Checks that a run that cannot show says why on standard error;
# that /s shows the scene on both outputs, each at its own device pixels and
# scale, and ends on a key with exit code 0 and no surface left; the password
# prompt, a wrong password that keeps saving and the right one that ends it;
# swayidle starting the saver; the preview refused; and the full-screen
# toplevels on weston, which has no layer shell.
#
# Needs root (useradd, runuser), sway, swaymsg, swayidle, grim, wtype and
# ImageMagick; weston's part skips without weston. Skips with a message
# otherwise.
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
for tool in useradd runuser sway swaymsg swayidle grim wtype compare convert; do
  command -v "$tool" >/dev/null || skip "$tool is missing (bash scripts/setup.sh installs it)"
done
[ -x "$build/demo/vesper-demo.scr" ] || fail "no $build/demo/vesper-demo.scr (build the target demo_saver)"
render="$build/tools/vesper_render/vesper-render"
[ -x "$render" ] || fail "no $render (build the target vesper-render)"
[ -x "$build/tests/wayland-pointer" ] || fail "no $build/tests/wayland-pointer (build the target wayland-pointer)"

work=$(mktemp -d)
chmod 755 "$work"
sway_pid=
weston_pid=
saver_pid=
idle_pid=
cleanup() {
  for pid in $saver_pid $idle_pid $weston_pid $sway_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

id "$user" >/dev/null 2>&1 || useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)
# The programs as the user can read them (the build may lie in root's home).
install -m 755 "$build/demo/vesper-demo.scr" "$work/vesper-demo.scr"
install -m 755 "$build/tests/wayland-pointer" "$work/wayland-pointer"
saver="$work/vesper-demo.scr"

# ---- A headless sway, two outputs, no Xwayland ----
# shellcheck source=bench/private_sway.sh
. "$root/bench/private_sway.sh"
start_private_sway wayland_test "$user" "$work" 2 \
  "output HEADLESS-1 resolution 800x600 position 0 0" "output HEADLESS-2 resolution 1280x720 position 800 0"
runtime=$sway_runtime
wayland_display=$sway_wayland_display
swaysock=$sway_socket

# Runs a command as the user in the session (or, with env overrides first,
# in a changed one); nothing of root's environment leaks in.
as_user() {
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" \
    WAYLAND_DISPLAY="${wayland_display:-}" SWAYSOCK="${swaysock:-}" "$@"
}
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

# ---- The scene on both outputs, sharp ----
as_user swaymsg output HEADLESS-2 scale 2 >/dev/null
config="$work/config"
shots="$work/shots"
mkdir -m 755 "$config" "$shots"
chown "$user:" "$config" "$shots"
# The frames the outputs show first: the stage of each output's device
# pixels at its scale ("auto" follows the output's scale).
"$render" "$saver" --size 800x600 --scale 1 --ticks 0 --out "$work/expected-1.png" >/dev/null
"$render" "$saver" --size 1280x720 --scale 2 --ticks 0 --out "$work/expected-2.png" >/dev/null

# Pixels that differ between two pictures (exactly: no fuzz).
differing() { compare -metric AE "$1" "$2" null: 2>&1 >/dev/null | cut -d' ' -f1 || true; }
shot() { as_user grim -o "$1" "$shots/grim.png" 2>/dev/null && cp "$shots/grim.png" "$2"; }
# Whether OUTPUT shows the scene: the background equals vesper-render's frame
# exactly, so only the sprites (where they are in either picture, the large
# clouds among them) differ, less than a quarter of the pixels; a stage at
# another size or scale, or stretched, differs nearly everywhere.
shows_scene() {
  local output=$1 expected=$2 pixels=$3 off
  shot "$output" "$work/shown-$output.png" || return 1
  off=$(differing "$work/shown-$output.png" "$expected")
  [[ $off =~ ^[0-9]+$ ]] && [ "$off" -lt $((pixels / 4)) ]
}
wait_for() {
  local tries=$1; shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.2; done
  return 1
}
both_show_scene() {
  shows_scene HEADLESS-1 "$work/expected-1.png" 480000 && shows_scene HEADLESS-2 "$work/expected-2.png" 921600
}
# Starts the saver in the background (environment changes as arguments).
start_saver() {
  as_user env XDG_CONFIG_HOME="$config" "$@" "$saver" /s >"$work/saver.log" 2>&1 &
  saver_pid=$!
}
# Waits up to SECONDS for the saver to end; sets code.
saver_ended() {
  local seconds=$1
  for _ in $(seq $((seconds * 10))); do
    if ! kill -0 "$saver_pid" 2>/dev/null; then
      code=0; wait "$saver_pid" || code=$?; saver_pid=; return 0
    fi
    sleep 0.1
  done
  return 1
}
# wtype's virtual keyboard brings its own keymap: the compositor needs a
# moment with it before the keys, or it drops them.
press() { as_user wtype -s 300 "$@"; }
nothing_left() {
  ! shows_scene HEADLESS-1 "$work/expected-1.png" 480000 && ! shows_scene HEADLESS-2 "$work/expected-2.png" 921600 &&
    ! pgrep -u "$user" -x vesper-demo.scr >/dev/null
}

start_saver
wait_for 50 both_show_scene || fail "the outputs never both showed the scene: $(differing "$work/shown-HEADLESS-1.png" "$work/expected-1.png") and $(differing "$work/shown-HEADLESS-2.png" "$work/expected-2.png") pixels off; $(cat "$work/saver.log")"
say "both outputs show the scene: $(differing "$work/shown-HEADLESS-1.png" "$work/expected-1.png") of 480000 and $(differing "$work/shown-HEADLESS-2.png" "$work/expected-2.png") of 921600 pixels differ from vesper-render's frames"
# At scale 2 every stage pixel is a 2 x 2 block of device pixels: taking
# every other pixel and doubling them again changes nothing.
convert "$work/shown-HEADLESS-2.png" -sample 50% -sample 200% "$work/blocks.png"
[ "$(differing "$work/shown-HEADLESS-2.png" "$work/blocks.png")" = 0 ] ||
  fail "the scaled output is not made of 2 x 2 blocks: $(differing "$work/shown-HEADLESS-2.png" "$work/blocks.png") pixels differ"
say "the scale-2 output is sharp: every stage pixel a 2 x 2 block"
press -k Return
saver_ended 5 || fail "a key did not end the saver: $(cat "$work/saver.log")"
[ "$code" -eq 0 ] || fail "the saver ended on a key with exit code $code: $(cat "$work/saver.log")"
wait_for 10 nothing_left || fail "a surface of the saver is left after it ended"
say "a key ended the saver: exit code 0, no surface left"

# ---- The pointer: a still one keeps it saving, a move past 4 pixels ends it ----
pointer() { as_user "$work/wayland-pointer" "$@"; }
# Into the top left corner of the layout (HEADLESS-1, scale 1), then in a bit.
pointer move -5000 -5000 move 100 100
start_saver
wait_for 50 both_show_scene || fail "the outputs never showed the scene for the pointer"
# The surface appeared under the pointer: that is no move. (3, 1) from
# there is 4 pixels, within the threshold; one more down is 5, past it.
pointer move 3 1
sleep 1
kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended on a pointer found under it and moved by (3, 1)"
pointer move 0 1
saver_ended 5 || fail "a pointer move of (3, 2) did not end the saver"
[ "$code" -eq 0 ] || fail "the pointer move ended the saver with exit code $code: $(cat "$work/saver.log")"
wait_for 10 nothing_left || fail "a surface of the saver is left after the pointer ended it"
say "a still pointer and a move of (3, 1) keep it saving, (3, 2) ends it: exit code 0, no surface left"

# ---- The preview and a daemon's window are X11 things ----
for run in "/p 1234" "--root"; do
  code=0
  # shellcheck disable=SC2086
  as_user timeout 20 "$saver" $run >"$work/out.log" 2>"$work/err.log" || code=$?
  [ "$code" -eq 2 ] || fail "'$run' on Wayland exited with $code, not 2"
  grep -q "X11" "$work/err.log" || fail "'$run' on Wayland did not say it is an X11 thing: $(cat "$work/err.log")"
done
say "the preview and --root on Wayland: exit code 2, '$(cat "$work/err.log")'"

# ---- With a password ----
# Whether OUTPUT shows a dialog in its middle: most of a strip there differs
# from the scene's frame (sprites pass there too, but cover far less of it).
dialog_on() {
  local output=$1 expected=$2 size=$3 w h geometry
  w=${size%x*}; h=${size#*x}
  geometry="160x40+$((w / 2 - 80))+$((h / 2 - 20))"
  shot "$output" "$work/dialog-$output.png" || return 1
  convert "$work/dialog-$output.png" -crop "$geometry" +repage "$work/strip-shown.png"
  convert "$expected" -crop "$geometry" +repage "$work/strip-expected.png"
  [ "$(differing "$work/strip-shown.png" "$work/strip-expected.png")" -gt 4800 ]
}
dialog_anywhere() {
  dialog_on HEADLESS-1 "$work/expected-1.png" 800x600 || dialog_on HEADLESS-2 "$work/expected-2.png" 1280x720
}
# /a: the new password, the same again, then the notice that it changed.
as_user env XDG_CONFIG_HOME="$config" timeout 30 "$saver" /a >"$work/change.log" 2>&1 &
change_pid=$!
sleep 1
press lune -k Return
sleep 1
press lune -k Return
for _ in $(seq 10); do kill -0 "$change_pid" 2>/dev/null || break; press -k Return; sleep 0.5; done
code=0; wait "$change_pid" || code=$?
[ "$code" -eq 0 ] || fail "/a ended with $code: $(cat "$work/change.log")"
[ -s "$config/vesper/password.hash" ] || fail "/a stored no password: $(cat "$work/change.log")"
say "/a set a password through its dialogs on Wayland"

start_saver
wait_for 50 both_show_scene || fail "with a password the outputs never showed the scene: $(cat "$work/saver.log")"
press -k space
wait_for 25 dialog_anywhere || fail "a key brought no password prompt on either output: $(cat "$work/saver.log")"
prompt_output=HEADLESS-1
dialog_on HEADLESS-1 "$work/expected-1.png" 800x600 || prompt_output=HEADLESS-2
say "a key brought the password prompt on $prompt_output"
press soleil -k Return
no_dialog() { ! dialog_anywhere; }
# The box saying the password is wrong follows the prompt; Return closes it,
# pressed again while a dialog shows (a key before the box holds the keyboard is lost).
sleep 1
dialog_anywhere || fail "no box said the password was wrong: $(cat "$work/saver.log")"
for _ in $(seq 5); do press -k Return; wait_for 10 no_dialog && break; done
no_dialog || fail "the prompt or its box stayed after a wrong password was typed into it"
sleep 1
kill -0 "$saver_pid" 2>/dev/null || fail "a wrong password ended the saver: $(cat "$work/saver.log")"
wait_for 25 both_show_scene || fail "after a wrong password the scene did not come back"
say "a wrong password keeps it saving, the scene back on both outputs"
press -k space
wait_for 25 dialog_anywhere || fail "a second key brought no password prompt: $(cat "$work/saver.log")"
press lune -k Return
saver_ended 5 || fail "the right password did not end the saver: $(cat "$work/saver.log")"
[ "$code" -eq 0 ] || fail "the right password ended the saver with exit code $code: $(cat "$work/saver.log")"
wait_for 10 nothing_left || fail "a surface of the saver is left after the right password"
say "the right password ended it: exit code 0, no surface left"
# A click on the first output asks there (the keys above came through the
# surface the compositor gave the keyboard).
pointer move -5000 -5000 move 100 100
start_saver
wait_for 50 both_show_scene || fail "with a password the outputs never showed the scene for the click"
pointer click
wait_for 25 dialog_on HEADLESS-1 "$work/expected-1.png" 800x600 ||
  fail "a click on HEADLESS-1 brought no password prompt there: $(cat "$work/saver.log")"
! dialog_on HEADLESS-2 "$work/expected-2.png" 1280x720 || fail "a click on HEADLESS-1 brought a prompt on HEADLESS-2 too"
say "a click on HEADLESS-1 brought the prompt on HEADLESS-1"
press lune -k Return
saver_ended 5 || fail "the right password after the click did not end the saver: $(cat "$work/saver.log")"
[ "$code" -eq 0 ] || fail "the right password after the click ended the saver with $code"
rm -rf "${config:?}/vesper"

# ---- Outputs that come and go during a run ----
start_saver
wait_for 50 both_show_scene || fail "the outputs never showed the scene before an output was added"
as_user swaymsg create_output >/dev/null
added=$(as_user swaymsg -t get_outputs | grep -o '"name": "HEADLESS-[0-9]*"' | cut -d'"' -f4 | grep -vx 'HEADLESS-[12]' | head -n 1)
[ -n "$added" ] || fail "swaymsg create_output made no output"
as_user swaymsg output "$added" resolution 640x480 >/dev/null
"$render" "$saver" --size 640x480 --scale 1 --ticks 0 --out "$work/expected-3.png" >/dev/null
wait_for 50 shows_scene "$added" "$work/expected-3.png" 307200 ||
  fail "the added output $added never showed the scene: $(cat "$work/saver.log")"
kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended when an output was added: $(cat "$work/saver.log")"
say "an output added during the run ($added, 640x480) shows the scene"
as_user swaymsg output "$added" disable >/dev/null
sleep 1
kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended when an output went away: $(cat "$work/saver.log")"
both_show_scene || fail "the other outputs lost the scene when $added went away"
press -k Return
saver_ended 5 || fail "a key did not end the saver after the outputs changed"
[ "$code" -eq 0 ] || fail "after the outputs changed a key ended the saver with $code: $(cat "$work/saver.log")"
say "the outputs followed: the scene on the others when $added went, then a key ended it with 0"

# ---- Started by swayidle ----
# As the README's line has it: the saver after a second, and the "locker"
# (a file made) two seconds later, which the saver must not hold off.
as_user swayidle timeout 1 "$saver /s" timeout 3 "touch $shots/locked" >"$work/idle.log" 2>&1 &
idle_pid=$!
wait_for 50 both_show_scene || fail "swayidle never started the saver: $(cat "$work/idle.log")"
wait_for 50 test -e "$shots/locked" || fail "the session never went on to lock while the saver ran"
pgrep -u "$user" -x vesper-demo.scr >/dev/null || fail "the saver was gone before the session locked"
say "the session locked on time with the saver running (it inhibits no idle)"
# The player itself, not the shell swayidle runs it through.
idle_saver=$(pgrep -u "$user" -x vesper-demo.scr | head -n 1)
[ -n "$idle_saver" ] || fail "the scene shows, but no saver started by swayidle runs"
say "swayidle started the saver after a second idle"
press -k Return
# (A second later the session is idle again, and swayidle starts another.)
saver_gone() { ! kill -0 "$idle_saver" 2>/dev/null; }
wait_for 25 saver_gone || fail "a key did not end the saver that swayidle started"
say "a key ended it"
kill "$idle_pid" 2>/dev/null || true
wait "$idle_pid" 2>/dev/null || true
idle_pid=
# The test user's savers (swayidle may have started another, also as it
# ended): by their ids, until none is left.
end_savers() {
  for pid in $(pgrep -u "$user" -x vesper-demo.scr); do kill "$pid" 2>/dev/null || true; done
  nothing_left
}
wait_for 25 end_savers ||
  fail "a saver is left after swayidle ended: processes $(pgrep -u "$user" -a -x vesper-demo.scr | tr '\n' ' ')"

# ---- Weston: no layer shell, full-screen toplevels ----
if command -v weston >/dev/null && command -v weston-screenshooter >/dev/null; then
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" \
    weston --backend=headless-backend.so --socket=wayland-weston --width=800 --height=600 --use-pixman \
    --debug --idle-time=0 >"$work/weston.log" 2>&1 &
  weston_pid=$!
  wait_for 50 test -S "$runtime/wayland-weston" || fail "weston did not start: $(tail -20 "$work/weston.log")"
  wayland_display=wayland-weston
  # weston_screenshooter (allowed by --debug) writes into the current folder.
  weston_shows_scene() {
    rm -f "$shots"/wayland-screenshot-*.png
    as_user sh -c "cd '$shots' && weston-screenshooter" >/dev/null 2>&1 || return 1
    local picture off
    picture=$(ls "$shots"/wayland-screenshot-*.png 2>/dev/null | head -n 1)
    [ -n "$picture" ] || return 1
    convert "$picture" -alpha off "$work/weston.png"
    off=$(differing "$work/weston.png" "$work/expected-1.png")
    [[ $off =~ ^[0-9]+$ ]] && [ "$off" -lt 120000 ]
  }
  start_saver
  wait_for 50 weston_shows_scene || fail "weston never showed the scene: $(cat "$work/saver.log")"
  say "weston (no layer shell) shows the scene in a full-screen toplevel: $(differing "$work/weston.png" "$work/expected-1.png") of 480000 pixels differ"
  # weston has no virtual keyboard for wtype: the run is ended from outside.
  kill "$saver_pid"
  saver_ended 5 || fail "the saver on weston did not end on SIGTERM"
else
  say "weston or weston-screenshooter is missing: the toplevel part skipped"
fi

say "passed"
