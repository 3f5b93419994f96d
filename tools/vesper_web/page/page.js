// The page around the player module: opening files (drop, picker, ?scene=),
// the pace from animation frames, the speed in the player's configuration
// dialog, the stage's size, full screen and the wake lock, and the player's
// messages.
'use strict';

(() => {
  const kLargestFile = 64 * 1024 * 1024;
  const kSpeedKey = 'vesper.speed';
  const kMoveToLeave = 4;  // CSS pixels a mouse may move in full screen before it ends
  const kFilesDirectory = '/files';

  const params = new URLSearchParams(location.search);
  const hooks = {
    seed: params.has('seed') ? Number(params.get('seed')) >>> 0 : null,
    ticks: params.has('ticks') ? Math.max(0, Math.floor(Number(params.get('ticks')) || 0)) : 0,
    paused: params.get('paused') === '1',
  };

  const $ = (id) => document.getElementById(id);
  const screen = $('screen');
  const canvas = $('stage');
  const context = canvas.getContext('2d', { alpha: false });
  const problem = $('problem');
  const caption = $('caption');
  const speed = $('speed');
  const configuration = $('configuration');
  const fullScreenButton = $('fullscreen');

  // What tests and people can read of the page's state.
  const page = {
    state: 'loading',  // loading (the player), ready, opening (a file), playing, paused, failed
    title: '', credit: '', problem: '',
    speed: 100,
    stage: { width: 0, height: 0, factor: 1 },
    wakeLock: 'none',  // none, held, released, refused
    firstFrameAt: null,
    ticks: () => (player ? player._vesper_ticks() : 0),
    // Runs n ticks at once (for measuring a tick's cost: bench/web_tick_bench.mjs).
    tick: (n) => { if (player) player._vesper_tick(n); },
  };
  window.vesperPage = page;

  let player = null;
  let current = null;  // { name, bytes } of the file playing
  let frameRequest = 0;
  let boxes = [];      // the player's message boxes during an open
  let wakeLock = null;
  // Each file chosen (dropped, picked, named in the address, the demo)
  // replaces the one chosen before it, even while that one is still being
  // read: a read that ends after a newer choice is dropped.
  let choices = 0;
  // Counts a new choice, said to be opening until it plays or is refused; the
  // result tells whether a later choice replaced it.
  function choose(name) {
    const choice = ++choices;
    page.state = 'opening';
    caption.textContent = `Opening ${name}\u2026`;
    return () => choice !== choices;
  }

  function decodeText(bytes) {
    try {
      return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
    } catch (notUtf8) {
      return new TextDecoder('windows-1252').decode(bytes);
    }
  }

  // The lines of a problem, under the caption of the player's message box
  // when it showed one.
  function showProblem(lines, boxCaption = '') {
    page.problem = lines.join('\n');
    const paragraphs = lines.map((line) => {
      const paragraph = document.createElement('p');
      paragraph.textContent = line;
      return paragraph;
    });
    if (boxCaption) {
      const heading = document.createElement('h2');
      heading.textContent = boxCaption;
      paragraphs.unshift(heading);
    }
    problem.replaceChildren(...paragraphs);
    problem.hidden = false;
  }

  function clearProblem() {
    page.problem = '';
    problem.hidden = true;
    problem.replaceChildren();
  }

  function showCaption() {
    caption.replaceChildren();
    if (!page.title && !page.credit)
      return;
    const title = document.createElement('strong');
    title.textContent = page.title;
    caption.append(title);
    if (page.credit)
      caption.append(' \u2014 ' + page.credit);
  }

  // The stage for the screen area: its size in stage pixels and how the canvas
  // shows it (whole device-pixel blocks, or fitted for the preview stage).
  function layoutStage() {
    const area = screen.getBoundingClientRect();
    const ratio = window.devicePixelRatio || 1;
    const chosen = player._vesper_stage_for(Math.round(area.width * ratio), Math.round(area.height * ratio), ratio);
    const [width, height, factor] = player.HEAP32.subarray(chosen >> 2, (chosen >> 2) + 3);
    // Setting a canvas's size clears it, even to the size it has.
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    if (factor > 0) {
      canvas.style.width = (width * factor / ratio) + 'px';
      canvas.style.height = (height * factor / ratio) + 'px';
    } else {
      const fit = Math.min(area.width / width, area.height / height);
      canvas.style.width = (width * fit) + 'px';
      canvas.style.height = (height * fit) + 'px';
    }
    canvas.classList.toggle('preview', factor === 0);
    page.stage = { width, height, factor };
  }

  function stopPacing() {
    if (frameRequest)
      cancelAnimationFrame(frameRequest);
    frameRequest = 0;
  }

  function onFrame(now) {
    frameRequest = requestAnimationFrame(onFrame);
    player._vesper_frame(now);
  }

  // A chosen file that cannot be played still replaces the one playing: the
  // screen goes black under the problem, and a new size of the screen area
  // (the problem's own box takes room from it) has nothing to start again.
  function refuse(lines, boxCaption = '') {
    stopPacing();
    player?._vesper_close();
    current = null;
    page.title = page.credit = '';
    showCaption();
    showProblem(lines, boxCaption);
    context.fillStyle = '#000';
    context.fillRect(0, 0, canvas.width, canvas.height);
    page.state = 'failed';
    fullScreenButton.disabled = true;
  }

  // Plays a file's bytes as the player plays `vesper --scene FILE`. A problem
  // shown is the caller's to clear: one that is not about the file (full
  // screen refused) stays when the file starts again on a new stage.
  function play(name, bytes) {
    stopPacing();
    const fileName = (name.split(/[\\/]/).pop() || 'scene').replace(/\0/g, '');
    const path = kFilesDirectory + '/' + fileName;
    player.FS.writeFile(path, new Uint8Array(bytes));
    layoutStage();
    boxes = [];
    page.title = page.credit = '';
    const seed = hooks.seed !== null ? hooks.seed : (Date.now() >>> 0);
    const played = player.ccall('vesper_open', 'number', ['string', 'number', 'number', 'number'],
                                [fileName, page.stage.width, page.stage.height, seed]);
    player.FS.unlink(path);
    $('hint').hidden = true;
    if (!played) {
      const why = player.UTF8ToString(player._vesper_problem());
      refuse([...boxes.map((box) => box.text), why.charAt(0).toUpperCase() + why.slice(1)],
             boxes.length ? boxes[0].caption : '');
      return;
    }
    current = { name: fileName, bytes };
    // The whole first frame is on the canvas now (ms since navigation).
    if (page.firstFrameAt === null)
      page.firstFrameAt = performance.now();
    showCaption();
    fullScreenButton.disabled = false;
    if (hooks.ticks)
      player._vesper_tick(hooks.ticks);
    if (hooks.paused) {
      page.state = 'paused';
    } else {
      page.state = 'playing';
      frameRequest = requestAnimationFrame(onFrame);
    }
  }

  function refuseLarge(name, size) {
    const limit = `${kLargestFile / 1048576} MB`;
    refuse([`${name} is larger than ${limit} (${size.toLocaleString('en')} bytes): the page plays files of up to ${limit}.`]);
  }

  // Plays a chosen file's bytes once the player has started: a file chosen
  // while the player is still loading waits for it.
  async function playChoice(name, bytes, superseded) {
    const startProblem = await playerStart;
    if (superseded())
      return;
    if (startProblem)
      return refuse([startProblem]);
    clearProblem();
    play(name, bytes);
  }

  async function openFile(file) {
    if (!file)
      return;
    const superseded = choose(file.name);
    if (file.size > kLargestFile)
      return refuseLarge(file.name, file.size);
    try {
      await playChoice(file.name, await file.arrayBuffer(), superseded);
    } catch (error) {
      if (!superseded())
        refuse([`${file.name} cannot be read: ${error.message}`]);
    }
  }

  // Fetches a file of this page's own site, refusing one over the limit
  // before it is all read.
  async function openAddress(address) {
    const superseded = choose(address);
    let url;
    try {
      url = new URL(address, location.href);
    } catch (badAddress) {
      return refuse([`${address} is not an address.`]);
    }
    const name = decodeURIComponent(url.pathname.split('/').pop() || 'scene');
    if (url.origin !== location.origin)
      return refuse([`${address} is not on this page's site: the page opens files of ${location.origin} only.`]);
    try {
      const response = await fetch(url, { credentials: 'same-origin' });
      if (superseded())
        return response.body?.cancel();
      if (!response.ok)
        return refuse([`${name} cannot be fetched: ${response.status} ${response.statusText}`]);
      const declared = Number(response.headers.get('Content-Length') || 0);
      if (declared > kLargestFile)
        return refuseLarge(name, declared);
      const reader = response.body.getReader();
      const parts = [];
      let size = 0;
      for (;;) {
        const { done, value } = await reader.read();
        if (superseded())
          return reader.cancel();
        if (done)
          break;
        size += value.length;
        if (size > kLargestFile) {
          reader.cancel();
          return refuseLarge(name, size);
        }
        parts.push(value);
      }
      const bytes = new Uint8Array(size);
      let at = 0;
      for (const part of parts) {
        bytes.set(part, at);
        at += part.length;
      }
      await playChoice(name, bytes.buffer, superseded);
    } catch (error) {
      if (!superseded())
        refuse([`${name} cannot be fetched: ${error.message}`]);
    }
  }

  // Full screen, held awake while it plays there, ended as saving ends.
  let leaveStart = null;
  function leaveOnInput(event) {
    if (event.type === 'mousemove') {
      if (!leaveStart) {
        leaveStart = { x: event.screenX, y: event.screenY };
        return;
      }
      if (Math.abs(event.screenX - leaveStart.x) <= kMoveToLeave && Math.abs(event.screenY - leaveStart.y) <= kMoveToLeave)
        return;
    }
    event.preventDefault();
    if (document.fullscreenElement)
      document.exitFullscreen().catch(() => {});
  }
  const kLeavingEvents = ['keydown', 'mousedown', 'mousemove', 'touchstart'];

  async function enterFullScreen() {
    if (!current || document.fullscreenElement)
      return;
    try {
      await screen.requestFullscreen({ navigationUI: 'hide' });
    } catch (error) {
      return showProblem([`Full screen is not allowed here: ${error.message}`]);
    }
    clearProblem();
    try {
      wakeLock = await navigator.wakeLock.request('screen');
      page.wakeLock = 'held';
      wakeLock.addEventListener('release', () => { page.wakeLock = 'released'; });
    } catch (refused) {
      page.wakeLock = 'refused';
    }
    leaveStart = null;
    // Input that entered full screen is not input that leaves it.
    setTimeout(() => {
      if (document.fullscreenElement)
        for (const type of kLeavingEvents)
          window.addEventListener(type, leaveOnInput, true);
    }, 200);
  }

  document.addEventListener('fullscreenchange', () => {
    if (document.fullscreenElement)
      return;
    for (const type of kLeavingEvents)
      window.removeEventListener(type, leaveOnInput, true);
    if (wakeLock) {
      wakeLock.release().catch(() => {});
      wakeLock = null;
    }
    fullScreenButton.focus();
  });

  // A new size of the screen area is a new stage: the file starts again on it.
  let resizeTimer = 0;
  new ResizeObserver(() => {
    clearTimeout(resizeTimer);
    resizeTimer = setTimeout(() => {
      if (!player)
        return;
      const before = page.stage;
      layoutStage();
      if (current && (before.width !== page.stage.width || before.height !== page.stage.height))
        play(current.name, current.bytes);
    }, 100);
  }).observe(screen);

  function setSpeed(value) {
    const clamped = Math.min(100, Math.max(1, Math.round(Number(value)) || 100));
    speed.value = String(clamped);
    page.speed = clamped;
    if (player)
      player._vesper_set_speed(clamped);
    return clamped;
  }

  // The player's configuration dialog: the scene's title and credit, and the
  // speed, kept on OK and left as it was on Cancel (or Escape).
  function openConfiguration() {
    speed.value = String(page.speed);
    $('configurationTitle').textContent = page.title;
    $('configurationCredit').textContent = page.credit;
    configuration.returnValue = '';
    configuration.showModal();
    speed.focus();
  }

  configuration.addEventListener('close', () => {
    if (configuration.returnValue === 'ok') {
      const chosen = setSpeed(speed.value);
      try {
        localStorage.setItem(kSpeedKey, String(chosen));
      } catch (storageRefused) {
        // The speed then lasts as long as the page.
      }
    } else {
      speed.value = String(page.speed);
    }
    $('settings').focus();
  });
  $('settings').addEventListener('click', openConfiguration);
  $('picker').addEventListener('change', (event) => {
    openFile(event.target.files[0]);
    event.target.value = '';
  });
  $('demo').addEventListener('click', () => openAddress('demo.scene'));
  fullScreenButton.addEventListener('click', enterFullScreen);
  screen.addEventListener('dragover', (event) => {
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
    screen.classList.add('dragging');
  });
  screen.addEventListener('dragleave', () => screen.classList.remove('dragging'));
  screen.addEventListener('drop', (event) => {
    event.preventDefault();
    screen.classList.remove('dragging');
    openFile(event.dataTransfer.files[0]);
  });
  // A file dropped beside the screen area is not opened by the browser instead.
  window.addEventListener('dragover', (event) => event.preventDefault());
  window.addEventListener('drop', (event) => event.preventDefault());

  // Resolves once the player has started: to '', or to why it cannot.
  const playerStart = VesperModule({
    // Nothing on the page types into the player: without this, a read of its
    // standard input would open the browser's own prompt box.
    stdin() {
      return null;
    },
    vesperPresent(rgba, left, top, width, height) {
      const pixels = new Uint8ClampedArray(player.HEAPU8.buffer, rgba, width * height * 4);
      context.putImageData(new ImageData(pixels, width, height), left, top);
    },
    vesperMessageBox(captionBytes, textBytes) {
      boxes.push({ caption: decodeText(captionBytes), text: decodeText(textBytes) });
    },
    vesperCaption(bytes) {
      const text = decodeText(bytes);
      const bar = text.indexOf('|');
      page.title = bar < 0 ? text : text.slice(0, bar);
      page.credit = bar < 0 ? '' : text.slice(bar + 1);
    },
  }).then((module) => {
    player = module;
    player._vesper_start();
    player.FS.mkdir(kFilesDirectory);
    // Files are named as the person named them, in messages too.
    player.FS.chdir(kFilesDirectory);
    let stored = null;
    try {
      stored = localStorage.getItem(kSpeedKey);
    } catch (storageRefused) {
      stored = null;
    }
    setSpeed(stored === null ? 100 : stored);
    if (!choices)
      page.state = 'ready';
    return '';
  }, (error) => {
    const problem = `The player cannot start in this browser: ${error.message}`;
    refuse([problem]);
    return problem;
  });
  // The file named in the address is fetched while the player loads.
  if (params.has('scene'))
    openAddress(params.get('scene'));
})();
