#!/usr/bin/env bash
# Builds Vesper twice (release, and debug under the sanitizers) and runs every
# test in both. Exits non-zero on any build or test failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for flavour in release debug; do
  echo "== $flavour build"
  "$root/scripts/build.sh" "$flavour"
  echo "== $flavour tests"
  (cd "$root/build/$flavour" && ctest --output-on-failure -j "$(nproc)")
done
