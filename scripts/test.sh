#!/usr/bin/env bash
# Builds Vesper twice (release, and debug under the sanitizers) and runs every
# test in both, the SDL backend's under a private X server (Xvfb), and the
# Debian package under xscreensaver (as root only); after the release build
# also the Windows build (scripts/build.sh windows) with its tests and the
# Windows player under Wine, the package on the desktop (as root only), and
# the browser build (scripts/build.sh web) with its unit tests under Node.js
# and the page in headless Chromium. Exits non-zero on any build or test
# failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for flavour in release debug; do
  echo "== $flavour build"
  "$root/scripts/build.sh" "$flavour"
  echo "== $flavour tests"
  # Everything but the SDL backend's tests runs on the headless screen, also
  # on a machine with a display.
  (cd "$root/build/$flavour" && env -u DISPLAY -u WAYLAND_DISPLAY ctest --output-on-failure -j "$(nproc)" -E '^Sdl')
  # Those need an X server: a private Xvfb, one test at a time, since they
  # read what the screen shows.
  echo "== $flavour SDL backend tests"
  if command -v xvfb-run >/dev/null; then
    (cd "$root/build/$flavour" && xvfb-run -a -s "-screen 0 1280x720x24" ctest --output-on-failure -R '^Sdl' -E '^SdlLargeScreen')
    # Whole-pixel scaling on a 4K screen (3 x 3 blocks, a 2560x1440 host window at 2 x 2).
    (cd "$root/build/$flavour" && xvfb-run -a -s "-screen 0 3840x2160x24" ctest --output-on-failure -R '^SdlLargeScreen')
  else
    echo "test: xvfb-run is missing (scripts/setup.sh installs it); the SDL tests that need an X server skip"
    (cd "$root/build/$flavour" && env -u DISPLAY -u WAYLAND_DISPLAY ctest --output-on-failure -R '^Sdl')
  fi
  # The Debian package under the real xscreensaver daemon, once: it installs
  # the package and adds a user, so it needs root (CI runs as root).
  if [ "$flavour" = release ]; then
    echo "== package and xscreensaver daemon test"
    if [ "$(id -u)" -eq 0 ]; then
      "$root/scripts/package.sh"
      "$root/tests/xscreensaver/daemon_test.sh"
    else
      echo "test: the daemon test needs root (it installs the package); skipped"
    fi
    echo "== windows build and tests, the player under Wine"
    "$root/scripts/build.sh" windows
    (cd "$root/build/windows" && ctest --output-on-failure)
    "$root/tests/windows/wine_test.sh" "$root/build/windows" "$root/build/release"
    # Saver files on the desktop, with the package installed again (as root
    # only): their types, the desktop entries, the thumbnails through GNOME's
    # thumbnail factory. After the Windows build, whose player makes its .scr.
    echo "== package on the desktop: file types, entries, thumbnails"
    "$root/tests/desktop/desktop_test.sh"
    echo "== web build, its unit tests under Node.js, the page in headless Chromium"
    "$root/scripts/build.sh" web
    (cd "$root/build/web-cmake" && ctest --output-on-failure)
    "$root/tests/web/browser/run.sh"
  fi
done
