// What a tick of the demo costs in the browser: opens the page in headless
// Chromium at a viewport whose screen area gives a 1920x1080 stage (the size
// stage_bench measures natively), runs 4000 ticks in runs of 400 and reports
// the microseconds per tick with and without putImageData; also the time
// from navigation to the demo's first full frame at 1280x720. Needs scripts/build.sh web and tests/web/browser's
// node_modules (tests/web/browser/run.sh installs them).
//
//   node bench/web_tick_bench.mjs
import { createRequire } from 'node:module';
import { createServer } from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const require = createRequire(path.join(root, 'tests/web/browser/package.json'));
const { chromium } = require('playwright-core');
const webDir = path.join(root, 'build/web');
const kTicks = 4000;
const kRounds = 10;

const server = createServer((request, response) => {
  const name = path.basename(new URL(request.url, 'http://127.0.0.1').pathname) || 'index.html';
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
  fs.readFile(path.join(webDir, name), (error, bytes) => {
    response.writeHead(error ? 404 : 200, { 'Content-Type': types[path.extname(name)] || 'application/octet-stream' });
    response.end(error ? '' : bytes);
  });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vesper-bench-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium', headless: true, bypassCSP: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const page = browser.pages()[0] || await browser.newPage();

// The viewport whose screen area is exactly the wanted stage.
async function openAt(width, height, query) {
  let viewport = { width, height: height + 150 };
  for (let attempt = 0; attempt < 3; attempt++) {
    await page.setViewportSize(viewport);
    await page.goto(`${origin}/?${query}`);
    await page.waitForFunction(() => window.vesperPage && vesperPage.state === 'paused');
    const area = await page.evaluate(() => document.getElementById('screen').getBoundingClientRect().height);
    if (Math.round(area) === height)
      break;
    viewport = { width, height: viewport.height + (height - Math.round(area)) };
  }
  return page.evaluate(() => vesperPage.stage);
}

try {
  const stage = await openAt(1920, 1080, 'scene=demo.scene&seed=7&paused=1');
  // Runs of the ticks as the page runs them take turns with runs in which
  // putImageData does nothing (the engine's tick with the RGBA copy), so
  // that both meet the same load; the best and the median run of each.
  const runs = await page.evaluate(([ticks, rounds]) => {
    const put = CanvasRenderingContext2D.prototype.putImageData;
    const timed = (withCanvas) => {
      CanvasRenderingContext2D.prototype.putImageData = withCanvas ? put : () => {};
      const start = performance.now();
      vesperPage.tick(ticks);
      CanvasRenderingContext2D.prototype.putImageData = put;
      return (performance.now() - start) * 1000 / ticks;
    };
    // Unmeasured first, long enough for V8 to have optimised the hot code,
    // which it does in the background after starting with quickly compiled code.
    vesperPage.tick(2000);
    const full = [], withoutCanvas = [];
    for (let round = 0; round < rounds; round++) {
      full.push(timed(true));
      withoutCanvas.push(timed(false));
    }
    return { full, withoutCanvas };
  }, [kTicks / kRounds, kRounds]);
  const summary = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    return { best: sorted[0], median: sorted[(sorted.length - 1) >> 1] };
  };
  const full = summary(runs.full), withoutCanvas = summary(runs.withoutCanvas);
  console.log(`browser: a demo tick on a ${stage.width}x${stage.height} stage takes ${full.best.toFixed(1)} us at best, ` +
              `${full.median.toFixed(1)} us in the median run (${kRounds} runs of ${kTicks / kRounds} ticks); without ` +
              `putImageData ${withoutCanvas.best.toFixed(1)} us at best, ${withoutCanvas.median.toFixed(1)} us median`);

  // Navigation to the first full frame: the page's own timing, from the
  // navigation's start to the end of the demo's first frame on the canvas.
  await openAt(1280, 720, 'scene=demo.scene&seed=7&paused=1');
  const samples = [];
  for (let run = 0; run < 5; run++) {
    await page.goto(`${origin}/?scene=demo.scene&seed=7&paused=1`);
    await page.waitForFunction(() => window.vesperPage && vesperPage.state === 'paused');
    samples.push(await page.evaluate(() => vesperPage.firstFrameAt));
  }
  const size = await page.evaluate(() => vesperPage.stage);
  samples.sort((a, b) => a - b);
  console.log(`navigation to the demo's first full frame at ${size.width}x${size.height}: median ` +
              `${samples[2].toFixed(0)} ms (${samples.map((s) => s.toFixed(0)).join(', ')})`);
} finally {
  await browser.close();
  server.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
