#!/usr/bin/env bash
# Configures and builds one flavour of Vesper: release (optimised, the default),
# debug (AddressSanitizer and UndefinedBehaviorSanitizer) or windows (the
# player cross-built for 64-bit Windows, vesper.scr, and the demo packed into
# it, vesper-demo.scr, by the release build's vesper-scene).
set -euo pipefail
flavour=${1:-release}
root=$(cd "$(dirname "$0")/.." && pwd)
case "$flavour" in
  release) type=Release ;;
  debug) type=Debug ;;
  windows) type=Release ;;
  *) echo "usage: $0 [release|debug|windows]" >&2; exit 2 ;;
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
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
