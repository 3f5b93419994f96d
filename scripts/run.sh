#!/usr/bin/env bash
# Installs what is missing, builds the release flavour and runs the main job:
# `vesper-scene info` on the given scene or packaged saver, or on the bundled
# demo scene, of which it also renders a picture with vesper-render.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
"$root/scripts/build.sh" release
build="$root/build/release"
info="$build/tools/vesper_scene/vesper-scene"
if [ $# -ge 1 ]; then
  exec "$info" info "$1"
fi
demo="$build/demo/demo.scene"
"$info" info "$demo"
"$build/tools/vesper_render/vesper-render" "$demo" --size 1920x1080 --seed 1 --ticks 100 --out "$build/demo/demo.png"
echo "The demo after 100 ticks at 1920x1080: $build/demo/demo.png"
