#!/usr/bin/env bash
# Installs what is missing, builds the release flavour and runs the main job:
# `vesper-scene info` on the given scene or packaged saver, or on a new sample
# scene made for the occasion.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
"$root/scripts/build.sh" release
tool="$root/build/release/tools/vesper_scene/vesper-scene"
if [ $# -ge 1 ]; then
  exec "$tool" info "$1"
fi
sample="$root/build/release/sample.scene"
"$tool" new -o "$sample"
exec "$tool" info "$sample"
