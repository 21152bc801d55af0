// SPDX-License-Identifier: MIT
// The web page in each browser engine, Chromium, Firefox and WebKit (the
// engine a parameter; VENDRASK_ENGINES=chromium,... picks some), driven by
// real input events through each engine's automation and watched through its
// frames, its canvas and what it says. Its frames are compared with the
// desktop's (VENDRASK_STARTUP_FRAMES, a PPM written by the picture test);
// VENDRASK_WEB_PAGE is the folder `make web` builds. Firefox and WebKit need
// an X display that never resets, as `make web-test` gives them:
// xvfb-run -a -s "-screen 0 1280x1024x24 -noreset".
import { parse } from 'acorn';
import assert from 'node:assert/strict';
import { createHash } from 'node:crypto';
import { cpSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { bound, boundAll, engines, serve, start, step, where } from './browser.mjs';

const width = 600;     // canvas, pixels
const height = 512;    // canvas, pixels
const startupLine = 'Initializing landscape[513][513]';
const folder = process.env.VENDRASK_WEB_PAGE;
const axe = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'));

// Loaded by the page before its own scripts (or put into it once loaded):
// counts frames (each begins with a clear) and animation ticks, reads a frame
// back right after it is drawn, before the browser shows it and lets go of its
// pixels, and keeps what the page writes to the console (its warnings with
// its errors) and any error left uncaught. The first two frames are read from
// the start. The page's address asks for more: `hold` holds frames after the
// second until the test lets them go; `plain` keeps colour material off in
// the page's shaders, as a negative control; `nowebgl` makes a browser
// without WebGL, `nofullscreen` one without full screen (an iPhone's; with
// `=frame`, a frame that does not allow it), `nowasm` one with WebAssembly
// switched off and `oldwasm` one that refuses WebAssembly under the page's
// Content-Security-Policy; `fault` makes a GL call fail inside the program;
// `slow` holds the program back until the test calls go(). Frames larger
// than the desktop's are read back brought down to its size, each pixel the
// mean of those it covers.
function instrument() {
  const options = new URLSearchParams(location.search);
  const gl = WebGLRenderingContext.prototype;
  if (options.has('plain')) {
    const original = gl.getUniformLocation;
    gl.getUniformLocation = function (program, name) {
      return name === 'u_colour_material' ? null : original.call(this, program, name);
    };
  }
  if (options.get('nofullscreen') === 'frame') {
    for (const name of ['fullscreenEnabled', 'webkitFullscreenEnabled']) {
      Object.defineProperty(Document.prototype, name, { get: () => false });
    }
  } else if (options.has('nofullscreen')) {
    delete Element.prototype.requestFullscreen;
    delete Element.prototype.webkitRequestFullscreen;
  }
  if (options.has('oldwasm')) {
    WebAssembly.instantiate = () => Promise.reject(new WebAssembly.CompileError('WebAssembly.instantiate(): Refused '
      + 'to compile or instantiate WebAssembly module because \'unsafe-eval\' is not an allowed source of script'));
  }
  if (options.has('nowebgl')) {
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
      return type.includes('webgl') ? null : getContext.call(this, type, ...rest);
    };
  }
  const t = {
    frames: 0, ticks: 0, wanted: 2, grabbed: [], hold: options.has('hold'), lines: [], errors: [],
    contextMenus: 0, violations: 0, modifiedKeysPrevented: 0, program: null, statusAtFirstFrame: null, asked: 0, keysPrevented: 0,
  };
  const go = new Promise((resolve) => { t.go = resolve; });
  window.vendraskTest = t;
  for (const [level, into] of [['log', t.lines], ['info', t.lines], ['warn', t.errors], ['error', t.errors]]) {
    const original = console[level];
    console[level] = (...args) => {
      into.push(args.join(' '));
      original.apply(console, args);
    };
  }
  const uncaught = [];  // read once every listener has had the event
  Object.defineProperty(t, 'uncaught', {
    enumerable: true,
    get: () => uncaught.filter((e) => !e.defaultPrevented).map((e) => String(e.error ?? e.reason ?? e.message)),
  });
  window.addEventListener('error', (event) => uncaught.push(event));
  window.addEventListener('unhandledrejection', (event) => uncaught.push(event));
  const read = (c) => {
    const [w, h] = [c.drawingBufferWidth, c.drawingBufferHeight];
    const rgba = new Uint8Array(4 * w * h);
    c.readPixels(0, 0, w, h, c.RGBA, c.UNSIGNED_BYTE, rgba);
    const [W, H] = [Math.min(w, 600), Math.min(h, 512)];
    const sum = new Float64Array(4 * W * H);  // per pixel brought down: red, green, blue, count
    for (let y = 0; y < h; y += 1) {
      for (let x = 0, to = 4 * (Math.floor(((h - 1 - y) * H) / h) * W); x < w; x += 1) {
        const [i, k] = [4 * (y * w + x), to + 4 * Math.floor((x * W) / w)];
        [rgba[i], rgba[i + 1], rgba[i + 2], 1].forEach((v, c) => { sum[k + c] += v; });
      }
    }
    let rgb = '';  // rows from the top, as the desktop's frames
    for (let k = 0; k < sum.length; k += 4) {
      rgb += String.fromCharCode(...[0, 1, 2].map((c) => Math.round(sum[k + c] / sum[k + 3])));
    }
    return btoa(rgb);
  };
  const clear = gl.clear;
  gl.clear = function (mask) {
    t.frames += 1;
    t.statusAtFirstFrame ??= document.getElementById('status').textContent;
    if (t.wanted > 0) {
      t.wanted -= 1;
      queueMicrotask(() => t.grabbed.push(read(this)));
    }
    return clear.call(this, mask);
  };
  if (options.has('fault')) {
    const drawArrays = gl.drawArrays;
    gl.drawArrays = function (...args) {
      if (t.frames > 3) {
        throw new Error('the test has broken drawArrays');
      }
      return drawArrays.apply(this, args);
    };
  }
  // The first frames come late, as on a busy machine: the view must still
  // turn once per frame shown, not by the time that passed.
  const animate = window.requestAnimationFrame.bind(window);
  const later = (f) => (t.hold ? setTimeout(() => later(f), 20) : animate(f));
  window.requestAnimationFrame = (f) => (t.frames < 2 ? setTimeout(() => animate(f), 100) : later(f));
  const tick = () => {
    t.ticks += 1;
    animate(tick);
  };
  animate(tick);
  window.addEventListener('contextmenu', (event) => {
    t.contextMenus += event.defaultPrevented ? 0 : 1;
  });
  document.addEventListener('securitypolicyviolation', () => { t.violations += 1; });
  const preventDefault = Event.prototype.preventDefault;
  Event.prototype.preventDefault = function () {
    t.modifiedKeysPrevented += this.type === 'keydown' && (this.ctrlKey || this.altKey || this.metaKey) ? 1 : 0;
    t.keysPrevented += this.type === 'keydown' ? 1 : 0;
    return preventDefault.call(this);
  };
  window.addEventListener('pointerdown', (event) => { t.pointerId = event.pointerId; }, true);
  const register = navigator.serviceWorker?.register;  // the worker's last state, in t.worker
  if (register) {
    navigator.serviceWorker.register = (...args) => register.apply(navigator.serviceWorker, args).then((r) => {
      r.installing?.addEventListener('statechange', (event) => { t.worker = event.target.state; });
      return r;
    });
  }
  navigator.serviceWorker?.addEventListener('message', (event) => { t.asked += event.data === 'settled?' ? 1 : 0; });
  if (options.has('nowasm')) {
    delete window.WebAssembly;
    return;
  }
  const instantiate = WebAssembly.instantiate;
  WebAssembly.instantiate = (...args) => (options.has('slow') ? go : Promise.resolve()).then(() => instantiate(...args)).then((made) => {
    const [section] = WebAssembly.Module.customSections(made.module, 'release');
    t.program = section ? new TextDecoder().decode(section) : null;
    return made;
  });
}

// Another script on the page, such as a browser extension's: an error, a
// rejection and a ResizeObserver loop, none of them handled.
function foreignErrors() {
  setTimeout(() => { throw new Error('a foreign error'); });
  Promise.reject(new Error('a foreign rejection'));
  const box = document.body.appendChild(document.createElement('div'));
  new ResizeObserver(() => { box.style.height ||= '1px'; }).observe(box);
}

// Waits for `condition` (run in the page, given `arg`) to hold; `across` a
// navigation, a page that cannot answer yet has not.
async function until(page, condition, arg, failure, across = false) {
  const holds = () => page.evaluate(condition, arg).catch((error) => (across ? false : Promise.reject(error)));
  for (const end = Date.now() + bound; !(await holds()); await new Promise((r) => setTimeout(r, 50))) {
    assert.ok(Date.now() < end, `${where()}: ${failure ?? `never: ${condition}`}`);
  }
}

const state = (page, what) => page.evaluate((w) => window.vendraskTest[w], what);
const status = (page) => page.evaluate(() => [document.getElementById('status').textContent,
  !document.getElementById('restart').hidden]);

async function press(page, key) {
  await page.keyDown(key);
  await page.keyUp(key);
}

// The middle of an element on the screen, in CSS pixels.
const centre = (page, selector) => page.evaluate((s) => {
  const box = document.querySelector(s).getBoundingClientRect();
  return [box.x + box.width / 2, box.y + box.height / 2];
}, selector);

async function click(page, selector, button = 'left') {
  await page.move(...(await centre(page, selector)));
  await page.down(button);
  await page.up(button);
}

// The frame read back `i`th (from 0), once it has been.
async function grabbed(page, i) {
  await until(page, (k) => window.vendraskTest.grabbed.length > k, i, `fewer than ${i + 1} frames read back`);
  return Buffer.from(await page.evaluate((k) => window.vendraskTest.grabbed[k], i), 'base64');
}

// A frame read back once the page has drawn a few more: by then it has
// handled all input sent before, however slowly it draws.
async function afterInput(page) {
  const n = await state(page, 'frames');
  await until(page, (k) => window.vendraskTest.frames >= k, n + 4);
  const count = await page.evaluate(() => {
    window.vendraskTest.wanted = 1;
    return window.vendraskTest.grabbed.length;
  });
  return grabbed(page, count);
}

// The picture after input, once two pictures some frames apart agree.
async function settled(page) {
  let last = await afterInput(page);
  for (let i = 0; i < 20; i += 1) {
    const now = await afterInput(page);
    if (now.equals(last)) {
      return now;
    }
    last = now;
  }
  assert.fail(`${where()}: the picture never held still`);
}

// The viewer has stopped: the page says so (`words`), offers to start again
// or not, and, over ten more animation ticks, draws no frame; no error but
// the `leftToBrowser` ones went unhandled.
async function expectStopped(page, words, restart = true, leftToBrowser = 0) {
  await until(page, (w) => document.getElementById('status').textContent.includes(w), words, `not said: ${words}`);
  assert.equal((await status(page))[1], restart, `"Start again" offered: ${await status(page)}`);
  const frames = await state(page, 'frames');
  const ticks = await state(page, 'ticks');
  await until(page, (k) => window.vendraskTest.ticks >= k, ticks + 10);
  assert.equal(await state(page, 'frames'), frames, 'a frame was drawn after the viewer stopped');
  assert.equal((await state(page, 'uncaught')).length, leftToBrowser, `uncaught errors: ${await state(page, 'uncaught')}`);
}

// Pixel counts that the probes below rest on.
function measure(rgb) {
  const m = { lit: 0, coloured: 0, blue: 0, blueOverGround: 0, fogFar: 0, fogNear: 0, skyLit: 0 };
  for (let i = 0; i < rgb.length; i += 3) {
    const [r, g, b] = [rgb[i], rgb[i + 1], rgb[i + 2]];
    const y = Math.floor(i / 3 / width);
    if (r + g + b === 0) {
      continue;
    }
    m.lit += 1;
    m.skyLit += y < 40 ? 1 : 0;
    m.coloured += Math.max(r, g, b) - Math.min(r, g, b) > 40 ? 1 : 0;
    if (b > r + 60 && b > g + 60) {
      m.blue += 1;
      m.blueOverGround += r > 15 || g > 15 ? 1 : 0;
    }
    if (Math.max(Math.abs(r - 128), Math.abs(g - 128), Math.abs(b - 128)) <= 12) {
      m[y < 300 ? 'fogFar' : 'fogNear'] += 1;
    }
  }
  return m;
}

// Pixels whose colour differs by more than a tenth of full scale; at most a
// thousandth of them may, for two pictures to be the same in Chromium, which
// draws with SwiftShader; none in Firefox and WebKit, which draw with the
// desktop's own rasteriser (so `allowed` for the engine is given where a
// picture must match the desktop's, and `allowed` itself where two must
// differ).
function differing(a, b) {
  let n = 0;
  for (let i = 0; i < a.length; i += 3) {
    n += [0, 1, 2].some((c) => Math.abs(a[i + c] - b[i + c]) > 25) ? 1 : 0;
  }
  return n;
}
const allowed = (width * height) / 1000;
const allowedIn = (engine) => (engine === 'chromium' ? allowed : 0);

// Two pictures alike in the large, however large each was drawn: blocks of
// 10 × 8 pixels whose mean colours differ by more than a tenth, and at most
// a fiftieth of them may.
function blocksDiffering(a, b) {
  const means = (rgb) => {
    const sum = new Float64Array(60 * 64 * 3);
    rgb.forEach((v, i) => {
      const p = Math.floor(i / 3);
      sum[3 * (Math.floor(p / width / 8) * 60 + Math.floor((p % width) / 10)) + (i % 3)] += v / 80;
    });
    return sum;
  };
  return differing(means(a), means(b));
}
const blocksAllowed = (60 * 64) / 50;

// The desktop's frames: the first two, then the view held still at detail
// levels 0 to 4, and at level 2 with the next landscape.
function desktopFrames() {
  const ppm = readFileSync(process.env.VENDRASK_STARTUP_FRAMES);
  const size = width * height * 3;
  const pixels = ppm.subarray(ppm.length - 8 * size);
  return Array.from({ length: 8 }, (_, i) => pixels.subarray(i * size, (i + 1) * size));
}

// The drawing buffer is the device pixels the canvas covers, as the browser
// tells them, within 4,096 on its longer side and in their shape; the
// viewport is the whole buffer; and `frame`, read from it, is `reference`
// in the large: the picture fills the buffer.
async function drawnSharp(page, where, frame, reference) {
  await until(page, () => new Promise((resolve) => {
    const canvas = document.querySelector('canvas');
    new ResizeObserver(([entry], observer) => {
      observer.disconnect();
      const { inlineSize, blockSize } = entry.devicePixelContentBoxSize[0];
      const scale = Math.min(1, 4096 / Math.max(inlineSize, blockSize));
      const gl = canvas.getContext('webgl');
      const [, , w, h] = gl.getParameter(gl.VIEWPORT);
      resolve(canvas.width === Math.floor(inlineSize * scale) && canvas.height === Math.floor(blockSize * scale)
        && w === gl.drawingBufferWidth && h === gl.drawingBufferHeight);
    }).observe(canvas, { box: 'device-pixel-content-box' });
  }), null, `${where}: the drawing buffer is not the device pixels the canvas covers`);
  const n = blocksDiffering(await frame(), reference);
  assert.ok(n <= blocksAllowed, `${where}: the picture does not fill the drawing buffer: ${n} blocks differ`);
}

// Which release each of the page's files came from, as the test's server
// marked them: the page's footer, its scripts and the program.
const releases = (page) => page.evaluate(() => [/Vendrask (\S+)\./.exec(document.querySelector('footer').textContent)[1],
  ...self.vendraskServed.map((s) => s.split(' ')[1]), window.vendraskTest.program]);

// What axe-core finds against WCAG 2.1 A and AA and its best practices.
async function accessibility(page) {
  await page.evaluate(() => new Promise((resolve) => {
    document.head.append(Object.assign(document.createElement('script'), { src: 'axe.min.js', onload: resolve }));
  }));
  return page.evaluate(() => window.axe.run(document, {
    runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'] },
  }).then((r) => r.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`)));
}

// Holds a press by `begin` and checks the eye moves while it lasts, then
// ends it by `end` and checks the eye stops at once: input is handled before
// the frames after it are drawn.
async function holdAndLetGo(page, what, begin, end) {
  const before = await settled(page);
  await begin();
  assert.ok(!(await afterInput(page)).equals(before), `${what}: the eye did not move`);
  await end();
  const after = await afterInput(page);
  assert.ok((await afterInput(page)).equals(after), `${what}: the eye moves on after the press has ended`);
}

// What an engine's automation cannot do here, said once, with the reason.
function cannot(engine, what, why) {
  console.log(`${engine}: ${what} not tested here: ${why}; Chromium covers it`);
}

for (const engine of process.env.VENDRASK_ENGINES?.split(',') ?? engines) {
  test(`in ${engine}, the page draws the desktop landscape, is steered like the desktop program, works offline, updates whole and says what keeps it from running`, async () => {
    const desktop = desktopFrames();
    const files = { 'vendrask-test.js': `(${instrument})();\n`, 'axe.min.js': axe, 'foreign.js': `(${foreignErrors})();\n` };
    const servers = [];
    const serveNew = async (host = {}) => servers[servers.push(await serve(folder, { files, inject: 'vendrask-test.js', ...host })) - 1];
    // A host whose answers the browser may keep for ten minutes and that
    // vary by what the browser accepts, with no page at a folder's address.
    const server = await serveNew({ headers: { 'Cache-Control': 'max-age=600', Vary: 'Accept' }, folderIndex: false });
    const browser = await start(engine);
    // WebKitWebDriver types the main keyboard's "+" as "=", and gives a
    // right or middle button's press and release no Pointer Events.
    const plus = engine === 'webkit' ? 'NumpadAdd' : '+';
    const buttons = engine === 'webkit' ? ['left'] : ['left', 'right'];
    if (engine === 'webkit') {
      cannot(engine, 'the right and middle buttons', 'WebKitWebDriver gives their presses no Pointer Events');
    }
    try {
      step('the first frames');
      const page = await browser.open(`${server.url}index.html?hold`);
      const [first, second] = [await grabbed(page, 0), await grabbed(page, 1)];

      // The desktop's first two frames, side by side: the start-up view, then
      // one turn of the rate, so the page calls idle once per frame shown.
      for (const [i, frame] of [first, second].entries()) {
        const n = differing(frame, desktop[i]);
        console.log(`${engine}: frame ${i + 1}: ${n} of ${width * height} pixels differ from the desktop's`);
        assert.ok(n <= allowedIn(engine), `frame ${i + 1} differs from the desktop's in ${n} pixels`);
      }
      assert.ok(differing(second, desktop[0]) > allowed, 'control: the second frame has turned');
      assert.equal(await state(page, 'statusAtFirstFrame'), 'Growing the landscape…', 'said while growing');
      await until(page, (line) => window.vendraskTest.lines.includes(line), startupLine, 'no start-up line in the console');

      // Probes, each with a negative control: black sky, coloured ground, blue
      // water with the ground showing through, fog grey far away but not near.
      const seen = measure(first);
      assert.equal(seen.skyLit, 0, 'the sky is black');
      assert.ok(seen.lit > 0.05 * width * height, 'control: the landscape is not black');
      assert.ok(seen.coloured > 0.2 * seen.lit, `coloured ground: ${seen.coloured} of ${seen.lit}`);
      assert.ok(seen.blue > 500 && seen.blueOverGround > 0.25 * seen.blue, `translucent water: ${seen.blue}`);
      assert.ok(seen.fogFar > 500, `fog grey far ground: ${seen.fogFar}`);
      assert.ok(seen.fogNear < 200, `control: near ground is not fogged: ${seen.fogNear}`);

      // "a" stops the turning; then "+" and "-" walk the detail levels from 2
      // down to 0 (and no further) and up to 4, each level's picture the
      // desktop's and not the level's before it.
      step('the detail levels');
      await press(page, 'a');
      await page.evaluate(() => { window.vendraskTest.hold = false; });
      let still = await settled(page);
      let previous = still;
      const counts = [];
      for (const [key, level] of [[plus, 1], [plus, 0], [plus, 0], ['-', 1], ['-', 2], ['-', 3], ['-', 4]]) {
        await press(page, key);
        const now = await settled(page);
        const n = differing(now, desktop[2 + level]);
        counts.push(`${level}: ${n}`);
        assert.ok(n <= allowedIn(engine), `level ${level} differs from the desktop's in ${n} pixels`);
        assert.ok(now.equals(previous) === (key === plus && level === 0 && counts.length === 3), `"${key}" to level ${level}`);
        previous = now;
      }
      console.log(`${engine}: pixels differing from the desktop's at levels ${counts.join(', ')}`);
      assert.ok(differing(still, desktop[2 + 2]) <= allowedIn(engine) && differing(still, desktop[2 + 1]) > allowed, 'control: levels differ');
      for (const key of ['-', plus, plus, plus]) {
        await press(page, key);
      }
      assert.ok((await settled(page)).equals(still), 'back at level 2, the picture is not the same');
      // "r" grows the next landscape, the desktop's next, here while the
      // browser has taken the graphics away: the page says so, offers to
      // start again and draws nothing. When they are given back, the viewer
      // draws on as it was, and so after more losses in a row, with "+" and
      // "-" pressed during one.
      const graphics = (what) => page.evaluate((w) => {
        window.vendraskTest.context ??= document.querySelector('canvas').getContext('webgl').getExtension('WEBGL_lose_context');
        window.vendraskTest.context[w]();
      }, what);
      for (const [i, keys] of [['r'], [], [plus, '-']].entries()) {
        step(`graphics lost and restored, ${i + 1} of 3`);
        await graphics('loseContext');
        await expectStopped(page, 'The browser has taken the graphics away.');
        for (const key of keys) {
          await press(page, key);
        }
        await graphics('restoreContext');
        await until(page, () => document.getElementById('status').textContent === '', null, 'still said: the graphics are away');
        const renewed = await settled(page);
        if (i === 0) {
          const n = differing(renewed, desktop[7]);
          console.log(`${engine}: the next landscape: ${n} pixels differ from the desktop's`);
          assert.ok(n <= allowedIn(engine) && differing(renewed, still) > allowed, `the next landscape differs in ${n} pixels`);
          still = renewed;
        }
        assert.ok(renewed.equals(still), `after loss ${i + 1}, not the view before it`);
      }

      // Upper-case letters do nothing; "+" on the keypad works as "+" does.
      step('keys');
      for (const key of ['A', 'R', 'Q']) {
        await press(page, key);
      }
      assert.ok((await settled(page)).equals(still), 'an upper-case letter changed the view');
      await press(page, '-');
      const coarser = await settled(page);
      await press(page, 'NumpadAdd');
      assert.ok((await settled(page)).equals(still), 'keypad "+" did not make the mesh finer again');
      // On a German layout "+" has its own key, the one that gives "=" on a
      // US layout.
      if (engine === 'chromium') {
        await press(page, '-');
        const devtools = boundAll(await page.native.createCDPSession());
        for (const type of ['keyDown', 'keyUp']) {
          await devtools.send('Input.dispatchKeyEvent',
            { type, key: '+', code: 'BracketRight', windowsVirtualKeyCode: 187, text: type === 'keyDown' ? '+' : undefined });
        }
        assert.ok((await settled(page)).equals(still), '"+" on a German layout did not make the mesh finer again');
        assert.deepEqual((await devtools.send('Page.getInstallabilityErrors')).installabilityErrors, []);
        // Full screen draws the landscape in as many pixels as it is shown
        // at, and leaving it, in 600 × 512 again.
        await click(page, '#fullscreen');
        await drawnSharp(page, 'in full screen', () => afterInput(page), desktop[7]);
        assert.ok(await page.evaluate(() => document.querySelector('canvas').width > 600), 'full screen is no larger');
        await click(page, '#fullscreen');
        await until(page, () => document.querySelector('canvas').width === 600, null, 'full screen not left');
      } else {
        cannot(engine, 'a German keyboard layout and installability', 'its automation sets no key code and has no installability verdict');
      }
      // With Ctrl, Alt or Meta a key is the browser's: "d" would turn the view.
      for (const modifier of ['Control', 'Alt', 'Meta']) {
        await page.keyDown(modifier);
        await press(page, 'd');
        await page.keyUp(modifier);
      }
      assert.ok((await settled(page)).equals(still), 'a key with a modifier changed the view');
      assert.equal(await state(page, 'modifiedKeysPrevented'), 0, 'a key with a modifier lost its meaning to the browser');

      // The page's key buttons, by pointer and, focused, by Enter and Space.
      step('the page\'s buttons');
      await click(page, '[data-key="-"]');
      assert.ok((await settled(page)).equals(coarser), 'the "-" button did not coarsen the mesh');
      await click(page, '[data-key="+"]');
      assert.ok((await settled(page)).equals(still), 'the "+" button did not make the mesh finer again');
      const focus = (selector) => page.evaluate((s) => document.querySelector(s).focus(), selector);
      for (const [key, control, after] of [['Enter', '-', coarser], [' ', '+', still]]) {
        await focus(`[data-key="${control}"]`);
        await press(page, key);
        assert.ok((await settled(page)).equals(after), `${JSON.stringify(key)} did not press the focused "${control}" button`);
      }
      // Every key the program knows has its button, which hands the program
      // what the key does, here held back from it.
      const keyTable = ['+', '-', 'a', 'd', 'w', 's', 'r', 'q'];
      const clickOn = (selector) => page.evaluate((s) => document.querySelector(s).click(), selector);
      assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll('[data-key]')].map((b) => b.dataset.key)), keyTable);
      await page.evaluate(() => {
        Object.assign(window.vendraskTest, { keys: [], key: window.Module._vendrask_key });
        window.Module._vendrask_key = (c) => window.vendraskTest.keys.push(String.fromCharCode(c));
      });
      for (const key of keyTable) {
        await press(page, key === '+' ? plus : key);
        await clickOn(`[data-key="${key}"]`);
      }
      assert.deepEqual(await state(page, 'keys'), keyTable.flatMap((key) => [key, key]), 'the keys and their buttons');
      await page.evaluate(() => { window.Module._vendrask_key = window.vendraskTest.key; });

      // Every way a held press ends lets go of the button: a button on the
      // landscape released outside it; "In" and "Out" released, left by the
      // pointer, and held by Enter or Space until the key is up or the focus
      // has gone. In and out by turns, so the eye stays near where it was.
      step('held presses');
      const [cx, cy] = await centre(page, 'canvas');
      const pointerPresses = [...buttons.map((b) => [`the ${b} button`, 'canvas', b, [cx + width / 2 + 100, cy]]),
        ['a control released', '[data-button="0"]', 'left', null],
        ['a control left by the pointer', '[data-button="2"]', 'left', await centre(page, 'h1')]];
      for (const [what, at, button, to] of pointerPresses) {
        await holdAndLetGo(page, what, async () => {
          await page.move(...(await centre(page, at)));
          await page.down(button);
        }, async () => {
          if (to) {
            await page.move(...to);
          }
          await page.up(button);
        });
      }
      for (const [key, control, ending] of [[' ', '0', 'up'], ['Enter', '2', 'up'], [' ', '2', 'blur'], ['Enter', '0', 'blur']]) {
        await holdAndLetGo(page, `${JSON.stringify(key)} on a control, ended by ${ending}`, async () => {
          await focus(`[data-button="${control}"]`);
          await page.keyDown(key);
        }, async () => {
          if (ending === 'blur') {
            await focus('canvas');
          }
          await page.keyUp(key);
        });
      }
      await focus('#fullscreen');
      await page.keyDown('Shift');
      await press(page, 'Tab');
      await page.keyUp('Shift');
      assert.deepEqual(await page.evaluate(() => [document.activeElement.tagName, getComputedStyle(document.activeElement).outlineStyle]),
        ['CANVAS', 'solid'], 'keyboard focus on the canvas is not shown');
      // "In" and "Out" clicked alone, as assistive technology does, hold
      // until clicked again or another control is used, and say so.
      const pressedSaid = (control) => page.evaluate((c) => document.querySelector(`[data-button="${c}"]`).getAttribute('aria-pressed'), control);
      for (const [control, ending] of [['0', '[data-button="0"]'], ['2', '[data-key="-"]']]) {
        await holdAndLetGo(page, `"${control}" clicked alone, ended by a click on ${ending}`, async () => {
          await clickOn(`[data-button="${control}"]`);
          assert.equal(await pressedSaid(control), 'true', 'a control held by a click does not say it is pressed');
        }, async () => {
          await clickOn(ending);
          assert.equal(await pressedSaid(control), 'false', 'a control let go still says it is pressed');
        });
      }
      await clickOn('[data-key="+"]');
      // A mouse's press on the landscape that the browser cancels lets go,
      // and the mouse moved with its button still down holds nothing more.
      await holdAndLetGo(page, 'the left button held, then cancelled', async () => {
        await page.move(cx, cy);
        await page.down('left');
      }, async () => {
        await page.evaluate(() => document.querySelector('canvas').dispatchEvent(new PointerEvent('pointercancel',
          { pointerId: window.vendraskTest.pointerId, pointerType: 'mouse' })));
        await page.move(cx + 1, cy);
      });
      await page.up('left');
      assert.equal(await state(page, 'contextMenus'), 0, 'a context menu opened over the canvas');

      // Accessible; within its Content-Security-Policy; and "q" ends it.
      step('accessibility and "q"');
      assert.deepEqual(await accessibility(page), [], 'accessibility');
      assert.ok(!(await page.evaluate(() => document.getElementById('fullscreen').hidden)), 'control: "Full screen" not shown');
      await press(page, 'q');
      await expectStopped(page, 'The viewer has ended.');
      const prevented = await state(page, 'keysPrevented');
      await press(page, 'd');
      assert.equal(await state(page, 'keysPrevented'), prevented, 'a key taken from the browser after the viewer has ended');
      assert.equal(await state(page, 'violations'), 0, 'Content-Security-Policy violations');
      assert.deepEqual(await state(page, 'errors'), [], 'console errors');

      // Once loaded, the page starts again with its server gone, the same
      // landscape. (The test's own script is put beside the page's in the
      // release's cache.) The graphics are not taken away here: in a page so
      // reloaded, Chromium's renderer has been seen, about once in ten runs,
      // to spin in its own code after loseContext() and answer nothing more;
      // they are taken away above, online, three times.
      step('offline');
      await page.evaluate(async () => {
        const registration = await navigator.serviceWorker.ready;
        await new Promise((resolve) => (registration.active.state === 'activated' ? resolve()
          : registration.active.addEventListener('statechange', resolve)));
        const [release] = (await caches.keys()).filter((name) => name.startsWith(`vendrask ${registration.scope} `));
        await (await caches.open(release)).add('vendrask-test.js');
      });
      await server.stop();
      for (const address of ['', 'index.html']) {  // the folder's, which the host has no page for, and the page's
        await page.goto(`${server.url}${address}`);
        assert.ok((await grabbed(page, 0)).equals(first), `offline at "${address}", the page did not draw its first frame again`);
      }
      await server.start();

      // A second copy of the page on the same host, under /copy/, keeps its
      // files beside the first's. The next release at the first's address:
      // the first load after it is published runs the one before whole, the
      // next runs it whole, and only the cache of the one before has gone.
      step('a second copy and the next release');
      const copy = `vendrask ${server.url}copy/ `;
      await page.goto(`${server.url}copy/index.html`);
      await until(page, (c) => caches.keys().then((names) => names.some((n) => n.startsWith(c))), copy, 'the second copy kept nothing');
      await page.goto(server.url);
      const [before, next] = [server.release, `${server.release}.1`];
      server.release = next;
      // A second tab, its program held back, is loading when the next
      // release is found: the release waits for it, however the browser
      // treats the waiting worker (Chromium stops it meanwhile), and takes
      // over once it has settled; neither tab runs a mix.
      const tab = engine === 'webkit' ? null : await browser.open(`${server.url}index.html?slow`);
      if (!tab) {
        cannot(engine, 'a second tab', 'each page its automation opens is a browser of its own');
      }
      const tookOver = ([mine, kept, c]) => caches.keys().then((names) => {
        const own = names.filter((n) => n.startsWith(mine));
        return own.length === 1 && own[0].startsWith(kept) && names.some((n) => n.startsWith(c));
      });
      const kept = [`vendrask ${server.url} `, `vendrask ${server.url} ${next} `, copy];
      for (const release of [before, next]) {
        await page.reload();
        await until(page, () => window.vendraskTest.program !== null, null, 'the program did not load');
        assert.deepEqual(new Set(await releases(page)), new Set([release]), 'the files of one release');
        if (tab && release === before) {
          await until(tab, () => navigator.serviceWorker.getRegistration().then((r) => r?.waiting && window.vendraskTest.asked > 0),
            null, 'the loading tab was never asked whether it had settled');
          assert.ok(!(await page.evaluate(tookOver, kept)), 'the next release took over while a tab was loading');
          if (engine === 'chromium') {
            const devtools = boundAll(await tab.native.createCDPSession());
            await devtools.send('ServiceWorker.enable');
            await devtools.send('ServiceWorker.stopAllWorkers');
          }
          await tab.evaluate(() => window.vendraskTest.go());
          await until(tab, () => window.vendraskTest.program !== null, null, 'the second tab\'s program did not load');
          assert.deepEqual(new Set(await releases(tab)), new Set([before]), 'the second tab: the files of one release');
        }
        await until(page, tookOver, kept, 'the next release did not take over alone');
      }
      await tab?.close();

      // A page opened from the file system (a release unpacked and
      // double-clicked) draws the landscape.
      step('from a file');
      await page.goto(pathToFileURL(join(folder, 'index.html')).href);
      await until(page, () => document.getElementById('status').textContent === '', null, 'from a file: never started');
      await page.evaluate(instrument);
      assert.ok(measure((await grabbed(page, 0))).lit > 0.05 * width * height, 'from a file: no landscape');
      const bare = mkdtempSync(join(tmpdir(), 'vendrask-page-'));
      cpSync(folder, bare, { recursive: true });
      rmSync(join(bare, 'vendrask.wasm.js'));
      await page.goto(pathToFileURL(join(bare, 'index.html')).href);
      const notThere = 'Vendrask could not load vendrask.wasm.js: it is not in the page\'s folder.';
      await until(page, (w) => document.getElementById('status').textContent === w, notThere, `from a file: not said: ${notThere}`);
      rmSync(bare, { recursive: true });
      await page.close();

      // What keeps the page from running is said on it, each with a fresh
      // server (no service worker keeps the files there).
      // "Start again" offered where it can help, and pressed once the
      // dropped file is there again.
      const tooOld = 'This browser is too old to run Vendrask: it needs Chrome or Edge 97, Firefox 102 or Safari 16, or later.';
      const offline = 'Vendrask could not load vendrask.wasm: the network is down, or the server cannot be reached.';
      const failures = [
        ['?nowebgl', null, 'This browser cannot show the landscape: Vendrask draws with WebGL, which it lacks or has switched off.', false],
        ['', ['missing', 'vendrask.wasm'], 'Vendrask could not load vendrask.wasm: the server answered 404 Not Found.', true],
        ['', ['missing', 'vendrask.js'], 'Vendrask could not load vendrask.js: the server answered 404 Not Found.', true],
        ['', ['dropped', 'vendrask.wasm'], offline, true],
        ['', ['cut', 'vendrask.wasm'], offline, true],
        ['?fault', null, 'Vendrask stopped with an error: the test has broken drawArrays', true],
        ['?oldwasm', null, tooOld, false],
        ['', ['garbled', 'page.js'], tooOld, false],  // as a browser that cannot parse it
        ['?nowasm', null, 'This browser cannot run Vendrask: it has WebAssembly switched off, usually by Lockdown Mode '
          + '(on an iPhone, iPad or Mac) or by its security settings.', false],
        ['', ['policy', 'script-src \'self\''], 'This page\'s server does not let it run Vendrask: its Content-Security-Policy '
          + 'forbids WebAssembly. Whoever hosts the page can allow it (\'wasm-unsafe-eval\') or send no policy of their own.', false],
      ];
      for (const [query, fault, sentence, canRestart] of failures) {
        step(`failing: ${query || fault.join(' ')}`);
        if (fault?.[0] === 'policy' && engine === 'webkit') {
          cannot(engine, 'a host\'s policy that forbids WebAssembly', 'WebKitGTK compiles WebAssembly under that policy, and the page runs');
          continue;
        }
        const failing = await serveNew(fault?.[0] === 'policy' ? { headers: { 'Content-Security-Policy': fault[1] } } : {});
        if (fault && fault[0] !== 'policy') {
          failing[fault[0]].add(fault[1]);
        }
        const broken = await browser.open(`${failing.url}${query}`);
        await expectStopped(broken, sentence, canRestart);
        assert.deepEqual(await state(broken, 'errors'), [sentence], 'console errors');
        console.log(`${engine}: ${query || `${fault.join(' ')}`}: "${(await status(broken))[0]}"`);
        if (fault?.[0] === 'dropped') {
          failing.dropped.clear();
          await click(broken, '#restart button');
          await until(broken, () => window.vendraskTest?.frames > 0 && document.getElementById('status').textContent === '',
            null, '"Start again" did not load the page again', true);
        }
        await broken.close();
      }

      // A host that answers a missing file with the page: the worker keeps
      // nothing, and keeps every file on a visit once it is there.
      step('a host with a single-page app\'s fallback');
      const spa = await serveNew({ fallback: true });
      spa.missing.add('icon.png');
      const visit = await browser.open(spa.url);
      await until(visit, () => ['redundant', 'activated'].includes(window.vendraskTest.worker), null, 'the worker never ended');
      assert.equal(await state(visit, 'worker'), 'redundant', 'the worker kept the page in place of a missing file');
      spa.missing.clear();
      await visit.reload();
      await until(visit, (scope) => caches.keys().then((names) => names.find((n) => n.startsWith(scope)))
        .then((name) => name && caches.open(name)).then((cache) => cache?.match('icon.png'))
        .then((icon) => icon?.headers.get('Content-Type') === 'image/png'), `vendrask ${spa.url} `, 'the icon never kept', true);
      await visit.close();

      // Control: without colour material the ground comes out grey and the
      // water opaque grey. Without full screen, its button is not shown. The
      // page's policy refuses an inline script and eval. Errors of scripts
      // not the page's are left to the browser, and the viewer goes on. The
      // middle button ends the viewer.
      step('controls: no colour material, no full screen, the page\'s policy, foreign errors');
      const plain = await browser.open(`${server.url}index.html?plain&nofullscreen=${engine === 'chromium' ? 'frame' : 'gone'}`);
      assert.ok(await plain.evaluate(() => document.getElementById('fullscreen').hidden), 'a "Full screen" button with no full screen');
      const uncoloured = measure((await grabbed(plain, 0)));
      assert.ok(uncoloured.coloured < 0.05 * uncoloured.lit, `control: grey ground: ${uncoloured.coloured}`);
      assert.ok(uncoloured.blue < 50, `control: no blue water: ${uncoloured.blue}`);
      await plain.evaluate(() => {  // eval run by the page itself, later: the automation's own calls may
        document.head.append(Object.assign(document.createElement('script'), { textContent: 'window.inlineRan = true;' }));
        setTimeout(() => {
          try {
            window.evalRan = (0, eval)('true');
          } catch {
            window.evalRan = false;
          }
        });
      });
      await until(plain, () => window.evalRan !== undefined);
      assert.deepEqual(await plain.evaluate(() => [window.inlineRan === true, window.evalRan]), [false, false], 'an inline script or eval ran');
      await until(plain, () => window.vendraskTest.violations >= 2, null, 'the policy refused nothing');
      const foreign = 3;  // an error, a rejection and a ResizeObserver loop, each left to the browser
      await plain.evaluate(() => document.head.append(Object.assign(document.createElement('script'), { src: 'foreign.js' })));
      await until(plain, (n) => window.vendraskTest.uncaught.length >= n, foreign, 'the foreign errors not raised');
      const frames = await state(plain, 'frames');
      await until(plain, (k) => window.vendraskTest.frames >= k, frames + 5, 'the viewer stopped on a foreign error');
      assert.deepEqual(await status(plain), ['', false], 'said on a foreign error');
      if (engine !== 'webkit') {
        await click(plain, 'canvas', 'middle');
        await expectStopped(plain, 'The viewer has ended.', true, foreign);
      }
      assert.deepEqual(await state(plain, 'errors'), [], 'console errors');
      await plain.close();

      if (engine === 'chromium') {
        await phone(`${server.url}index.html`, desktop[0]);
      } else {
        cannot(engine, 'a phone: its layout, touch and the page\'s buttons there,', 'its automation emulates no phone');
      }
    } finally {
      await browser.close();
      await Promise.all(servers.map((s) => s.stop()));
    }
  });
}

// Phones held either way and tablets, in Chromium's emulation, on a screen
// of 2.75 device pixels to a CSS pixel: the whole landscape is on the screen
// in its shape, sharp, its picture filling the buffer (the desktop's first
// frame in the large); no control covers it, and each can be reached beside
// or below it. On the first, upright: the page is accessible; the page's own
// buttons steer as the keys do; one finger held on the canvas moves the eye
// in, two out, and lifting one of them keeps the eye going out; a touch the
// browser cancels lets go; a pen held moves the eye in until it is lifted;
// and a swipe there scrolls nothing (control: one over the heading does).
// Full screen on a large screen caps the buffer at 4,096 pixels on its
// longer side. With JavaScript off, the page says it needs it.
async function phone(url, firstFrame) {
  step('phones and tablets');
  const chromium = await start('chromium', 2.75);
  try {
    for (const [w, h] of [[390, 844], [844, 390], [375, 667], [667, 375], [768, 1024], [1024, 768]]) {
      await onPhone(chromium.native, url, { width: w, height: h }, firstFrame, w === 390);
    }
    const large = boundAll(await chromium.native.newPage());
    await large.setViewport({ width: 1600, height: 1400, deviceScaleFactor: 2.75 });
    await large.goto(url, { timeout: bound });
    const page = { evaluate: (f, ...args) => large.evaluate(f, ...args) };
    await grabbed(page, 0);
    await large.keyboard.press('a');
    const still = await settled(page);
    await large.click('#fullscreen');
    await drawnSharp(page, 'full screen on a large screen', () => afterInput(page), still);
    const [bw, bh] = await large.$eval('canvas', (c) => [c.width, c.height]);
    assert.ok(Math.max(bw, bh) === 4096 && Math.abs(bw / bh - 600 / 512) < 0.001, `a buffer of ${bw} × ${bh}`);
    await large.setJavaScriptEnabled(false);
    await large.goto(url, { timeout: bound });
    assert.match(await large.$eval('body', (b) => b.innerText), /Vendrask runs in JavaScript, which this browser has switched off/);
    await large.close();
  } finally {
    await chromium.close();
  }
}

async function onPhone(chromium, url, size, firstFrame, upright) {
  step(`a screen of ${size.width} × ${size.height}`);
  const native = boundAll(await chromium.newPage());
  const viewport = { ...size, deviceScaleFactor: 2.75, isMobile: true, hasTouch: true };
  await native.emulate({ viewport, userAgent: 'Mozilla/5.0 (Linux; Android 14) Mobile' });
  await native.goto(url, { timeout: bound });
  const page = { evaluate: (f, ...args) => native.evaluate(f, ...args) };
  await drawnSharp(page, `${size.width} × ${size.height}`, () => grabbed(page, 0), firstFrame);
  const misplaced = await native.evaluate(() => {
    const box = (e) => e.getBoundingClientRect();
    const canvas = box(document.querySelector('canvas'));
    const covers = (b, c = box(document.querySelector('canvas'))) => b.left < c.right && b.right > c.left && b.top < c.bottom && b.bottom > c.top;
    const off = (b) => b.left < -1 || b.top < -1 || b.right > innerWidth + 1 || b.bottom > innerHeight + 1;
    const wrong = [];
    if (off(canvas) || Math.abs(canvas.width / canvas.height - 600 / 512) > 0.01 || document.documentElement.scrollWidth > innerWidth) {
      wrong.push(`the landscape at ${JSON.stringify(canvas)}`);
    }
    for (const control of document.querySelectorAll('#controls button')) {
      control.scrollIntoView({ block: 'nearest' });
      if (covers(box(control)) || off(box(control))) {
        wrong.push(`${control.textContent} at ${JSON.stringify(box(control))}, scrolled by ${scrollY}`);
      }
    }
    return wrong;
  });
  assert.deepEqual(misplaced, [], `${size.width} × ${size.height}: the landscape or controls misplaced`);
  if (!upright) {
    await native.close();
    return;
  }
  assert.deepEqual(await accessibility(page), [], 'accessibility on a phone');
  await native.evaluate(() => window.scrollTo(0, 0));
  await native.tap('[data-key="a"]');
  const held = await settled(page);
  await native.tap('[data-key="-"]');
  assert.ok(!(await settled(page)).equals(held), 'the "-" button did not coarsen the mesh');
  await native.tap('[data-key="+"]');
  assert.ok((await settled(page)).equals(held), 'the "+" button did not make the mesh finer again');
  const devtools = boundAll(await native.createCDPSession());
  const touch = (type, touchPoints = []) => devtools.send('Input.dispatchTouchEvent', { type, touchPoints });
  const [x, y] = await native.$eval('canvas', (c) => [c.getBoundingClientRect().x + 100, c.getBoundingClientRect().y + 100]);
  const [one, two] = [{ x, y, id: 1 }, { x: x + 60, y, id: 2 }];
  const lit = async () => measure(await afterInput(page)).lit;
  for (const [fingers, nearer] of [[[one], true], [[one, two], false]]) {
    const before = measure(await settled(page)).lit;
    await touch('touchStart', fingers);
    const during = await lit();
    assert.ok(nearer ? during > before : during < before, `${fingers.length} finger(s): ${before} to ${during} pixels lit`);
    if (fingers.length === 2) {
      await touch('touchEnd', [two]);
      const lifted = await lit();
      assert.ok(await lit() < lifted, 'with one of two fingers lifted, the eye no longer moves out');
    }
    await touch('touchEnd');
    await settled(page);
  }
  await holdAndLetGo(page, 'a touch the browser cancels', () => touch('touchStart', [one]), () => touch('touchCancel'));
  const pen = (type) => devtools.send('Input.dispatchMouseEvent',
    { type, x, y, button: 'left', buttons: type === 'mousePressed' ? 1 : 0, clickCount: 1, pointerType: 'pen' });
  await holdAndLetGo(page, 'a pen', () => pen('mousePressed'), () => pen('mouseReleased'));

  await native.evaluate(() => { document.body.style.paddingBottom = '2000px'; });
  for (const [sx, sy, scrolls] of [[x, y, false], [30, 30, true]]) {
    await native.evaluate(() => window.scrollTo(0, 0));
    await touch('touchStart', [{ x: sx, y: sy }]);
    for (let step = 1; step <= 10; step += 1) {
      await touch('touchMove', [{ x: sx, y: sy - 30 * step }]);
    }
    await touch('touchEnd');
    await afterInput(page);
    assert.equal(await native.evaluate(() => window.scrollY > 0), scrolls, `a swipe at ${sx}, ${sy}`);
  }
  assert.deepEqual(await state(page, 'errors'), [], 'console errors');
  await native.close();
}

// The built page's own files: its first script parses as ES5, so that a
// browser too old for the others runs it and says so; the worker's release
// is named by a digest of every file it keeps, and it keeps every file the
// page loads; the manifest's start and scope stay in the copy's folder.
test('the page\'s first script runs in old browsers, its worker\'s release covers all it keeps, its manifest stays in its folder', () => {
  const read = (file) => readFileSync(join(folder, file));
  parse(read('check.js').toString(), { ecmaVersion: 5 });
  const worker = read('sw.js').toString();
  const kept = JSON.parse(/const files = (\[[^\]]*\])/.exec(worker)[1].replaceAll('\'', '"'));
  const digest = createHash('sha256').update(Buffer.concat(kept.map(read))).digest('hex').slice(0, 16);
  assert.match(worker, new RegExp(`const release = \`\\$\\{mine\\}[0-9.]+ ${digest}\``), 'the release\'s digest');
  const loaded = [...read('index.html').toString().matchAll(/(?:src|href)="([^"]+)"/g)].map((m) => m[1]);
  assert.deepEqual(loaded.filter((file) => !kept.includes(file)), [], 'files the page loads that are not kept');
  assert.ok(['vendrask.js', 'vendrask.wasm'].every((file) => kept.includes(file)), 'the program not kept');
  const manifest = JSON.parse(read('manifest.webmanifest'));
  for (const copy of ['https://host/', 'https://host/copy/']) {
    for (const key of ['start_url', 'scope']) {
      assert.ok(new URL(manifest[key], `${copy}manifest.webmanifest`).href.startsWith(copy), `the manifest's ${key}`);
    }
  }
});
