#!/usr/bin/env bash
# Configures and builds one flavour of Vesper: release (optimised, the default)
# or debug (AddressSanitizer and UndefinedBehaviorSanitizer).
set -euo pipefail
flavour=${1:-release}
root=$(cd "$(dirname "$0")/.." && pwd)
case "$flavour" in
  release) type=Release ;;
  debug) type=Debug ;;
  *) echo "usage: $0 [release|debug]" >&2; exit 2 ;;
esac
build="$root/build/$flavour"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" >/dev/null
cmake --build "$build" -j "$(nproc)"
