#!/usr/bin/env bash
# Installs the Debian packages that building and testing Vesper need, when any
# is missing. Runs apt-get as root, or through sudo when not root.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libpng-dev libcrypt-dev
  libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2
  libgif-dev
  libsdl2-dev libx11-dev libxext-dev libxrender-dev libxrandr-dev libxinerama-dev xvfb xserver-xephyr x11-xserver-utils xauth xfonts-base xdotool x11-utils imagemagick
  time
  xscreensaver dpkg-dev openbox
  sway grim wtype swayidle weston wayland-protocols libwayland-dev libxkbcommon-dev
  shared-mime-info libglib2.0-bin xdg-utils desktop-file-utils appstream bubblewrap python3-gi gir1.2-gnomedesktop-3.0
  g++-mingw-w64-x86-64-posix wine64 googletest
  emscripten nodejs chromium
  gettext locales
)
# npm comes with some builds of Node.js (NodeSource's); Debian's needs its own package.
command -v npm >/dev/null || packages+=(npm)

# The tests run the programs in English and in French.
locales=(en_US.UTF-8 fr_FR.UTF-8)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
else
  echo "setup: installing ${missing[*]}"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

missing_locales=()
for locale in "${locales[@]}"; do
  locale -a 2>/dev/null | grep -qix "${locale/UTF-8/utf8}" || missing_locales+=("$locale")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  echo "setup: generating the locales ${missing_locales[*]}"
  for locale in "${missing_locales[@]}"; do
    "${as_root[@]}" sed -i -E "s/^# *(${locale//./\\.} UTF-8)/\\1/" /etc/locale.gen
  done
  "${as_root[@]}" locale-gen >/dev/null
fi
