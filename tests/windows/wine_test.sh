#!/usr/bin/env bash
# The Windows player under Wine on a private X server (Xvfb), started as the
# system would start it:
# - the packed demo with /s fills the screen with the scene (the pixels match
#   what vesper-render renders at that size, but where sprites are) and its
#   sprites move; a key ends it with exit code 0; with scale=2 in vesper.ini
#   it shows the half-size stage in 2x2 blocks; the Linux player shows the
#   same screen with --scene of the Windows saver;
# - /p in a host window of the same process (vesper-preview-host) shows the
#   whole frame stretched to the host, and ends with it;
# - a saver whose scene is cut short shows the box "Format de fichier
#   inattendu." and no saver window;
# - /c shows the title and credit of string 1; a click on the scroll bar's left
#   arrow and Enter store the speed in "vesper.ini";
# - the engine's unit tests cross-built for Windows (build/windows/unit-tests)
#   pass.
#
#   tests/windows/wine_test.sh [BUILD_WINDOWS [BUILD_LINUX]]
#
# Defaults: build/windows and build/release. The Wine prefix is kept in
# build/wine-prefix (made on the first run, about 20 s). Exits non-zero on
# the first failure, with what was seen.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
windows=${1:-$root/build/windows}
linux=${2:-$root/build/release}
size=1280x720

fail() { echo "wine_test: FAIL: $*" >&2; exit 1; }
for file in "$windows/vesper-demo.scr" "$windows/vesper-wine-probe.exe" "$windows/vesper-preview-host.exe" \
            "$windows/unit-tests/framework_tests.exe" \
            "$linux/tools/vesper_render/vesper-render" "$linux/tools/vesper/vesper"; do
  [ -f "$file" ] || fail "$file is missing (scripts/build.sh windows and release make it)"
done
# Debian puts wine64 beside wineserver, outside PATH.
export PATH=/usr/lib/wine:$PATH
command -v wine64 >/dev/null || fail "wine64 is missing (scripts/setup.sh installs it)"

export WINEPREFIX=$root/build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine_test: making the Wine prefix $WINEPREFIX"
  env -u DISPLAY wine64 wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; fail "wineboot"; }
  # Without a window manager Wine must not wait for one (destroying a
  # full-screen window would take 2 s).
  for value in Managed Decorated; do
    env -u DISPLAY wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /d N /f >/dev/null 2>&1
  done
  wineserver -w
fi
ini=$WINEPREFIX/drive_c/windows/vesper.ini

# shellcheck source=bench/private_xvfb.sh
source "$root/bench/private_xvfb.sh"
start_private_xvfb wine_test "$size" "$work"
probe() { wine64 "$windows/vesper-wine-probe.exe" "$@" 2>/dev/null | tr -d '\r'; }

# Waits up to 30 s for an X window with exactly this name; prints its id.
wait_for_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Waits up to 10 s for a background process of this shell to end and sets
# exit_code to its exit code (in this shell: a subshell cannot wait for it).
wait_for_exit() {
  local pid=$1
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      exit_code=0
      wait "$pid" || exit_code=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}
differing_pixels() { compare -metric AE "$1" "$2" null: 2>&1 || true; }

echo "== /s: the demo fills the screen, its sprites move, a key ends it"
rm -f "$ini"
"$linux/tools/vesper_render/vesper-render" "$windows/vesper-demo.scr" --size "$size" --out "$work/expected.png" >/dev/null
wine64 "$windows/vesper-demo.scr" /s >"$work/save.log" 2>&1 &
saver=$!
pids+=("$saver")
wait_for_window "Screen Saver" >/dev/null || fail "/s showed no saver window; its output: $(cat "$work/save.log")"
# The first frame is drawn when the window is created; wait until the screen
# shows the scene (sprites cover a few percent of it).
pixels=$(( ${size%x*} * ${size#*x} ))
limit=$(( pixels / 10 ))
# wait_for_screen SHOT REFERENCE: takes screenshots into SHOT for up to 10 s
# until at most $limit pixels differ from REFERENCE; sets differ.
wait_for_screen() {
  for _ in $(seq 100); do
    import -window root "$1"
    differ=$(differing_pixels "$1" "$2")
    [ "$differ" -le "$limit" ] && return 0
    sleep 0.1
  done
  return 1
}
wait_for_screen "$work/first.png" "$work/expected.png" ||
  fail "/s: $differ of $pixels pixels differ from the rendered scene (at most $limit may)"
echo "the screen shows the scene: $differ of $pixels pixels differ from vesper-render's frame (sprites)"
sleep 0.5
import -window root "$work/later.png"
moved=$(differing_pixels "$work/first.png" "$work/later.png")
[ "$moved" -gt 0 ] || fail "/s: nothing moved in 0.5 s"
echo "sprites move: $moved pixels changed in 0.5 s"
xdotool key space
wait_for_exit "$saver" || fail "/s: a key did not end the saver"
[ "$exit_code" -eq 0 ] || fail "/s ended with exit code $exit_code, not 0"
echo "a key ended it with exit code 0"

echo "== /s with scale=2 in vesper.ini: the stage of half the screen in 2x2 blocks"
printf '[settings]\r\nscale=2\r\n' >"$ini"
"$linux/tools/vesper_render/vesper-render" "$windows/vesper-demo.scr" --size "$size" --scale 2 \
  --out "$work/expected-scale2.png" >/dev/null
wine64 "$windows/vesper-demo.scr" /s >"$work/scale2.log" 2>&1 &
scaled=$!
pids+=("$scaled")
wait_for_window "Screen Saver" >/dev/null || fail "/s with scale 2 showed no saver window; its output: $(cat "$work/scale2.log")"
wait_for_screen "$work/scale2.png" "$work/expected-scale2.png" ||
  fail "/s with scale 2: $differ of $pixels pixels differ from vesper-render --scale 2 (at most $limit may)"
# Every 2x2 block one colour: keeping one pixel of each and doubling it back
# gives the same picture.
convert "$work/scale2.png" -sample 50% -sample 200% "$work/scale2-blocks.png"
mixed=$(differing_pixels "$work/scale2.png" "$work/scale2-blocks.png")
[ "$mixed" -eq 0 ] || fail "/s with scale 2: $mixed pixels break their 2x2 block"
echo "the screen shows the scene in 2x2 blocks: $differ of $pixels pixels differ from vesper-render --scale 2 (sprites)"
xdotool key space
wait_for_exit "$scaled" || fail "/s with scale 2: a key did not end the saver"
[ "$exit_code" -eq 0 ] || fail "/s with scale 2 ended with exit code $exit_code, not 0"
rm -f "$ini"

echo "== the Linux player shows the same frame of the Windows saver (--scene)"
XDG_CONFIG_HOME="$work/config" VESPER_DISPLAY=sdl "$linux/tools/vesper/vesper" --scene "$windows/vesper-demo.scr" /s \
  >"$work/linux.log" 2>&1 &
linux_saver=$!
pids+=("$linux_saver")
wait_for_window "Screen Saver" >/dev/null || fail "the Linux player showed no saver window; its output: $(cat "$work/linux.log")"
wait_for_screen "$work/linux.png" "$work/first.png" ||
  fail "the Linux player's screen differs from Wine's in $differ of $pixels pixels (at most $limit may)"
echo "the Linux player's screen differs from Wine's in $differ of $pixels pixels (sprites)"
xdotool key space
wait_for_exit "$linux_saver" || fail "a key did not end the Linux player"
[ "$exit_code" -eq 0 ] || fail "the Linux player ended with exit code $exit_code"

echo "== /p in a host window of the same process: the whole frame, stretched"
# Normalised RMSE against vesper-render's preview frame scaled to the host:
# the preview measures about 0.08 (Wine's halftone stretch is not
# ImageMagick's), the frame upside down 0.21, a black host 0.32.
host_at=100 host_width=320 host_height=240 closeness=0.12
"$linux/tools/vesper_render/vesper-render" "$windows/vesper-demo.scr" --preview --out "$work/preview.png" >/dev/null
convert "$work/preview.png" -resize "${host_width}x${host_height}!" "$work/preview-expected.png"
saver_file=$(wine64 winepath -w "$windows/vesper-demo.scr" 2>/dev/null | tr -d '\r')
wine64 "$windows/vesper-preview-host.exe" "$saver_file" "$host_width" "$host_height" 4 >"$work/preview.log" 2>&1 &
preview=$!
pids+=("$preview")
wait_for_window vesper-preview-host >/dev/null || fail "the preview host showed no window; its output: $(cat "$work/preview.log")"
shown=
for _ in $(seq 30); do
  import -window root -crop "${host_width}x${host_height}+${host_at}+${host_at}" +repage "$work/host.png"
  rmse=$(compare -metric RMSE "$work/host.png" "$work/preview-expected.png" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p' || true)
  awk -v r="$rmse" -v limit="$closeness" 'BEGIN { exit !(r != "" && r < limit) }' && { shown=yes; break; }
  sleep 0.1
done
[ -n "$shown" ] || fail "the preview host shows something else than the stretched frame (RMSE $rmse, at most $closeness)"
echo "the host shows the stretched frame (RMSE $rmse against the scaled preview frame)"
wait_for_exit "$preview" || fail "the preview did not end with its host"
[ "$exit_code" -eq 0 ] || fail "the preview ended with exit code $exit_code, not 0"
echo "closing the host ended the preview with exit code 0"

echo "== /s of a saver whose scene is cut short: the box in the user's language, no saver window"
offset=$("$linux/tools/vesper_scene/vesper-scene" info "$windows/vesper-demo.scr" | sed -n 's/^scene offset: \([0-9]*\).*/\1/p')
total=$(stat -c %s "$windows/vesper-demo.scr")
head -c $(( offset + (total - offset) / 2 )) "$windows/vesper-demo.scr" >"$work/damaged.scr"
for language in fr_FR.UTF-8:"Format de fichier inattendu." en_US.UTF-8:"Unexpected file format."; do
  locale=${language%%:*}
  expected=${language#*:}
  LANG=$locale LC_ALL= LC_MESSAGES= wine64 "$work/damaged.scr" /s >"$work/damaged.log" 2>&1 &
  damaged=$!
  pids+=("$damaged")
  box=$(probe message-box 30000) || fail "the damaged saver showed no message box; its output: $(cat "$work/damaged.log")"
  grep -qx "text: $expected" <<<"$box" || fail "under LANG=$locale the box says: $box"
  echo "under LANG=$locale the box says \"$expected\""
  probe find-window WindowsScreenSaverClass >/dev/null && fail "the damaged saver has a saver window beside its box"
  wait_for_exit "$damaged" || fail "the damaged saver did not end after its box"
  [ "$exit_code" -ne 0 ] || fail "the damaged saver ended with exit code 0"
done
echo "it ended without a saver window, with a non-zero exit code"

echo "== /c in the user's language: every text of the dialog in English or in French"
for language in fr_FR.UTF-8:"Vitesse d'affichage":Lente:Rapide:Annuler en_US.UTF-8:"Display speed":Slow:Fast:Cancel; do
  IFS=: read -r locale group slow fast cancel <<<"$language"
  LANG=$locale LC_ALL= LC_MESSAGES= wine64 "$windows/vesper-demo.scr" /c >"$work/configure.log" 2>&1 &
  configure=$!
  pids+=("$configure")
  dialog=$(probe dialog Configuration 30000 101 104 103 1 2) || fail "/c under LANG=$locale showed no dialog"
  for expected in "101: $group" "104: $slow" "103: $fast" "1: OK" "2: $cancel"; do
    grep -qxF "$expected" <<<"$dialog" || fail "under LANG=$locale the dialog shows: $dialog"
  done
  window=$(wait_for_window Configuration) || fail "the configuration dialog has no X window"
  import -window root "$work/configuration-${locale%%_*}.png"
  xdotool windowfocus --sync "$window" key Escape
  wait_for_exit "$configure" || fail "Escape did not end the dialog"
  echo "under LANG=$locale the dialog shows \"$group\", \"$slow\", \"$fast\", \"OK\" and \"$cancel\""
done

echo "== /c: title and credit of string 1; Enter stores the speed"
# A stored speed out of range opens the dialog at 100; one click on the
# left arrow makes it 99.
printf '[settings]\r\nspeed=250\r\n' >"$ini"
wine64 "$windows/vesper-demo.scr" /c >"$work/configure.log" 2>&1 &
configure=$!
pids+=("$configure")
dialog=$(probe dialog Configuration 30000 1001 107 100) || fail "/c showed no configuration dialog"
grep -qx "1001: Vesper" <<<"$dialog" || fail "the dialog's title: $dialog"
grep -qx "107: Dusk over the hills, the bundled demo" <<<"$dialog" || fail "the dialog's credit line: $dialog"
echo "the dialog shows the title and credit of string 1"
read -r left top _ bottom < <(sed -n 's/^100 at: //p' <<<"$dialog")
window=$(wait_for_window Configuration) || fail "the configuration dialog has no X window"
import -window root "$work/configuration.png"
xdotool mousemove $(( left + 4 )) $(( (top + bottom) / 2 )) click 1
xdotool windowfocus --sync "$window" key Return
wait_for_exit "$configure" || fail "Enter did not end the dialog"
[ "$exit_code" -eq 1 ] || fail "the dialog ended with $exit_code, not 1 (OK); vesper.ini: $(cat "$ini"); its output: $(cat "$work/configure.log")"
grep -q '^speed=99' "$ini" || fail "vesper.ini holds: $(cat "$ini")"
echo "Enter ended the dialog with 1 and stored speed=99 in vesper.ini"

echo "== the engine's unit tests cross-built for Windows"
for tests in "$windows"/unit-tests/*_tests.exe; do
  name=$(basename "$tests")
  if ! env -u DISPLAY wine64 "$tests" --gtest_brief=1 >"$work/$name.log" 2>&1; then
    tr -d '\r' <"$work/$name.log" >&2
    fail "$name failed under Wine"
  fi
  echo "$name: $(tr -d '\r' <"$work/$name.log" | grep -m1 '^\[  PASSED  \]')"
done

[ -z "${VESPER_WINE_SCREENSHOTS:-}" ] || cp "$work/first.png" "$work/configuration.png" "$work"/configuration-*.png \
  "$VESPER_WINE_SCREENSHOTS/"
echo "wine_test: all passed"
