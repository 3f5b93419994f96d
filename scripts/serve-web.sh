#!/usr/bin/env bash
# Builds the page (scripts/build.sh web) and serves build/web on
# http://127.0.0.1:PORT/ (8000 unless given) until interrupted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
port=${1:-8000}
"$root/scripts/build.sh" web
echo "serve-web: open http://127.0.0.1:$port/ (Ctrl+C ends)"
exec python3 -m http.server --bind 127.0.0.1 --directory "$root/build/web" "$port"
