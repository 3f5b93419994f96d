#!/usr/bin/env bash
# The Debian package with the real daemon: installs build/release's package,
# lets xscreensaver (run by a normal user, as it refuses to run hacks for
# root) play the demo hack, and then a Windows saver file through the
# player's --scene, from that user's list, and checks the screen, the
# hack's end on deactivation, the hack's end when the X server goes away, and
# that removing the package leaves nothing behind. Needs root (useradd,
# dpkg -i); skips with a message otherwise. The package must be built first
# (scripts/package.sh).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/release"
user=vesper-daemon-test
size=1280x720
hack=/usr/libexec/xscreensaver/vesper-demo

say() { echo "daemon_test: $*"; }
fail() { echo "daemon_test: FAILED: $*" >&2; exit 1; }
skip() { say "skipped: $*"; exit 0; }

[ "$(id -u)" -eq 0 ] || skip "needs root to add a user and install the package"
for tool in dpkg useradd runuser Xvfb xscreensaver xscreensaver-command import compare; do
  command -v "$tool" >/dev/null || skip "$tool is missing (bash scripts/setup.sh installs it)"
done
deb=$(ls "$build"/vesper_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package in $build (bash scripts/package.sh makes it)"

work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid=
daemon_pid=
cleanup() {
  [ -z "$daemon_pid" ] || kill "$daemon_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  dpkg -r vesper >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# An X server of its own, without an auth file, so that the user can connect.
# shellcheck source=bench/private_xvfb.sh
. "$root/bench/private_xvfb.sh"
start_xvfb() {
  start_private_xvfb daemon_test "$size" "$work"
  display=$DISPLAY
}


# ---- The package installs only under its own paths ----
say "installing $(basename "$deb")"
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i"; }
dpkg-query -W -f='${Depends}\n' vesper | grep -q libsdl2 || fail "the package's dependencies lack SDL: $(dpkg-query -W -f='${Depends}' vesper)"
outside=$(dpkg -L vesper | grep -Ev '^/\.?$|^/usr$|^/usr/(bin|libexec|share)$|^/usr/bin/vesper(-scene|-render|-xscreensaver|-thumbnailer)?$|^/usr/libexec/xscreensaver(/vesper-demo)?$|^/usr/share/xscreensaver(/config(/vesper-demo\.xml)?)?$|^/usr/share/man(/man1(/vesper(-scene|-render|-xscreensaver|-thumbnailer)?\.1\.gz)?)?$|^/usr/share/doc(/vesper(/.*)?)?$|^/usr/share/applications(/vesper\.desktop|/screensavers(/vesper-demo\.desktop)?)?$|^/usr/share/mime(/packages(/vesper\.xml)?)?$|^/usr/share/thumbnailers(/vesper\.thumbnailer)?$|^/usr/share/metainfo(/org\.vesper\.Vesper\.metainfo\.xml)?$|^/usr/share/icons(/hicolor(/scalable(/apps(/vesper\.svg)?)?)?)?$|^/usr/share/locale(/fr(/LC_MESSAGES(/vesper\.mo)?)?)?$' || true)
[ -z "$outside" ] || fail "the package lists files outside its paths: $outside"
for file in /usr/bin/vesper /usr/bin/vesper-scene /usr/bin/vesper-render "$hack" \
            /usr/share/xscreensaver/config/vesper-demo.xml /usr/share/man/man1/vesper.1.gz \
            /usr/share/doc/vesper/demo/demo.json; do
  [ -e "$file" ] || fail "$file is not installed"
done
grep -q -- 'arg="--root"' /usr/share/xscreensaver/config/vesper-demo.xml || fail "the settings file's command has no --root"
for k in 1 2 3 4; do
  grep -q -- "arg-set=\"--scale $k\"" /usr/share/xscreensaver/config/vesper-demo.xml ||
    fail "the settings file offers no pixel size $k"
done

# ---- The daemon plays the demo ----
id "$user" >/dev/null 2>&1 || useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)
as_user() { runuser -u "$user" -- env HOME="$home" DISPLAY="$display" "$@"; }
start_xvfb
daemon_log=

# Puts FILE first in the user's list (as the only entry), lets the daemon play
# it and checks the screen against vesper-render's frame of FILE, that sprites
# move, and that deactivation ends the hack (whose processes match PATTERN)
# within a second with exit code 0.
play_under_daemon() {
  local file=$1 pattern=$2 label=$3
  hack_processes() { pgrep -f "$pattern" || true; }
  printf 'timeout:\t0:30:00\nfade:\t\tFalse\nunfade:\t\tFalse\nlock:\t\tFalse\nmode:\t\tone\nselected:\t0\nprograms:\n' \
    >"$home/.xscreensaver"
  chown "$user:" "$home/.xscreensaver"
  as_user vesper-xscreensaver add "$file" >/dev/null
  grep -qF "$file" "$home/.xscreensaver" || fail "vesper-xscreensaver did not add $file: $(cat "$home/.xscreensaver")"

  daemon_log="$work/daemon-$label.log"
  as_user xscreensaver --no-splash -verbose >"$daemon_log" 2>&1 &
  daemon_pid=$!
  for _ in $(seq 100); do
    as_user xscreensaver-command -time >/dev/null 2>&1 && break
    sleep 0.2
  done
  as_user xscreensaver-command -time >/dev/null 2>&1 || fail "xscreensaver does not answer: $(cat "$daemon_log")"

  # The frame the hack shows first, rendered without a display at the screen's size.
  vesper-render "$file" --size "$size" --ticks 0 --out "$work/expected.png" >/dev/null
  as_user xscreensaver-command -activate >/dev/null
  local pixels=$(( ${size%x*} * ${size#*x} )) shown= off= moved= pids= ended=
  rm -f "$work/first.png"
  for _ in $(seq 150); do
    if [ -n "$(hack_processes)" ]; then
      import -display "$display" -window root "$work/first.png" 2>/dev/null || true
      if [ -s "$work/first.png" ]; then
        off=$(differing "$work/first.png" "$work/expected.png")
        if [[ $off =~ ^[0-9]+$ ]] && [ "$off" -lt $((pixels / 20)) ]; then shown=yes; break; fi
      fi
    fi
    sleep 0.2
  done
  [ -n "$shown" ] || fail "$label: the screen never showed the scene (last difference: ${off:-none} pixels); daemon log: $(tail -20 "$daemon_log")"
  say "$label: the daemon shows the scene: $off of $pixels pixels differ from vesper-render's frame"
  sleep 2
  import -display "$display" -window root "$work/second.png"
  moved=$(differing "$work/first.png" "$work/second.png")
  [[ $moved =~ ^[0-9]+$ ]] && [ "$moved" -gt 100 ] && [ "$moved" -lt $((pixels / 10)) ] ||
    fail "$label: after two seconds $moved pixels changed (sprites should move, over a small part of the screen)"
  off=$(differing "$work/second.png" "$work/expected.png")
  [ "$off" -lt $((pixels / 20)) ] || fail "$label: two seconds on, $off pixels differ from the scene's frame"
  say "$label: after two seconds $moved pixels changed"
  pids=$(hack_processes)
  [ "$(echo "$pids" | wc -w)" -eq 1 ] || fail "$label: expected one hack process, found: $pids"
  ps -o ni= -p "$pids" | grep -q 10 || say "note: the hack does not run at nice 10"

  # Deactivation ends the hack at once, with exit code 0.
  as_user xscreensaver-command -deactivate >/dev/null
  for _ in $(seq 20); do
    [ -z "$(hack_processes)" ] && { ended=yes; break; }
    sleep 0.05
  done
  [ -n "$ended" ] || fail "$label: a Vesper process is left a second after deactivation: $(hack_processes)"
  sleep 0.5
  grep -q "$(basename "$file")" "$daemon_log" || fail "$label: the daemon's log never names the hack"
  if grep -E "$(basename "$file").*(abnormally|signal|crashed)" "$daemon_log"; then fail "$label: the hack did not exit with 0"; fi
  say "$label: deactivation ended the hack within a second, exit code 0"
  as_user xscreensaver-command -exit >/dev/null 2>&1 || true
  wait "$daemon_pid" 2>/dev/null || true
  daemon_pid=
}

# Pixels that differ between two pictures: the sprites that moved since.
differing() { compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 >/dev/null | cut -d' ' -f1 || true; }

play_under_daemon "$hack" "^$hack" "demo hack"

# A saver kept from Windows: a Windows program with the demo scene appended
# after its image, played by the installed player with --scene.
old_saver="$home/old-saver.scr"
cat "$root/tests/xscreensaver/plain_windows_program" /usr/share/doc/vesper/demo/demo.scene >"$old_saver" 2>/dev/null ||
  cat "$root/tests/xscreensaver/plain_windows_program" "$build/demo/demo.scene" >"$old_saver"
chown "$user:" "$old_saver"
play_under_daemon "$old_saver" "^/usr/bin/vesper --root --scene $old_saver" "Windows saver"

# ---- A broken X connection ends the hack with one line and a non-zero code ----
DISPLAY="$display" "$hack" --root >"$work/hack.out" 2>"$work/hack.err" &
hack_pid=$!
sleep 2
kill -0 "$hack_pid" 2>/dev/null || fail "the hack on the root window ended early: $(cat "$work/hack.err")"
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null || true
xvfb_pid=
status=
for _ in $(seq 50); do
  if ! kill -0 "$hack_pid" 2>/dev/null; then status=0; wait "$hack_pid" || status=$?; break; fi
  sleep 0.1
done
[ -n "$status" ] || { kill -9 "$hack_pid"; fail "the hack hangs after its X server went away"; }
[ "$status" -ne 0 ] || fail "the hack exited with 0 after losing its X server"
[ "$(wc -l <"$work/hack.err")" -eq 1 ] || fail "expected one line on standard error, got: $(cat "$work/hack.err")"
say "losing the X server ended the hack with code $status: $(cat "$work/hack.err")"

# ---- Removal leaves nothing behind ----
files=$(dpkg -L vesper)
dpkg -r vesper >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -r"; }
for file in $files; do
  [ -d "$file" ] || [ ! -e "$file" ] || fail "$file is left after removal"
done
[ ! -e /usr/share/doc/vesper ] || fail "/usr/share/doc/vesper is left after removal"
say "passed"
