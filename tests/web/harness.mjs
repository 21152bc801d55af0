// SPDX-License-Identifier: MIT
// What the page test's files share: each concern a suite of named cases in
// each engine (VENDRASK_ENGINES=chromium,... picks some), the page's
// instrumentation, waits, and its pictures against the desktop's
// (VENDRASK_STARTUP_FRAMES, which the picture test writes). VENDRASK_WEB_PAGE
// is the folder `make web` builds. Firefox and WebKit need an X display that
// never resets: xvfb-run -a -s "-screen 0 1280x1024x24 -noreset".
import assert from 'node:assert/strict';
import { execFile, execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { after, before, beforeEach, describe } from 'node:test';
import { promisify } from 'node:util';

import { bound, engines, serve, start } from './browser.mjs';

export { assert, bound, serve, start };
export { before, it } from 'node:test';
export const folder = process.env.VENDRASK_WEB_PAGE;
// The desktop's frames, one above the other in one picture (see desktop
// below), and so its window's size, which is the page's largest canvas.
const ppm = readFileSync(process.env.VENDRASK_STARTUP_FRAMES);
const [, across, down] = /^P6\s+(\d+)\s+(\d+)\s/.exec(ppm.toString('latin1', 0, 32)).map(Number);
export const [width, height] = [across, down / 8];  // pixels

// Loaded by the page before its own scripts (or put into it once loaded):
// counts frames (each begins with a clear) and animation ticks, reads a frame
// back right after it is drawn, before the browser lets go of its pixels
// (the first two from the start), brought down to the desktop's size, each
// pixel the mean of those it covers, and keeps what the page writes to the
// console and any error left uncaught. Words in the page's address change
// the page or the browser, each where it acts below.
export function instrument(width, height) {
  const options = new URLSearchParams(location.search);
  const gl = WebGLRenderingContext.prototype;
  const original = gl.getUniformLocation;
  gl.getUniformLocation = function (program, name) {  // `plain`: no colour material, a negative control
    return options.has('plain') && name === 'u_colour_material' ? null : original.call(this, program, name);
  };
  if (options.get('nofullscreen') === 'frame') {  // a frame that may not use full screen
    ['fullscreenEnabled', 'webkitFullscreenEnabled'].forEach((name) => Object.defineProperty(Document.prototype, name, { get: () => false }));
  } else if (options.has('nofullscreen')) {  // a browser without it, as an iPhone's
    delete Element.prototype.requestFullscreen;
    delete Element.prototype.webkitRequestFullscreen;
  }
  if (options.has('oldwasm')) {  // a browser that refuses WebAssembly under the page's policy
    WebAssembly.instantiate = () => Promise.reject(new WebAssembly.CompileError('Refused to compile: \'unsafe-eval\' is not an allowed source of script'));
  }
  if (options.has('nowebgl')) {  // a browser without WebGL, or any other context
    HTMLCanvasElement.prototype.getContext = () => null;
  }
  const t = {  // `hold`: frames after the second held until the test lets them go
    frames: 0, ticks: 0, grabAt: 0, grabbed: [], hold: options.has('hold'), lines: [], errors: [],
    contextMenus: 0, violations: 0, program: null, statusAtFirstFrame: null, asked: 0, keysPrevented: 0,
  };
  const go = new Promise((resolve) => { t.go = resolve; });  // `slow`: the program waits for it
  window.vendraskTest = t;
  for (const [level, into] of [['log', t.lines], ['info', t.lines], ['warn', t.errors], ['error', t.errors]]) {
    const original = console[level];
    console[level] = (...args) => {
      into.push(args.join(' '));
      original.apply(console, args);
    };
  }
  const uncaught = [];  // read once every listener has had the event
  Object.defineProperty(t, 'uncaught', { get: () => uncaught.filter((e) => !e.defaultPrevented).map((e) => String(e.error ?? e.reason ?? e.message)) });
  ['error', 'unhandledrejection'].forEach((type) => window.addEventListener(type, (event) => uncaught.push(event)));
  const read = (c) => {
    const [w, h] = [c.drawingBufferWidth, c.drawingBufferHeight];
    const rgba = new Uint8Array(4 * w * h);
    c.readPixels(0, 0, w, h, c.RGBA, c.UNSIGNED_BYTE, rgba);
    const [W, H] = [Math.min(w, width), Math.min(h, height)];
    const sum = new Float64Array(4 * W * H);  // per pixel brought down, rows from the top: red, green, blue, count
    for (let y = 0; y < h; y += 1) {
      const row = W * Math.floor(((h - 1 - y) * H) / h);
      for (let x = 0, i = 4 * y * w; x < w; x += 1, i += 4) {
        const k = 4 * (row + Math.floor((x * W) / w));
        sum[k] += rgba[i];
        sum[k + 1] += rgba[i + 1];
        sum[k + 2] += rgba[i + 2];
        sum[k + 3] += 1;
      }
    }
    const rgb = new Uint8Array(3 * W * H);
    for (let j = 0; j < rgb.length; j += 1) {
      rgb[j] = Math.round(sum[j + Math.floor(j / 3)] / sum[4 * Math.floor(j / 3) + 3]);
    }
    return rgb;
  };
  // Frames are compared here, and encoded only for the test to read.
  const same = (a, b) => {
    let i = 0;
    while (i < a.length && a[i] === b[i]) {
      i += 1;
    }
    return i === a.length && i === b.length;
  };
  t.encoded = (k) => btoa(Array.from({ length: Math.ceil(t.grabbed[k].length / 8190) },
    (_, j) => String.fromCharCode(...t.grabbed[k].subarray(8190 * j, 8190 * j + 8190))).join(''));
  const clear = gl.clear;
  gl.clear = function (mask) {
    t.frames += 1;
    t.statusAtFirstFrame ??= document.getElementById('status').textContent;
    if (t.frames <= 2 || t.frames === t.grabAt) {
      queueMicrotask(() => t.grabbed.push(read(this)));  // once the frame is drawn
    }
    return clear.call(this, mask);
  };
  // The index of a frame read back once the page has drawn `n` more (by then
  // it has handled all input sent before, however slowly it draws); whether
  // that picture differs from the one `from` (by default, one more read so);
  // and the picture after input once it and one two frames later agree
  // (input that comes late makes them differ, and the wait goes on), or -1.
  // A viewer that draws no more fails the wait at once, with what the page says.
  t.after = (n = 4) => new Promise((resolve, reject) => {
    const [index, ticks] = [t.grabbed.length, t.ticks];
    t.grabAt = t.frames + n + 1;
    (function check() {
      if (!t.hold && t.ticks > ticks + n + 100) {
        return reject(new Error(`no frame drawn in 100 animation frames; the page says "${document.getElementById('status').textContent}"`));
      }
      return t.grabbed.length > index ? resolve(index) : setTimeout(check, 5);
    }());
  });
  t.moved = async (from) => !same(t.grabbed[from ?? await t.after()], t.grabbed[await t.after()]);
  t.still = async () => {
    for (let [last, tries] = [await t.after(), 0]; tries < 20; tries += 1) {
      const now = await t.after(2);
      if (same(t.grabbed[now], t.grabbed[last])) {
        return now;
      }
      last = now;
    }
    return -1;
  };
  if (options.has('namesake')) {  // another script of the site, named like one of the page's, fails while the page loads
    new MutationObserver((added, observer) => {
      if (document.querySelector('script[src="page.js"]')) {
        observer.disconnect();
        window.dispatchEvent(new ErrorEvent('error', { message: 'a namesake\'s error', filename: new URL('other/page.js', location).href }));
      }
    }).observe(document, { childList: true, subtree: true });
  }
  if (options.has('ownfault')) {  // one of the page's own scripts fails, once the program has started
    HTMLElement.prototype.focus = () => { throw new Error('the test has broken focus'); };
  }
  const drawArrays = gl.drawArrays;
  gl.drawArrays = function (...args) {  // `fault`: a GL call fails inside the program
    if (options.has('fault') && t.frames > 3) {
      throw new Error('the test has broken drawArrays');
    }
    return drawArrays.apply(this, args);
  };
  // The first frames come late, as on a busy machine: the view must still
  // turn once per frame shown, not by the time that passed.
  const animate = window.requestAnimationFrame.bind(window);
  const later = (f) => (t.hold ? setTimeout(() => later(f), 20) : animate(f));
  window.requestAnimationFrame = (f) => (t.frames < 2 ? setTimeout(() => animate(f), 100) : later(f));
  (function tick() {
    t.ticks += 1;
    animate(tick);
  }());
  window.addEventListener('contextmenu', (event) => { t.contextMenus += event.defaultPrevented ? 0 : 1; });
  document.addEventListener('securitypolicyviolation', () => { t.violations += 1; });
  const preventDefault = Event.prototype.preventDefault;
  Event.prototype.preventDefault = function () {
    t.keysPrevented += this.type === 'keydown' ? 1 : 0;
    return preventDefault.call(this);
  };
  window.addEventListener('pointerdown', (event) => { t.pointerId = event.pointerId; }, true);
  const workers = self.origin === 'null' ? null : navigator.serviceWorker;  // none sandboxed without an origin
  const register = workers?.register;  // the worker's last state, in t.worker
  if (register) {
    workers.register = (...args) => register.apply(workers, args).then((r) => {
      r.installing?.addEventListener('statechange', (event) => { t.worker = event.target.state; });
      return r;
    });
  }
  workers?.addEventListener('message', (event) => { t.asked += event.data === 'settled?' ? 1 : 0; });
  if (options.has('nowasm')) {  // WebAssembly switched off
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

// The files the test's server adds to the page: the instrumentation, which
// index.html loads first, and axe-core.
const axe = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'));
const testFiles = { 'vendrask-test.js': `(${instrument})(${width}, ${height});\n`, 'axe.min.js': axe };

let current = '';  // the concern, engine and case running, for the pictures a failure writes out

// `concern` in each engine it `runsIn` (elsewhere skipped for `why`): named
// cases, given `ctx` with the engine, its key for "+", `open(url, prepare)`
// for a page (see browser.mjs), `serve(host)` for a server of the page and
// the test's files (the first one `ctx.server`) and `skip(engines, why)` for
// a case's options. Every browser it needs starts at its first suite (Chromium's
// screen of `scale` device pixels to a CSS pixel), each while the engines
// before are tested; a suite ends its pages, each with a clean console, its
// browser and its servers.
export function concern(name, cases, { scale = null, runsIn = engines, why = '' } = {}) {
  const chosen = (process.env.VENDRASK_ENGINES?.split(',') ?? engines).filter((engine) => engines.includes(engine));
  const browsers = new Map();
  const launch = () => chosen.filter((engine) => runsIn.includes(engine) && !browsers.has(engine)).forEach((engine) => {
    browsers.set(engine, start(engine, scale));
    browsers.get(engine).catch(() => {});  // said where it is awaited
  });
  for (const engine of chosen) {
    describe(`${name}, in ${engine}`, { skip: !runsIn.includes(engine) && `${engine}: ${why}` }, () => {
      const [servers, pages] = [[], new Set()];  // pages still open
      const ctx = {
        engine,
        plus: engine === 'webkit' ? 'NumpadAdd' : '+',  // WebKitWebDriver types the main keyboard's "+" as "="
        skip: (those, because) => ({ skip: those.includes(engine) && `${engine}: ${because}` }),
        async serve(host = {}) {
          const server = await serve(folder, { inject: 'vendrask-test.js', ...host, files: { ...testFiles, ...host.files } });
          ctx.server ??= server;
          return servers[servers.push(server) - 1];
        },
        async open(url, prepare) {
          const page = await (await browsers.get(engine)).open(url, prepare);
          pages.add(page);
          return Object.assign(Object.create(page), { close: () => pages.delete(page) && page.close() });
        },
      };
      before(launch);
      beforeEach((t) => { current = `${name} in ${engine}, ${t.name}`; });
      after(async () => {
        try {
          await [...pages].reduce((done, page) => done.then(() => closed(page)), Promise.resolve());
        } finally {
          await browsers.get(engine)?.then((browser) => browser.close(), () => {});
          await Promise.all(servers.map((s) => s.stop()));
        }
      });
      cases(ctx);
    });
  }
}

// Waits for `condition` (run in the page, given `arg`) to hold; `across` a
// navigation, a page that cannot answer yet has not.
export async function until(page, condition, arg, failure, across = false) {
  const holds = () => page.evaluate(condition, arg).catch((error) => (across ? false : Promise.reject(error)));
  for (const end = Date.now() + bound; !(await holds()); await new Promise((r) => setTimeout(r, 20))) {
    assert.ok(Date.now() < end, failure ?? `never: ${condition}`);
  }
}

export const state = (page, what) => page.evaluate((w) => window.vendraskTest[w], what);
// Whether the control `selector` says it is pressed ('true' or 'false').
export const pressed = (page, selector) => page.evaluate((s) => document.querySelector(s).ariaPressed, selector);
// The viewer draws, and the page says nothing of it.
export const started = (page, failure = 'never started', across = false) => until(page,
  () => window.vendraskTest?.frames > 0 && document.getElementById('status').textContent === '', null, failure, across);
// What the page says, and whether it offers to start again.
export const status = (page) => page.evaluate(() => [document.getElementById('status').textContent, !document.getElementById('restart').hidden]);

// The page ends with nothing in its console but `expected` (its errors and
// warnings) and `violations` of its Content-Security-Policy (null: any),
// and is closed.
export async function closed(page, expected = [], violations = 0) {
  assert.deepEqual(await state(page, 'errors'), expected, 'console errors and warnings');
  assert.ok([null, await state(page, 'violations')].includes(violations), 'Content-Security-Policy violations');
  await page.close();
}

export const press = (page, key) => page.keyDown(key).then(() => page.keyUp(key));
// The middle of an element on the screen, in CSS pixels.
export const centre = (page, selector) => page.evaluate((s) => {
  const box = document.querySelector(s).getBoundingClientRect();
  return [box.x + box.width / 2, box.y + box.height / 2];
}, selector);

export async function click(page, selector, button = 'left') {
  await page.move(...(await centre(page, selector)));
  await page.down(button).then(() => page.up(button));
}

// The frame read back `i`th (from 0), once it has been.
export async function grabbed(page, i) {
  await until(page, (k) => window.vendraskTest.grabbed.length > k, i, `fewer than ${i + 1} frames read back`);
  return Buffer.from(await page.evaluate((k) => window.vendraskTest.encoded(k), i), 'base64');
}

// The page's frames read back after input (see instrument), waited for in
// the page, which the call's own bound ends.
const inPage = (page, what, arg) => page.evaluate((w, a) => window.vendraskTest[w](a), what, arg);
async function stillFrame(page) {
  const index = await inPage(page, 'still');
  assert.ok(index >= 0, 'the picture never held still');
  return index;
}
export const afterInput = async (page) => grabbed(page, await inPage(page, 'after'));
export const moves = (page) => inPage(page, 'moved');
export const settled = async (page) => grabbed(page, await stillFrame(page));

// The viewer has stopped: the page says what `said` matches, offers to
// start again or not, and, over ten more animation ticks, draws no frame; no
// error but the `leftToBrowser` ones went unhandled.
export async function expectStopped(page, said, restart, leftToBrowser = 0) {
  await until(page, (source) => new RegExp(source).test(document.getElementById('status').textContent), said.source, `not said: ${said}`);
  assert.equal((await status(page))[1], restart, `"Start again" offered: ${await status(page)}`);
  const [frames, ticks] = await page.evaluate(() => [window.vendraskTest.frames, window.vendraskTest.ticks]);
  await until(page, (k) => window.vendraskTest.ticks >= k, ticks + 10);
  assert.equal(await state(page, 'frames'), frames, 'a frame was drawn after the viewer stopped');
  assert.equal((await state(page, 'uncaught')).length, leftToBrowser, `uncaught errors: ${await state(page, 'uncaught')}`);
}

// Pixel counts that the probes rest on.
export function measure(rgb) {
  const m = { lit: 0, coloured: 0, blue: 0, blueOverGround: 0, fogFar: 0, fogNear: 0, skyLit: 0 };
  for (let i = 0; i < rgb.length; i += 3) {
    const [r, g, b] = [rgb[i], rgb[i + 1], rgb[i + 2]];
    const y = Math.floor(i / 3 / width);
    m.lit += r + g + b > 0 ? 1 : 0;
    m.skyLit += y < 40 && r + g + b > 0 ? 1 : 0;
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

// Pixels of two pictures any of whose channels differ by more than `channel`
// (of 255), by default a tenth of full scale.
const off = (a, b, i, channel) => [0, 1, 2].some((c) => Math.abs(a[i + c] - b[i + c]) > channel);
export function differing(a, b, channel = 25) {
  let n = 0;
  for (let i = 0; i < a.length; i += 3) {
    n += off(a, b, i, channel) ? 1 : 0;
  }
  return n;
}
// How far the page's picture may be from the desktop's in each engine, as
// measured at every detail level, after "r" and after a restore. Chromium
// draws with SwiftShader, not the desktop's rasteriser: 25 to 67 of 307,200
// pixels differ by more than a tenth, some by as much as 242. Firefox and
// WebKit draw with Mesa's llvmpipe, as the desktop does: no channel differs
// by more than 1, but for one pixel by 2 in WebKit after a restore.
const likeness = {
  chromium: { channel: 25, pixels: (width * height) / 1000 },
  firefox: { channel: 1, pixels: 0 },
  webkit: { channel: 2, pixels: 0 },
};
// Enough pixels differing by a tenth for two pictures to differ.
export const unlike = (a, b) => differing(a, b) > (width * height) / 1000;

// `frame`, the page's, is the desktop's picture `desktop` (of `what`) as
// closely as `engine` draws it; if not, the two and their difference are
// written out, and the failure says where.
export function sameAsDesktop(engine, what, frame, desktop) {
  const { channel, pixels } = likeness[engine];
  const n = differing(frame, desktop, channel);
  if (n > pixels) {
    const out = join(process.env.VENDRASK_PICTURES ?? 'web-pictures', `${current} ${what}`.replace(/[^\w.-]+/g, '-'));
    mkdirSync(out, { recursive: true });
    const marked = desktop.map((v, i) => (off(frame, desktop, i - (i % 3), channel) ? [255, 0, 0][i % 3] : v >> 2));
    Object.entries({ page: frame, desktop, difference: marked }).forEach(([name, rgb]) => execFileSync('convert', ['ppm:-', join(out, `${name}.png`)],
      { input: Buffer.concat([Buffer.from(`P6 ${width} ${height} 255\n`), rgb]) }));
    assert.fail(`${what}: ${n} pixels differ from the desktop's by more than ${channel}; written to ${out}`);
  }
}

// The desktop's frames: the first two, then the view held still at detail
// levels 0 to 4, and at level 2 with the next landscape.
export const desktop = (() => {
  const size = width * height * 3;
  const pixels = ppm.subarray(ppm.length - 8 * size);
  return Array.from({ length: 8 }, (_, i) => pixels.subarray(i * size, (i + 1) * size));
})();
export const [firstFrame, secondFrame, atLevel, nextLandscape] = [desktop[0], desktop[1], (level) => desktop[2 + level], desktop[7]];

// Presses the button named `name`, at `selector`, as a screen reader does:
// through AT-SPI where the test has a private D-Bus session for it
// (VENDRASK_AT_SPI), but in WebKit, where its automation cannot be reached
// so; a click otherwise.
const atSpi = [new URL('at_spi.py', import.meta.url).pathname];
if (process.env.VENDRASK_AT_SPI) {
  execFileSync('/usr/bin/python3', [...atSpi, 'on']);
}
export const pressForScreenReader = (page, engine, name, selector) => (!process.env.VENDRASK_AT_SPI || engine === 'webkit'
  ? page.evaluate((s) => document.querySelector(s).click(), selector)
  : promisify(execFile)('/usr/bin/python3', [...atSpi, 'press', engine, name], { timeout: bound }));

// What axe-core finds against WCAG 2.1 A and AA and its best practices.
export async function accessibility(page) {
  await page.evaluate(() => new Promise((resolve) => {
    document.head.append(Object.assign(document.createElement('script'), { src: 'axe.min.js', onload: resolve }));
  }));
  return page.evaluate(() => window.axe.run(document, {
    runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'] },
  }).then((r) => r.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`)));
}

// Holds a press by `begin` and checks the eye moves while it lasts, frames
// on, then ends it by `end` and checks the eye stops at once: input is
// handled before the frames after it are drawn.
export async function holdAndLetGo(page, what, begin, end) {
  const held = await stillFrame(page);
  await begin();
  assert.ok(await inPage(page, 'moved', held), `${what}: the eye did not move`);
  assert.ok(await moves(page), `${what}: the eye stopped while the press was held`);
  await end();
  assert.ok(!(await moves(page)), `${what}: the eye moves on after the press has ended`);
}
