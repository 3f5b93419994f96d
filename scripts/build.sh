#!/usr/bin/env bash
# Configures and builds one flavour of Vesper: release (optimised, the default),
# debug (AddressSanitizer and UndefinedBehaviorSanitizer), windows (the
# player cross-built for 64-bit Windows, vesper.scr, and the demo packed into
# it, vesper-demo.scr, by the release build's vesper-scene) or web (the page
# in build/web, built with emscripten in build/web-cmake, with the demo scene
# of the release build, and the unit tests for Node.js).
set -euo pipefail
flavour=${1:-release}
root=$(cd "$(dirname "$0")/.." && pwd)
case "$flavour" in
  release) type=Release ;;
  debug) type=Debug ;;
  windows) type=Release ;;
  web) type=Release ;;
  *) echo "usage: $0 [release|debug|windows|web]" >&2; exit 2 ;;
esac
build="$root/build/$flavour"
options=()
if [ "$flavour" = windows ]; then
  # The demo is packed on this machine: the Linux tool and scene come first.
  host="$root/build/release"
  cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$host" -j "$(nproc)" --target vesper-scene demo_scene
  options=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/windows-x86_64.cmake"
           -DVESPER_HOST_SCENE_TOOL="$host/tools/vesper_scene/vesper-scene"
           -DVESPER_HOST_DEMO_SCENE="$host/demo/demo.scene")
fi
if [ "$flavour" = web ]; then
  host="$root/build/release"
  cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$host" -j "$(nproc)" --target demo_scene
  # Debian's emcc runs on Debian's Node.js modules.
  export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
  build="$root/build/web-cmake"
  options=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/web-wasm32.cmake"
           -DVESPER_HOST_DEMO_SCENE="$host/demo/demo.scene"
           -DVESPER_WEB_DIR="$root/build/web")
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
