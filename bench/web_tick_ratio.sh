#!/usr/bin/env bash
# A demo tick at 1920x1080 in WebAssembly against the native build, on this
# machine in one run: the native stage_bench's BM_DemoTick/1920/1080, then
# the same ticks (the same count, from the same seed) of the browser build
# under Node.js on the headless screen stage_bench uses, and on the page's
# canvas display (each changed area also made RGBA and handed to a script
# function). Native and WebAssembly take turns, ROUNDS times (3), so that
# both meet the same load on a shared machine; each round prints its figures
# and ratios, the last lines the medians and the best of each side. With
# --browser, the page's own figure in headless Chromium follows
# (bench/web_tick_bench.mjs).
#
#   bash bench/web_tick_ratio.sh [--rounds N] [--browser]
# Needs scripts/build.sh release (stage_bench, the demo) and scripts/build.sh web.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=3
browser=0
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=${2:?--rounds needs a number}; shift 2 ;;
    --browser) browser=1; shift ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "web_tick_ratio.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done
case "$rounds" in ''|*[!0-9]*|0) echo "web_tick_ratio.sh: --rounds needs a whole number above 0" >&2; exit 2 ;; esac
native="$root/build/release/bench/stage_bench"
scene="$root/build/release/demo/demo.scene"
wasm="$root/build/web-cmake/bench/web/stage-tick.js"
for need in "$native" "$scene" "$wasm"; do
  if [ ! -e "$need" ]; then
    echo "web_tick_ratio.sh: $need is missing (scripts/build.sh release, then scripts/build.sh web)" >&2
    exit 1
  fi
done

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for round in $(seq "$rounds"); do
  # Microseconds per tick and the tick count of the native run.
  read -r native_us ticks < <("$native" --benchmark_filter='^BM_DemoTick/1920/1080$' --benchmark_format=json 2>/dev/null |
    node -e 'const r = JSON.parse(require("fs").readFileSync(0)).benchmarks[0];
             console.log(r.real_time, r.iterations)')
  headless_us=$(node "$wasm" "$scene" 1920 1080 "$ticks" headless | cut -d' ' -f1)
  canvas_us=$(node "$wasm" "$scene" 1920 1080 "$ticks" canvas | cut -d' ' -f1)
  echo "$native_us $headless_us $canvas_us" >>"$results"
  awk -v round="$round" -v ticks="$ticks" '{
    printf "round %d (%d ticks): native %.1f us, wasm %.1f us (%.2fx), wasm with the canvas display %.1f us (%.2fx)\n",
           round, ticks, $1, $2, $2 / $1, $3, $3 / $1 }' < <(tail -1 "$results")
done
node -e '
  const rows = require("fs").readFileSync(process.argv[1], "utf8").trim().split("\n").map((l) => l.split(" ").map(Number));
  const sorted = (i) => rows.map((r) => r[i]).sort((a, b) => a - b);
  const median = (i) => sorted(i)[(rows.length - 1) >> 1];
  const best = (i) => sorted(i)[0];
  const line = (what, pick) =>
    `${what} of ${rows.length}: native ${pick(0).toFixed(1)} us, wasm ${pick(1).toFixed(1)} us ` +
    `(ratio ${(pick(1) / pick(0)).toFixed(2)}), wasm with the canvas display ${pick(2).toFixed(1)} us ` +
    `(ratio ${(pick(2) / pick(0)).toFixed(2)})`;
  console.log(line("median", median));
  console.log(line("best", best));' "$results"
if [ "$browser" = 1 ]; then
  page=$(node "$root/bench/web_tick_bench.mjs")
  echo "$page"
  # The page's tick (with putImageData) against the native medians and best.
  node -e '
    const rows = require("fs").readFileSync(process.argv[1], "utf8").trim().split("\n").map((l) => Number(l.split(" ")[0]));
    rows.sort((a, b) => a - b);
    const [, best, median] = process.argv[2].match(/takes ([\d.]+) us at best, ([\d.]+) us in the median/).map(Number);
    console.log(`browser against native: median ${(median / rows[(rows.length - 1) >> 1]).toFixed(2)}, ` +
                `best ${(best / rows[0]).toFixed(2)}`);' "$results" "$page"
fi
