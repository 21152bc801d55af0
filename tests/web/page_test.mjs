// SPDX-License-Identifier: MIT
// The web page in Debian's headless Chromium with software WebGL, driven by
// real input events through the DevTools protocol (puppeteer-core), watched
// through its frames, its canvas and the console. Its first two frames are
// compared with the desktop's (VENDRASK_STARTUP_FRAMES, a PPM written by the
// picture test); VENDRASK_WEB_PAGE is the folder `make web` builds.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import { close, launch, serve } from './browser.mjs';

const width = 600;     // canvas, pixels
const height = 512;    // canvas, pixels
const bound = 60_000;  // ms, for anything the page does, on a slow and busy machine
const startupLine = 'Initializing landscape[513][513]';

// Put into the page before its own scripts: counts frames (each begins with
// a clear) and animation ticks, and reads a frame back right after it is
// drawn, before the browser shows it and lets go of its pixels. The first two
// frames are read from the start. With `plainShaders` the colour material
// bridge is kept out, as a negative control.
function instrument(plainShaders) {
  const gl = WebGLRenderingContext.prototype;
  if (plainShaders) {
    const original = gl.shaderSource;
    Object.defineProperty(gl, 'shaderSource', { get: () => original, set: () => {} });
  }
  const t = { frames: 0, ticks: 0, wanted: 2, grabbed: [], contextMenus: 0, violations: 0, modifiedKeysPrevented: 0 };
  window.vendraskTest = t;
  const read = (c) => {
    const [w, h] = [c.drawingBufferWidth, c.drawingBufferHeight];
    const rgba = new Uint8Array(4 * w * h);
    c.readPixels(0, 0, w, h, c.RGBA, c.UNSIGNED_BYTE, rgba);
    let rgb = '';  // rows from the top, as the desktop's frames
    for (let i = 4 * w * (h - 1); i >= 0; i -= 4 * w) {
      rgba.subarray(i, i + 4 * w).forEach((v, j) => { rgb += j % 4 === 3 ? '' : String.fromCharCode(v); });
    }
    return btoa(rgb);
  };
  const clear = gl.clear;
  gl.clear = function (mask) {
    t.frames += 1;
    if (t.wanted > 0) {
      t.wanted -= 1;
      queueMicrotask(() => t.grabbed.push(read(this)));
    }
    return clear.call(this, mask);
  };
  // The first frames come late, as on a busy machine: the view must still
  // turn once per frame shown, not by the time that passed.
  const animate = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (f) => (t.frames < 2 ? setTimeout(() => animate(f), 100) : animate(f));
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
    return preventDefault.call(this);
  };
}

async function open(browser, url, plainShaders = false, device = null) {
  const page = await browser.newPage();
  if (device) {
    await page.emulate(device);
  }
  const log = { lines: [], errors: [] };
  page.on('console', (message) => (message.type() === 'error' ? log.errors : log.lines).push(message.text()));
  page.on('pageerror', (error) => log.errors.push(String(error)));
  await page.evaluateOnNewDocument(instrument, plainShaders);
  await page.goto(url);
  return { page, log };
}

// Waits for `condition` to hold, checking every few milliseconds.
async function until(condition, failure) {
  for (const end = Date.now() + bound; !condition(); await new Promise((r) => setTimeout(r, 20))) {
    assert.ok(Date.now() < end, failure);
  }
}

const state = (page, what) => page.evaluate((w) => window.vendraskTest[w], what);

// The frames read back so far, once there are `n`.
async function grabbed(page, n) {
  await page.waitForFunction((k) => window.vendraskTest.grabbed.length >= k, { timeout: bound }, n);
  return (await state(page, 'grabbed')).map((b) => Buffer.from(b, 'base64'));
}

// A frame read back once the page has drawn a few more: by then it has
// handled all input sent before, however slowly it draws.
async function afterInput(page) {
  const n = await state(page, 'frames');
  await page.waitForFunction((k) => window.vendraskTest.frames >= k, { timeout: bound }, n + 4);
  const count = (await state(page, 'grabbed')).length;
  await page.evaluate(() => { window.vendraskTest.wanted = 1; });
  return (await grabbed(page, count + 1))[count];
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
  assert.fail('the picture never held still');
}

// The viewer has stopped: the page says so (with `words`) and, over ten more
// animation ticks, draws no frame.
async function expectEnded(page, words = 'has ended') {
  await page.waitForFunction((w) => document.getElementById('status').textContent.includes(w),
    { timeout: bound }, words);
  const frames = await state(page, 'frames');
  const ticks = await state(page, 'ticks');
  await page.waitForFunction((k) => window.vendraskTest.ticks >= k, { timeout: bound }, ticks + 10);
  assert.equal(await state(page, 'frames'), frames, 'a frame was drawn after the viewer ended');
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

// Pixels whose colour differs by more than a tenth of full scale.
function differing(a, b) {
  let n = 0;
  for (let i = 0; i < a.length; i += 3) {
    n += [0, 1, 2].some((c) => Math.abs(a[i + c] - b[i + c]) > 25) ? 1 : 0;
  }
  return n;
}

test('the page draws the desktop landscape, is steered like the desktop program and ends cleanly', async () => {
  const desktop = readFileSync(process.env.VENDRASK_STARTUP_FRAMES);
  const pixels = desktop.subarray(desktop.length - 2 * width * height * 3);
  const desktopFrames = [pixels.subarray(0, width * height * 3), pixels.subarray(width * height * 3)];
  const server = await serve(process.env.VENDRASK_WEB_PAGE);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launch();
  try {
    const { page, log } = await open(browser, url);
    const [first, second] = await grabbed(page, 2);

    // The desktop's first two frames, side by side: the start-up view, then
    // one turn of the rate, so the page calls idle once per frame shown.
    const allowed = (width * height) / 1000;
    for (const [i, frame] of [first, second].entries()) {
      const n = differing(frame, desktopFrames[i]);
      console.log(`frame ${i + 1}: ${n} of ${width * height} pixels differ from the desktop's`);
      assert.ok(n <= allowed, `frame ${i + 1} differs from the desktop's in ${n} pixels`);
    }
    assert.ok(differing(second, desktopFrames[0]) > allowed, 'control: the second frame has turned');
    await until(() => log.lines.includes(startupLine), `no start-up line in the console: ${log.lines}`);

    // Probes, each with a negative control: black sky, coloured ground, blue
    // water with the ground showing through, fog grey far away but not near.
    const seen = measure(first);
    assert.equal(seen.skyLit, 0, 'the sky is black');
    assert.ok(seen.lit > 0.05 * width * height, 'control: the landscape is not black');
    assert.ok(seen.coloured > 0.2 * seen.lit, `coloured ground: ${seen.coloured} of ${seen.lit}`);
    assert.ok(seen.blue > 500 && seen.blueOverGround > 0.25 * seen.blue, `translucent water: ${seen.blue}`);
    assert.ok(seen.fogFar > 500, `fog grey far ground: ${seen.fogFar}`);
    assert.ok(seen.fogNear < 200, `control: near ground is not fogged: ${seen.fogNear}`);

    // "a" stops the turning; upper-case letters do nothing; "-" coarsens the
    // mesh and "+" makes it finer again, typed on the keypad and on a German
    // layout, where "+" has its own key, the one that gives "=" on a US layout.
    await page.keyboard.press('a');
    const still = await settled(page);
    for (const key of ['A', 'R', 'Q']) {
      await page.keyboard.press(key);
    }
    assert.ok((await settled(page)).equals(still), 'an upper-case letter changed the view');
    await page.keyboard.press('-');
    const coarser = await settled(page);
    assert.ok(!coarser.equals(still), '"-" did not coarsen the mesh');
    await page.keyboard.press('NumpadAdd');
    assert.ok((await settled(page)).equals(still), 'keypad "+" did not make the mesh finer again');
    await page.keyboard.press('-');
    assert.ok((await settled(page)).equals(coarser));
    const devtools = await page.createCDPSession();
    for (const type of ['keyDown', 'keyUp']) {
      await devtools.send('Input.dispatchKeyEvent',
        { type, key: '+', code: 'BracketRight', windowsVirtualKeyCode: 187, text: type === 'keyDown' ? '+' : undefined });
    }
    assert.ok((await settled(page)).equals(still), '"+" on a German layout did not make the mesh finer again');
    // With Ctrl, Alt or Meta a key is the browser's: "d" would turn the view.
    for (const modifier of ['Control', 'Alt', 'Meta']) {
      await page.keyboard.down(modifier);
      await page.keyboard.press('d');
      await page.keyboard.up(modifier);
    }
    assert.ok((await settled(page)).equals(still), 'a key with a modifier changed the view');
    assert.equal(await state(page, 'modifiedKeysPrevented'), 0, 'a key with a modifier lost its meaning to the browser');

    // The right button moves the eye out while held, without a context menu,
    // and stops it when released outside the canvas.
    const box = await (await page.$('canvas')).boundingBox();
    await page.mouse.move(box.x + width / 2, box.y + height / 2);
    await page.mouse.down({ button: 'right' });
    assert.ok(!(await afterInput(page)).equals(still), 'the eye did not move while the button was held');
    await page.mouse.move(box.x + width + 100, box.y + height / 2);
    await page.mouse.up({ button: 'right' });
    await settled(page);
    assert.equal(await state(page, 'contextMenus'), 0, 'a context menu opened over the canvas');

    // Installable, within its Content-Security-Policy, and once loaded, the
    // same landscape again with the network gone.
    assert.deepEqual((await devtools.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    await page.keyboard.press('q');
    await expectEnded(page);
    assert.equal(await state(page, 'violations'), 0, 'Content-Security-Policy violations');
    assert.deepEqual(log.errors, [], 'console errors');
    await page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
    await page.setOfflineMode(true);
    await page.reload();
    assert.ok((await grabbed(page, 1))[0].equals(first), 'offline, the page did not draw its first frame again');
    await page.close();

    // A phone: the page fits its width; the page's own buttons steer as the
    // keys do; one finger held on the canvas moves the eye in, two out, and
    // a swipe there scrolls nothing (control: one over the heading does).
    // Then the browser takes the graphics away.
    const phone = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
    const mobile = await open(browser, url, false, { viewport: phone, userAgent: 'Mozilla/5.0 (Linux; Android 14) Mobile' });
    const [tiny] = await grabbed(mobile.page, 1);
    const shown = await mobile.page.$eval('canvas', (c) => [c.getBoundingClientRect().right, document.documentElement.scrollWidth]);
    assert.ok(shown[0] <= phone.width && shown[1] <= phone.width, `wider than the phone: ${shown}`);
    await mobile.page.tap('[data-key="a"]');
    const held = await settled(mobile.page);
    await mobile.page.tap('[data-key="-"]');
    assert.ok(!(await settled(mobile.page)).equals(held), 'the "-" button did not coarsen the mesh');
    await mobile.page.tap('[data-key="+"]');
    assert.ok((await settled(mobile.page)).equals(held), 'the "+" button did not make the mesh finer again');
    const touch = await mobile.page.createCDPSession();
    const [cx, cy] = await mobile.page.$eval('canvas', (c) => [c.getBoundingClientRect().x + 100, c.getBoundingClientRect().y + 100]);
    for (const [fingers, nearer] of [[1, true], [2, false]]) {
      const before = measure(await settled(mobile.page)).lit;
      const touchPoints = [{ x: cx, y: cy, id: 1 }, { x: cx + 60, y: cy, id: 2 }].slice(0, fingers);
      await touch.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints });
      const during = measure(await afterInput(mobile.page)).lit;
      assert.ok(nearer ? during > before : during < before, `${fingers} finger(s): ${before} to ${during} pixels lit`);
      await touch.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
      await settled(mobile.page);
    }
    await mobile.page.evaluate(() => { document.body.style.paddingBottom = '2000px'; });
    for (const [x, y, scrolls] of [[cx, cy, false], [30, 30, true]]) {
      await mobile.page.evaluate(() => window.scrollTo(0, 0));
      await touch.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
      for (let step = 1; step <= 10; step += 1) {
        await touch.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x, y: y - 30 * step }] });
      }
      await touch.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
      await afterInput(mobile.page);
      assert.equal(await mobile.page.evaluate(() => window.scrollY > 0), scrolls, `a swipe at ${x}, ${y}`);
    }
    assert.ok(measure(tiny).lit > 0.05 * width * height, 'control: the phone shows the landscape');
    await mobile.page.$eval('canvas', (c) => c.getContext('webgl').getExtension('WEBGL_lose_context').loseContext());
    await expectEnded(mobile.page, 'graphics away');
    assert.deepEqual(mobile.log.errors, [], 'console errors');

    // Control: without the colour material bridge the ground comes out grey
    // and the water opaque grey. The middle button ends the viewer.
    const plain = await open(browser, url, true);
    const unbridged = measure((await grabbed(plain.page, 1))[0]);
    assert.ok(unbridged.coloured < 0.05 * unbridged.lit, `control: grey ground: ${unbridged.coloured}`);
    assert.ok(unbridged.blue < 50, `control: no blue water: ${unbridged.blue}`);
    await plain.page.mouse.click(box.x + width / 2, box.y + height / 2, { button: 'middle' });
    await expectEnded(plain.page);
    assert.deepEqual(plain.log.errors, [], 'console errors');
  } finally {
    await close(browser);
    server.close();
  }
});
