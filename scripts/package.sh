#!/usr/bin/env bash
# Builds the release flavour and makes the Debian package from its install
# rules: build/release/vesper_VERSION_ARCH.deb (its path is printed last).
# Needs dpkg-dev (dpkg-shlibdeps computes the package's dependencies).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"
command -v dpkg-shlibdeps >/dev/null || { echo "package: dpkg-shlibdeps is missing (bash scripts/setup.sh installs dpkg-dev)" >&2; exit 2; }
"$root/scripts/build.sh" release
rm -f "$build"/vesper_*.deb
(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
ls "$build"/vesper_*.deb
