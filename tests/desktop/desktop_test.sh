#!/usr/bin/env bash
# Saver files on the desktop, after installing build/release's Debian package:
# their types (by name for Windows savers, by content for Linux savers and bare
# scenes, and the bare player not taken for a saver), the player as their
# application, the desktop entries and the software centres' description
# passing their validators, and thumbnails made through GNOME's own thumbnail
# factory, which runs the thumbnailer in its sandbox: a saver's thumbnail shows
# its scene as vesper-render draws it, a damaged saver gets a failed thumbnail
# and nothing else. Needs root (dpkg -i) and skips with a message otherwise;
# the package must be built first (scripts/package.sh). Removes the package at
# the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/release"
windows_player="$root/build/windows/vesper.scr"

say() { echo "desktop_test: $*"; }
fail() { echo "desktop_test: FAILED: $*" >&2; exit 1; }
skip() { say "skipped: $*"; exit 0; }

[ "$(id -u)" -eq 0 ] || skip "needs root to install the package"
for tool in dpkg gio xdg-mime desktop-file-validate appstreamcli bwrap convert compare identify; do
  command -v "$tool" >/dev/null || skip "$tool is missing (bash scripts/setup.sh installs it)"
done
/usr/bin/python3 -c 'import gi; gi.require_version("GnomeDesktop", "3.0")' 2>/dev/null ||
  skip "python3-gi or gir1.2-gnomedesktop-3.0 is missing (bash scripts/setup.sh installs them)"
deb=$(ls "$build"/vesper_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package in $build (bash scripts/package.sh makes it)"

work=$(mktemp -d)
cleanup() {
  dpkg -r vesper >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
# A home and caches of the test's own: the thumbnail cache is checked below.
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME" "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"

say "installing $(basename "$deb")"
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i"; }

# ---- Savers made here: for Linux, for Windows, a bare scene, a damaged saver ----
files="$work/files"
mkdir -p "$files"
vesper-scene build /usr/share/doc/vesper/demo/demo.json -o "$files/dusk.scene" >/dev/null
vesper-scene pack --player /usr/bin/vesper --scene "$files/dusk.scene" --title Dusk -o "$files/Dusk" >/dev/null
if [ -f "$windows_player" ]; then
  vesper-scene pack --player "$windows_player" --scene "$files/dusk.scene" --title Dusk -o "$files/dusk.scr" >/dev/null
else
  # Without the Windows build, the name alone makes a .scr (its content is
  # then the Linux saver's, which the player and the thumbnailer take too).
  say "no $windows_player (scripts/build.sh windows): the .scr holds the Linux saver"
  cp "$files/Dusk" "$files/dusk.scr"
fi
head -c "$(($(stat -c %s "$files/Dusk") - 4000))" "$files/Dusk" >"$files/Broken"
chmod +x "$files/Broken"
head -c 2000 "$files/dusk.scr" >"$files/broken.scr"

# ---- Types ----
type_of() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
expect_type() {
  local file=$1 expected=$2 found
  found=$(type_of "$file")
  [ "$found" = "$expected" ] || fail "gio info: $file is $found, not $expected"
  say "gio info: $(basename "$file") is $found"
}
expect_type "$files/dusk.scr" application/x-ms-screensaver
expect_type "$files/Dusk" application/x-vesper-saver
expect_type /usr/libexec/xscreensaver/vesper-demo application/x-vesper-saver
expect_type "$files/dusk.scene" application/x-vesper-scene
expect_type "$files/broken.scr" application/x-ms-screensaver
# The bare player holds no scene: a program, not a saver.
expect_type /usr/bin/vesper application/x-executable
/usr/bin/python3 -c 'import sys; from gi.repository import Gio; sys.exit(not Gio.content_type_is_a(*sys.argv[1:]))' \
  application/x-ms-screensaver application/x-ms-dos-executable || fail "a Windows saver is not a DOS/Windows program"
# xdg-mime asks gio on GNOME.
found=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$files/Dusk")
[ "$found" = application/x-vesper-saver ] || fail "xdg-mime query filetype: the Linux saver is $found"
say "xdg-mime query filetype: Dusk is $found"

# ---- The player opens them ----
for type in application/x-ms-screensaver application/x-vesper-saver application/x-vesper-scene; do
  gio mime "$type" >"$work/gio-mime" 2>&1
  grep -q '^Default application for .*: vesper.desktop$' "$work/gio-mime" ||
    { cat "$work/gio-mime" >&2; fail "gio mime $type does not name vesper.desktop as the default"; }
  default=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query default "$type")
  [ "$default" = vesper.desktop ] || fail "xdg-mime query default $type gives \"$default\""
done
say "gio mime and xdg-mime query default: vesper.desktop for the three types"
grep -qx 'Exec=vesper --scene %f /s' /usr/share/applications/vesper.desktop || fail "vesper.desktop does not play the file full screen"

# A double-click on a damaged saver runs the entry's command: the player says
# the saver is damaged in its message box, which Enter dismisses, and ends with
# an error, writing nothing (no settings, nothing beside the file). It speaks
# the session's language through the package's catalogues: French under a
# French locale, English under any other.
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  # shellcheck source=bench/private_xvfb.sh
  . "$root/bench/private_xvfb.sh"
  xvfb_pid=
  trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true; cleanup' EXIT
  start_private_xvfb desktop_test 1024x768 "$work"
  command=$(sed -n 's/^Exec=//p' /usr/share/applications/vesper.desktop)
  for language in fr_FR.UTF-8:Erreur:"ne peut pas être chargée" en_US.UTF-8:Error:"cannot be loaded"; do
    IFS=: read -r locale caption says <<<"$language"
    touch "$work/before-double-click"
    env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$locale" ${command/\%f/$files/Broken} >"$work/double-click.log" 2>&1 &
    player_pid=$!
    # The box takes the keyboard.
    for _ in $(seq 200); do
      xdotool getwindowfocus getwindowname 2>/dev/null | grep -qx "$caption" && break
      sleep 0.1
    done
    xdotool getwindowfocus getwindowname 2>/dev/null | grep -qx "$caption" ||
      { kill "$player_pid" 2>/dev/null || true; cat "$work/double-click.log" >&2; fail "no box titled $caption for the damaged saver under $locale"; }
    xdotool key Return
    for _ in $(seq 100); do kill -0 "$player_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$player_pid" 2>/dev/null && { kill "$player_pid"; fail "Enter did not end the player"; }
    status=0
    wait "$player_pid" || status=$?
    [ "$status" -ne 0 ] || fail "the player ended with 0 on a damaged saver"
    grep -q "$says" "$work/double-click.log" ||
      { cat "$work/double-click.log" >&2; fail "the player's line under $locale does not say \"$says\""; }
    written=$(find "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$files" -newer "$work/before-double-click" -type f)
    [ -z "$written" ] || fail "the player wrote $written"
    say "double-click on a damaged saver under $locale: a box titled $caption, exit $status, nothing written"
  done
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
  unset DISPLAY
else
  say "no Xvfb or xdotool: the double-click on a damaged saver is not tried"
fi

# ---- Validators ----
for entry in /usr/share/applications/vesper.desktop /usr/share/applications/screensavers/vesper-demo.desktop; do
  desktop-file-validate "$entry" >"$work/validate" 2>&1 || { cat "$work/validate" >&2; fail "desktop-file-validate $entry"; }
  ! grep -Eq 'error|warning' "$work/validate" || { cat "$work/validate" >&2; fail "desktop-file-validate $entry warns"; }
done
grep -qx 'Categories=Screensaver;' /usr/share/applications/screensavers/vesper-demo.desktop || fail "the demo's screen saver entry"
say "desktop-file-validate: both entries pass"
metainfo=/usr/share/metainfo/org.vesper.Vesper.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 || { cat "$work/appstream" >&2; fail "appstreamcli validate"; }
say "appstreamcli validate: $(tail -n 1 "$work/appstream")"
for type in application/x-ms-screensaver application/x-vesper-saver application/x-vesper-scene; do
  grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "the metainfo does not provide $type"
done

# ---- Thumbnails through GNOME's factory and its sandbox ----
thumbs="$work/thumbs"
mkdir -p "$thumbs"
before=$(find "$files" -printf "%p %s %T@ %m\n" | sort)
/usr/bin/python3 "$root/tests/desktop/gnome_thumbnail.py" "$thumbs" \
  "$files/dusk.scr" "$files/Dusk" "$files/dusk.scene" "$files/Broken" "$files/broken.scr" >"$work/factory" 2>"$work/factory.err" ||
  { cat "$work/factory.err" >&2; fail "GNOME's thumbnail factory"; }
cat "$work/factory"
for good in dusk.scr Dusk dusk.scene; do
  grep -qx "$files/$good ok 256x192" "$work/factory" || { cat "$work/factory.err" >&2; fail "no 256x192 thumbnail of $good"; }
done
for bad in Broken broken.scr; do
  grep -qx "$files/$bad failed" "$work/factory" || fail "$bad did not fail"
done
after=$(find "$files" -printf "%p %s %T@ %m\n" | sort)
[ "$before" = "$after" ] || fail "thumbnailing changed the files' folder: $(diff <(echo "$before") <(echo "$after") || true)"

# The factory's cache: one large thumbnail for each good file, a failure
# record for each damaged one, nothing else.
cache="$XDG_CACHE_HOME/thumbnails"
large=$(find "$cache/large" -type f | wc -l)
failed=$(find "$cache/fail" -type f | wc -l)
all=$(find "$cache" -type f | wc -l)
[ "$large" -eq 3 ] && [ "$failed" -eq 2 ] && [ "$all" -eq 5 ] ||
  fail "the thumbnail cache holds $large thumbnails, $failed failures and $all files: $(find "$cache" -type f)"
say "thumbnail cache: 3 thumbnails, 2 failures, nothing else"

# The thumbnail shows the scene: near vesper-render's frame of it, shrunk alike.
vesper-render "$files/dusk.scene" --preview --ticks 150 --out "$work/frame.png"
convert "$work/frame.png" -filter box -resize 256x192 "$work/frame-256.png"
for good in dusk.scr Dusk dusk.scene; do
  [ "$(identify -format '%wx%h' "$thumbs/$good.png")" = 256x192 ] || fail "$good's thumbnail size"
  rmse=$(compare -metric RMSE "$thumbs/$good.png" "$work/frame-256.png" null: 2>&1 || true)
  share=$(echo "$rmse" | sed -n 's/.*(\(.*\)).*/\1/p')
  awk -v s="$share" 'BEGIN { exit !(s != "" && s < 0.03) }' || fail "$good's thumbnail differs from vesper-render's frame: RMSE $rmse"
  say "$good's thumbnail against vesper-render's frame: RMSE $rmse"
done
# To look at them: DESKTOP_TEST_KEEP=DIR keeps the thumbnails and the frame.
[ -z "${DESKTOP_TEST_KEEP:-}" ] || cp "$thumbs"/*.png "$work/frame-256.png" "$DESKTOP_TEST_KEEP"/
say "passed"
