// Vesper's page in a real browser: Debian's Chromium, headless, driven by
// playwright-core against a server on 127.0.0.1 that this test starts. Each
// kind of saver file is opened by a drop and through ?scene=, and its frame
// after T ticks from a seed is compared pixel for pixel with vesper-render's
// frame of the same file, size, seed and ticks. Then damaged files, full
// screen with the wake lock, the speed kept in localStorage, and the pace.
//
//   node tests/web/browser/page_test.mjs   (after scripts/build.sh release, web)
import { chromium } from 'playwright-core';
import { execFileSync } from 'node:child_process';
import { createServer } from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
const webDir = path.join(root, 'build/web');
const release = path.join(root, 'build/release');
const render = path.join(release, 'tools/vesper_render/vesper-render');
const shots = path.join(root, 'build/web-test');
const kSeed = 7;
const kTicks = 40;

let failures = 0;
function check(condition, what) {
  console.log(`${condition ? 'ok  ' : 'FAIL'} ${what}`);
  if (!condition)
    failures++;
}

// A Windows program's image: the file up to the end of its sections' raw
// data (Wine's programs carry more after it, which a saver made by the
// authoring tool does not).
function programImage(bytes) {
  const pe = bytes.readUInt32LE(0x3C);
  const sections = bytes.readUInt16LE(pe + 6);
  const table = pe + 24 + bytes.readUInt16LE(pe + 20);
  let end = 0;
  for (let i = 0; i < sections; i++) {
    const header = table + i * 40;
    end = Math.max(end, bytes.readUInt32LE(header + 20) + bytes.readUInt32LE(header + 16));
  }
  return bytes.subarray(0, end);
}

// The saver files of each kind, and the bad ones, in a folder the server shows
// under /files/.
function makeFiles(folder) {
  const files = {};
  const demo = path.join(release, 'demo/demo.scene');
  files['bare scene'] = demo;
  const linux = path.join(release, 'demo/vesper-demo.scr');
  if (fs.existsSync(linux))
    files['Vesper saver for Linux'] = linux;
  const windows = path.join(root, 'build/windows/vesper-demo.scr');
  if (fs.existsSync(windows))
    files['Vesper saver for Windows'] = windows;
  else
    console.log('skip Vesper saver for Windows: build/windows/vesper-demo.scr is not built (scripts/build.sh windows)');
  // A Windows program made by other tools, the scene appended after its image.
  const program = '/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe';
  if (fs.existsSync(program)) {
    const foreign = path.join(folder, 'foreign-saver.scr');
    fs.writeFileSync(foreign, Buffer.concat([programImage(fs.readFileSync(program)), fs.readFileSync(demo)]));
    files['Windows saver with a scene appended'] = foreign;
  } else {
    console.log(`skip Windows saver with a scene appended: no ${program} (Debian's wine64)`);
  }
  const damaged = path.join(folder, 'damaged.scene');
  fs.writeFileSync(damaged, fs.readFileSync(demo).subarray(0, 5000));
  const plain = path.join(folder, 'plain-program');
  fs.copyFileSync('/bin/true', plain);
  return { savers: files, damaged, plain };
}

// Files under /slow/ are those of /files/, held back until
// server.releaseSlow() is called; it resolves once they have all been sent.
function serve(folder) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
  const held = [];
  const server = createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    const name = decodeURIComponent(url.pathname);
    const ours = name.startsWith('/files/') || name.startsWith('/slow/');
    const file = ours ? path.join(folder, path.basename(name))
                      : path.join(webDir, name === '/' ? 'index.html' : path.basename(name));
    const send = () => fs.readFile(file, (error, bytes) => {
      if (error) {
        response.writeHead(404);
        response.end('not found');
        return;
      }
      response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      response.end(bytes);
    });
    if (name.startsWith('/slow/'))
      held.push({ send, sent: new Promise((resolve) => response.on('finish', resolve)) });
    else
      send();
  });
  server.releaseSlow = () => Promise.all(held.splice(0).map(({ send, sent }) => (send(), sent)));
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// vesper-render's frame as RGBA, from its 8-bit .bmp (rows bottom first).
function referenceFrame(file, width, height, folder) {
  const out = path.join(folder, 'reference.bmp');
  execFileSync(render, [file, '--size', `${width}x${height}`, '--seed', String(kSeed), '--ticks', String(kTicks),
                        '--out', out]);
  const bmp = fs.readFileSync(out);
  const bitsAt = bmp.readUInt32LE(10);
  const headerSize = bmp.readUInt32LE(14);
  const bmpHeight = bmp.readInt32LE(22);
  if (bmp.readInt32LE(18) !== width || Math.abs(bmpHeight) !== height || bmp.readUInt16LE(28) !== 8)
    throw new Error(`${out} is not an 8-bit ${width}x${height} picture`);
  const paletteAt = 14 + headerSize;
  const stride = (width + 3) & ~3;
  const rgba = new Uint8Array(width * height * 4);
  for (let y = 0; y < height; y++) {
    const row = bitsAt + (bmpHeight > 0 ? height - 1 - y : y) * stride;
    for (let x = 0; x < width; x++) {
      const entry = paletteAt + bmp[row + x] * 4;
      const at = (y * width + x) * 4;
      rgba[at] = bmp[entry + 2];
      rgba[at + 1] = bmp[entry + 1];
      rgba[at + 2] = bmp[entry];
      rgba[at + 3] = 255;
    }
  }
  return rgba;
}

async function canvasPixels(page) {
  const base64 = await page.evaluate(() => {
    const canvas = document.getElementById('stage');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000)
      text += String.fromCharCode(...data.subarray(i, i + 0x8000));
    return btoa(text);
  });
  return new Uint8Array(Buffer.from(base64, 'base64'));
}

// The page's state when it is one of `states`, read in the same turn as the
// state itself.
async function waitForState(page, states) {
  const shown = await page.waitForFunction((wanted) => {
    const now = window.vesperPage;
    return now && wanted.includes(now.state) &&
           { state: now.state, stage: now.stage, problem: now.problem, title: now.title, credit: now.credit,
             ticks: now.ticks() };
  }, states, { timeout: 20000 });
  return shown.jsonValue();
}

// The state once the page has acted on the new size of its screen area (a
// problem shown takes room from it; the page waits 100 ms for sizes to settle).
async function settledState(page) {
  await page.waitForTimeout(400);
  return page.evaluate(() => ({ state: vesperPage.state, problem: vesperPage.problem, title: vesperPage.title }));
}

// A synthetic drop of the file on the screen area, as a person's drop gives it.
async function drop(page, file) {
  const bytes = fs.readFileSync(file).toString('base64');
  const transfer = await page.evaluateHandle(([name, data]) => {
    const raw = atob(data);
    const array = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; i++)
      array[i] = raw.charCodeAt(i);
    const dataTransfer = new DataTransfer();
    dataTransfer.items.add(new File([array], name));
    return dataTransfer;
  }, [path.basename(file), bytes]);
  await page.dispatchEvent('#screen', 'drop', { dataTransfer: transfer });
}

async function expectReferenceFrame(page, file, what, folder) {
  const shown = await waitForState(page, ['paused', 'failed']);
  check(shown.state === 'paused', `${what}: plays (${shown.problem || 'no problem'})`);
  if (shown.state !== 'paused')
    return shown;
  check(shown.ticks === kTicks, `${what}: ${shown.ticks} ticks run, ${kTicks} asked`);
  const { width, height } = shown.stage;
  const pixels = await canvasPixels(page);
  const expected = referenceFrame(file, width, height, folder);
  let differing = 0;
  for (let i = 0; i < expected.length; i += 4)
    if (pixels[i] !== expected[i] || pixels[i + 1] !== expected[i + 1] || pixels[i + 2] !== expected[i + 2])
      differing++;
  check(pixels.length === expected.length && differing === 0,
        `${what}: the ${width}x${height} canvas equals vesper-render's frame (${differing} pixels differ)`);
  return shown;
}

async function main() {
  fs.mkdirSync(shots, { recursive: true });
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'vesper-page-'));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vesper-chromium-'));
  const { savers, damaged, plain } = makeFiles(folder);
  const server = await serve(folder);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    // The page's own policy forbids eval, which the test's waiting uses.
    bypassCSP: true,
    viewport: { width: 1280, height: 900 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = browser.pages()[0] || await browser.newPage();
    page.on('pageerror', (error) => check(false, `no script error on the page: ${error.message}`));
    // Every message and dialog is the page's own HTML: the browser's boxes never open.
    page.on('dialog', (dialog) => {
      check(false, `no browser ${dialog.type()} box (${JSON.stringify(dialog.message())})`);
      dialog.dismiss().catch(() => {});
    });
    const external = [];
    page.on('request', (request) => {
      if (!request.url().startsWith(origin))
        external.push(request.url());
    });

    for (const [kind, file] of Object.entries(savers)) {
      const name = path.basename(file);
      fs.copyFileSync(file, path.join(folder, name));
      await page.goto(`${origin}/?scene=/files/${encodeURIComponent(name)}&seed=${kSeed}&ticks=${kTicks}&paused=1`);
      const shown = await expectReferenceFrame(page, file, `${kind} through ?scene=`, folder);
      check(Boolean(shown.title), `${kind}: title shown ("${shown.title}", credit "${shown.credit}")`);
      await page.goto(`${origin}/?seed=${kSeed}&ticks=${kTicks}&paused=1`);
      await waitForState(page, ['ready']);
      await drop(page, file);
      await expectReferenceFrame(page, file, `${kind} dropped`, folder);
      await page.screenshot({ path: path.join(shots, `${kind.replace(/\W+/g, '-')}.png`) });
    }

    // The stage at a devicePixelRatio of 2: whole blocks of 2 x 2 device
    // pixels, one per stage pixel, the canvas's CSS size the stage's size;
    // and in a small window, the preview stage fitted to it.
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Emulation.setDeviceMetricsOverride', { width: 1280, height: 900, deviceScaleFactor: 2, mobile: false });
    await page.goto(`${origin}/?scene=demo.scene&seed=${kSeed}&ticks=${kTicks}&paused=1`);
    const sharp = await expectReferenceFrame(page, savers['bare scene'], 'the demo at devicePixelRatio 2', folder);
    const sharpLayout = await page.evaluate(() => {
      const canvas = document.getElementById('stage');
      const box = canvas.getBoundingClientRect();
      const area = document.getElementById('screen').getBoundingClientRect();
      return { ratio: devicePixelRatio, cssWidth: box.width, cssHeight: box.height, areaWidth: area.width,
               rendering: getComputedStyle(canvas).imageRendering };
    });
    check(sharpLayout.ratio === 2 && sharp.stage.factor === 2 && sharp.stage.width === Math.floor(sharpLayout.areaWidth) &&
          sharpLayout.cssWidth === sharp.stage.width && sharpLayout.cssHeight === sharp.stage.height &&
          sharpLayout.rendering === 'pixelated',
          `at ratio 2 each stage pixel is 2 x 2 device pixels (${JSON.stringify([sharp.stage, sharpLayout])})`);
    // Through the protocol: Playwright's own screenshot would put its viewport back first.
    const capture = await cdp.send('Page.captureScreenshot', { format: 'png' });
    fs.writeFileSync(path.join(shots, 'device-pixel-ratio-2.png'), Buffer.from(capture.data, 'base64'));
    await cdp.send('Emulation.clearDeviceMetricsOverride');
    await cdp.detach();
    await page.setViewportSize({ width: 600, height: 500 });
    await page.goto(`${origin}/?scene=demo.scene&seed=${kSeed}&ticks=${kTicks}&paused=1`);
    const small = await expectReferenceFrame(page, savers['bare scene'], 'the demo in a small window', folder);
    const smallLayout = await page.evaluate(() => {
      const canvas = document.getElementById('stage');
      const box = canvas.getBoundingClientRect();
      const area = document.getElementById('screen').getBoundingClientRect();
      return { fits: box.width <= area.width + 0.5 && box.height <= area.height + 0.5,
               preview: canvas.classList.contains('preview') };
    });
    check(small.stage.width === 640 && small.stage.height === 480 && small.stage.factor === 0 && smallLayout.fits &&
          smallLayout.preview, `a small window plays the 640x480 preview stage fitted to it (${JSON.stringify(smallLayout)})`);
    await page.screenshot({ path: path.join(shots, 'preview-stage.png') });
    await page.setViewportSize({ width: 1280, height: 900 });

    // Files the player refuses: its message, and the next good file plays.
    await page.goto(`${origin}/?seed=${kSeed}&ticks=${kTicks}&paused=1`);
    await waitForState(page, ['ready']);
    for (const [bad, wanted] of [[damaged, 'damaged.scene'], [plain, 'plain-program']]) {
      await drop(page, bad);
      const refused = await waitForState(page, ['failed']);
      check(refused.problem.includes(wanted) && refused.problem.includes('cannot be loaded'),
            `${wanted}: the player's message is shown: ${JSON.stringify(refused.problem)}`);
      const caption = await page.evaluate(() => document.querySelector('#problem h2')?.textContent ?? null);
      check(caption === 'Error', `${wanted}: under the caption of the player's box (${caption})`);
      await page.screenshot({ path: path.join(shots, `refused-${wanted}.png`) });
      await drop(page, savers['bare scene']);
      await expectReferenceFrame(page, savers['bare scene'], `after ${wanted}, the demo`, folder);
    }

    // The file picker opens a file as a drop does (another file than the one
    // playing, so that its own play is waited for).
    const picked = savers['Vesper saver for Linux'];
    await page.setInputFiles('#picker', picked);
    await page.waitForFunction(() => vesperPage.title === 'Vesper' && vesperPage.state === 'paused', null,
                               { timeout: 20000 });
    await expectReferenceFrame(page, picked, 'the demo through the file picker', folder);

    // A file over 64 MB is refused by its size, and one of another site is
    // not fetched; the page goes on to play the next file.
    await page.evaluate(() => {
      const transfer = new DataTransfer();
      transfer.items.add(new File([new Uint8Array(64 * 1024 * 1024 + 1)], 'huge.scr'));
      document.getElementById('screen').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true,
                                                                               cancelable: true }));
    });
    await waitForState(page, ['failed']);
    // The file playing before stays stopped: it does not start again on the
    // stage left beside the problem.
    const huge = await settledState(page);
    check(huge.state === 'failed' && !huge.title &&
          huge.problem === 'huge.scr is larger than 64 MB (67,108,865 bytes): the page plays files of up to 64 MB.',
          `a file over 64 MB is refused, and stays refused (${JSON.stringify(huge)})`);
    await page.screenshot({ path: path.join(shots, 'refused-huge.png') });
    // A file chosen while the one named in the address is still on its way
    // stays: the earlier one, arriving later, is dropped.
    fs.copyFileSync(savers['bare scene'], path.join(folder, 'late.scene'));
    await page.goto(`${origin}/?scene=/slow/late.scene&seed=${kSeed}&ticks=${kTicks}&paused=1`);
    await waitForState(page, ['opening']);
    const opening = await page.textContent('#caption');
    check(opening === 'Opening /slow/late.scene\u2026', `a file on its way is said to be opening (${opening})`);
    await drop(page, plain);
    await waitForState(page, ['failed']);
    await server.releaseSlow();
    const latest = await settledState(page);
    check(latest.state === 'failed' && latest.problem.includes('plain-program'),
          `a file chosen while an earlier one is on its way stays (${latest.state}: ${JSON.stringify(latest.problem)})`);
    const elsewhere = `http://localhost:${server.address().port}/files/damaged.scene`;
    await page.goto(`${origin}/?scene=${encodeURIComponent(elsewhere)}`);
    await waitForState(page, ['failed']);
    const foreign = await settledState(page);
    check(foreign.problem.includes('is not on this page\'s site'),
          `a file of another site is refused: ${JSON.stringify(foreign.problem)}`);
    await page.click('#demo');
    const demo = await waitForState(page, ['playing', 'failed']);
    check(demo.state === 'playing' && !demo.problem, `the demo is one click away (${demo.state})`);

    // A file dropped while the player itself is still on its way (held back
    // here) plays once the player has started.
    let releasePlayer;
    const playerHeld = new Promise((resolve) => { releasePlayer = resolve; });
    await page.route('**/vesper-web.wasm', async (route) => {
      await playerHeld;
      await route.continue();
    });
    await page.goto(`${origin}/?seed=${kSeed}&ticks=${kTicks}&paused=1`, { waitUntil: 'domcontentloaded' });
    await drop(page, savers['bare scene']);
    const early = await waitForState(page, ['opening', 'failed', 'ready']);
    check(early.state === 'opening', `a file dropped while the player loads is opening (${JSON.stringify(early)})`);
    releasePlayer();
    await expectReferenceFrame(page, savers['bare scene'], 'a file dropped while the player loads', folder);
    await page.unroute('**/vesper-web.wasm');
    // Where the player cannot start, a file chosen is refused with that reason.
    await page.route('**/vesper-web.wasm', (route) => route.fulfill({ status: 404, body: '' }));
    await page.goto(`${origin}/?seed=${kSeed}&ticks=${kTicks}&paused=1`);
    await waitForState(page, ['failed']);
    await drop(page, savers['bare scene']);
    const unstarted = await waitForState(page, ['failed']);
    check(unstarted.problem.startsWith('The player cannot start in this browser: '),
          `a file dropped where the player cannot start is refused with its reason (${JSON.stringify(unstarted)})`);
    await page.unroute('**/vesper-web.wasm');

    // Where full screen is not allowed (a frame without the permission), the
    // page says so, and the message stays while the file plays on beside it.
    await page.goto(`${origin}/?scene=demo.scene`);
    await waitForState(page, ['playing']);
    await page.evaluate(() => {
      window.allowedFullscreen = Element.prototype.requestFullscreen;
      Element.prototype.requestFullscreen = () => Promise.reject(new TypeError('Permissions check failed'));
    });
    await page.click('#fullscreen');
    await page.waitForFunction(() => vesperPage.problem !== '', null, { timeout: 5000 });
    const notAllowed = await settledState(page);
    check(notAllowed.state === 'playing' &&
          notAllowed.problem === 'Full screen is not allowed here: Permissions check failed',
          `full screen refused by the browser: the page says so and plays on (${JSON.stringify(notAllowed)})`);
    await page.screenshot({ path: path.join(shots, 'full-screen-refused.png') });
    // Allowed again, full screen clears the message.
    await page.evaluate(() => { Element.prototype.requestFullscreen = window.allowedFullscreen; });
    await page.click('#fullscreen');
    await page.waitForFunction(() => document.fullscreenElement !== null, null, { timeout: 5000 });
    const allowed = await page.evaluate(() => vesperPage.problem);
    check(allowed === '', `full screen allowed again clears the message (${JSON.stringify(allowed)})`);

    // Full screen with the wake lock, left on a key.
    await page.goto(`${origin}/?scene=demo.scene`);
    await waitForState(page, ['playing']);
    await page.focus('#fullscreen');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.fullscreenElement !== null, null, { timeout: 5000 });
    const lock = await page.waitForFunction(() => vesperPage.wakeLock !== 'none' && vesperPage.wakeLock, null,
                                            { timeout: 5000 }).then((handle) => handle.jsonValue());
    check(lock === 'held', `Enter on Full screen enters full screen with a screen wake lock (${lock})`);
    await page.screenshot({ path: path.join(shots, 'full-screen.png') });
    await page.waitForTimeout(400);
    await page.keyboard.press('a');
    await page.waitForFunction(() => document.fullscreenElement === null, null, { timeout: 5000 });
    const released = await page.waitForFunction(() => vesperPage.wakeLock === 'released', null, { timeout: 5000 })
                         .then(() => true, () => false);
    check(released, 'a key leaves full screen and releases the wake lock');
    // A click leaves it too, and so does a mouse move past a few pixels, not a smaller one.
    for (const [how, leave] of [['a click', () => page.mouse.down().then(() => page.mouse.up())],
                                ['a move of 2 pixels', () => page.mouse.move(301, 301).then(() => page.mouse.move(303, 302))],
                                ['a move of 30 pixels', () => page.mouse.move(330, 300)]]) {
      if (!await page.evaluate(() => document.fullscreenElement !== null)) {
        await page.click('#fullscreen');
        await page.waitForFunction(() => document.fullscreenElement !== null, null, { timeout: 5000 });
        await page.waitForTimeout(400);
        await page.mouse.move(300, 300);
      }
      await leave();
      const left = await page.waitForFunction(() => document.fullscreenElement === null, null, { timeout: 1000 })
                             .then(() => true, () => false);
      check(left === (how !== 'a move of 2 pixels'), `${how} ${left ? 'leaves' : 'keeps'} full screen`);
    }

    // The pace: 50 ticks a second at speed 100, counted by the page.
    await page.goto(`${origin}/?scene=demo.scene`);
    await waitForState(page, ['playing']);
    await page.waitForTimeout(500);
    const before = await page.evaluate(() => [vesperPage.ticks(), performance.now()]);
    await page.waitForTimeout(5000);
    const after = await page.evaluate(() => [vesperPage.ticks(), performance.now()]);
    const rate = (after[0] - before[0]) * 1000 / (after[1] - before[1]);
    check(rate >= 48 && rate <= 50.5, `speed 100 ticks ${rate.toFixed(2)} times a second (50 wanted)`);

    // The speed is set in the player's configuration dialog, in its words:
    // Cancel (and Escape) leave it, OK keeps it for the next visit, and
    // nothing else is stored.
    await page.focus('#settings');
    await page.keyboard.press('Enter');
    await page.waitForSelector('#configuration[open]', { timeout: 5000 });
    const words = await page.evaluate(() => document.getElementById('configuration').innerText);
    const title = await page.evaluate(() => vesperPage.title);
    for (const text of ['Configuration', 'Display speed', 'Slow', 'Fast', 'OK', 'Cancel', title])
      check(Boolean(text) && words.includes(text), `the configuration dialog says "${text}"`);
    await page.screenshot({ path: path.join(shots, 'configuration.png') });
    check(await page.evaluate(() => document.activeElement.id === 'speed'), 'the dialog opens on its speed bar');
    await page.keyboard.press('Home');
    await page.click('#configurationCancel');
    await page.waitForFunction(() => document.activeElement.id === 'settings', null, { timeout: 3000 });
    const cancelled = await page.evaluate(() => [vesperPage.speed, localStorage.getItem('vesper.speed'),
                                                 document.getElementById('configuration').open]);
    check(cancelled[0] === 100 && cancelled[1] === null && !cancelled[2],
          `Cancel closes the dialog and keeps the speed (${cancelled[0]}, stored ${cancelled[1]})`);
    await page.click('#settings');
    await page.fill('#speed', '37');
    await page.keyboard.press('Escape');
    // The dialog's close event comes after the click or key, as a task of its own.
    const settled = (condition) => page.waitForFunction(condition, null, { timeout: 3000 }).then(() => true, () => false);
    check(await settled(() => vesperPage.speed === 100 && document.activeElement.id === 'settings' &&
                              !document.getElementById('configuration').open),
          'Escape closes the dialog as Cancel does, back on its button');
    await page.click('#settings');
    await page.fill('#speed', '37');
    await page.click('#configurationOk');
    check(await settled(() => vesperPage.speed === 37), 'OK sets the speed');
    // At speed 37 a tick needs more than 63 ms since the last: every fourth
    // timer event, 12.5 ticks a second.
    const slowBefore = await page.evaluate(() => [vesperPage.ticks(), performance.now()]);
    await page.waitForTimeout(2000);
    const slowAfter = await page.evaluate(() => [vesperPage.ticks(), performance.now()]);
    const slowRate = (slowAfter[0] - slowBefore[0]) * 1000 / (slowAfter[1] - slowBefore[1]);
    check(slowRate >= 11 && slowRate <= 13.5, `speed 37 ticks ${slowRate.toFixed(2)} times a second (12.5 wanted)`);
    await page.reload();
    await waitForState(page, ['playing']);
    const kept = await page.evaluate(() => [vesperPage.speed, Object.keys(localStorage)]);
    check(kept[0] === 37 && kept[1].length === 1, `the speed is kept (${kept[0]}; stored: ${kept[1].join(', ')})`);
    check(external.length === 0, `no request leaves the page's site (${external.join(', ') || 'none'})`);
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(folder, { recursive: true, force: true });
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(failures ? `${failures} checks failed` : 'all checks passed');
  process.exit(failures ? 1 : 0);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
