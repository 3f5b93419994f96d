#!/usr/bin/env bash
# Installs what is missing, builds the release flavour, packs the demo scene
# into the player and starts the packaged demo saver full screen (any input
# ends it). With a FILE argument it instead shows what that scene or packaged
# saver holds (`vesper-scene info`).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
"$root/scripts/build.sh" release
build="$root/build/release"
if [ $# -ge 1 ]; then
  exec "$build/tools/vesper_scene/vesper-scene" info "$1"
fi
exec "$build/demo/vesper-demo.scr" /s
