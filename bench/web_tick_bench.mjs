// What a tick of the demo costs in the browser: opens the page in headless
// Chromium at a viewport whose screen area gives a 1920x1080 stage (the size
// stage_bench measures natively), runs 500 ticks at once and reports the
// milliseconds per tick; also the time from navigation to the demo's first
// full frame at 1280x720. Needs scripts/build.sh web and tests/web/browser's
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
const kTicks = 500;

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
    await page.waitForFunction(() => ['ready', 'paused', 'playing'].includes(window.vesperPage && vesperPage.state));
    const area = await page.evaluate(() => document.getElementById('screen').getBoundingClientRect().height);
    if (Math.round(area) === height)
      break;
    viewport = { width, height: viewport.height + (height - Math.round(area)) };
  }
  return page.evaluate(() => vesperPage.stage);
}

try {
  const stage = await openAt(1920, 1080, 'scene=demo.scene&seed=7&paused=1');
  const perTick = await page.evaluate((ticks) => {
    vesperPage.tick(50);  // warm up
    const start = performance.now();
    vesperPage.tick(ticks);
    return (performance.now() - start) / ticks;
  }, kTicks);
  console.log(`browser: ${perTick.toFixed(3)} ms per demo tick on a ${stage.width}x${stage.height} stage (${kTicks} ticks)`);

  // Navigation to the first full frame: the page's own timing, from the
  // navigation's start to the end of the demo's first frame on the canvas.
  await openAt(1280, 720, 'seed=7&paused=1');
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
