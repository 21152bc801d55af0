// SPDX-License-Identifier: MIT
// The page on phones and tablets held either way, as Chromium emulates them
// on a screen of 2.75 device pixels to a CSS pixel, and in full screen: the
// whole landscape on the screen in its shape, drawn sharp, no control over
// it; on a phone, steered by touch and a pen.
import {
  accessibility, afterInput, assert, before, centre, click, closed, concern, differing, firstFrame, grabbed, height, holdAndLetGo, it, measure, press, pressed, settled, until, width,
} from './harness.mjs';

const scale = 2.75;        // device pixels to a CSS pixel
const longestSide = 4096;  // of the drawing buffer, pixels
const phone = [390, 844];  // upright, CSS pixels
// Phones and tablets; then screens of 1280 × 800 and 1366 × 768 zoomed to
// 400 %, as the browser reports them; and a phone whose browser sets text at
// 24 pixels: CSS pixels, device pixels to one, text size.
const screens = [phone, [844, 390], [375, 667], [667, 375], [768, 1024], [1024, 768], [320, 200, 4], [342, 192, 4], [360, 640, scale, 24]];

// The drawing buffer is the device pixels the canvas covers, as the browser
// tells them, within the longest side and in their shape; the viewport is
// the whole buffer; and `frame`, read from it, is `reference` in the large
// (at most a fiftieth of their blocks of 10 × 8 pixels differ in mean colour
// by more than a tenth): the picture fills the buffer.
async function drawnSharp(page, frame, reference) {
  await until(page, (most) => new Promise((resolve) => {
    const canvas = document.querySelector('canvas');
    new ResizeObserver(([entry], observer) => {
      observer.disconnect();
      const { inlineSize, blockSize } = entry.devicePixelContentBoxSize[0];
      const shrink = Math.min(1, most / Math.max(inlineSize, blockSize));
      const gl = canvas.getContext('webgl');
      const [, , w, h] = gl.getParameter(gl.VIEWPORT);
      resolve(canvas.width === Math.floor(inlineSize * shrink) && canvas.height === Math.floor(blockSize * shrink)
        && w === gl.drawingBufferWidth && h === gl.drawingBufferHeight);
    }).observe(canvas, { box: 'device-pixel-content-box' });
  }), longestSide, 'the drawing buffer is not the device pixels the canvas covers');
  const means = (rgb) => rgb.reduce((sum, v, i) => {
    const p = Math.floor(i / 3);
    sum[3 * (Math.floor(p / width / 8) * 60 + Math.floor((p % width) / 10)) + (i % 3)] += v / 80;
    return sum;
  }, new Float64Array(60 * 64 * 3));
  assert.ok(differing(means(await frame()), means(reference)) <= (60 * 64) / 50, 'the picture does not fill the drawing buffer');
}

concern('screens', (ctx) => {
  const emulate = ([w, h, pixels = scale, text = null]) => async (page) => {
    await page.emulate({
      viewport: { width: w, height: h, deviceScaleFactor: pixels, isMobile: pixels === scale, hasTouch: pixels === scale },
      userAgent: 'Mozilla/5.0 (Linux; Android 14) Mobile',
    });
    await (text && (await page.createCDPSession()).send('Page.setFontSizes', { fontSizes: { standard: text } }));
  };

  // The landscape nearly as large as the window holds it, whatever the text
  // takes; "Full screen" on a corner of it.
  for (const size of screens) {
    it(`shows the whole landscape at ${size.slice(0, 2).join(' × ')}${size[3] ? ` with large text` : size[2] ? ' zoomed' : ''}, sharp, each control beside or below it`, async () => {
      const shown = await ctx.open(ctx.server.url, emulate(size));
      // Emulating other device pixels, Chromium tells its own screen's.
      await (size[2] > scale ? grabbed(shown, 0) : drawnSharp(shown, () => grabbed(shown, 0), firstFrame));
      assert.deepEqual(await shown.evaluate((w, h) => {
        const box = (e) => e.getBoundingClientRect();
        const canvas = box(document.querySelector('canvas'));
        const off = (b) => b.left < -1 || b.top < -1 || b.right > innerWidth + 1 || b.bottom > innerHeight + 1;
        const room = Math.min(w, innerWidth, innerHeight * w / h) - 30;
        const corner = box(document.getElementById('fullscreen'));
        const wrong = off(canvas) || Math.abs(canvas.width / canvas.height - w / h) > 0.01 || document.documentElement.scrollWidth > innerWidth
          || canvas.width < 0.9 * room || corner.width * corner.height > (canvas.width * canvas.height) / 10
          ? [`the landscape at ${JSON.stringify(canvas)}, "Full screen" at ${JSON.stringify(corner)}`] : [];
        for (const control of document.querySelectorAll('#controls button')) {
          control.scrollIntoView({ block: 'nearest' });
          const [b, c] = [box(control), box(document.querySelector('canvas'))];
          if ((b.left < c.right && b.right > c.left && b.top < c.bottom && b.bottom > c.top) || off(b)) {
            wrong.push(`${control.textContent} at ${JSON.stringify(b)}, scrolled by ${scrollY}`);
          }
        }
        return wrong;
      }, width, height), [], 'the landscape or controls misplaced');
      await closed(shown);
    });
  }

  // On an upright phone; each case goes on from the one before.
  let upright = null;
  let touch = null;    // sends a touch event through the DevTools protocol
  let [x, y] = [0, 0]; // a point on the landscape
  before(async () => {
    await ctx.serve();
    upright = await ctx.open(ctx.server.url, emulate(phone));
    await grabbed(upright, 0);
    const devtools = await upright.native.createCDPSession();
    touch = (type, touchPoints = []) => devtools.send('Input.dispatchTouchEvent', { type, touchPoints });
    [x, y] = await upright.evaluate(() => [document.querySelector('canvas').getBoundingClientRect().x + 100,
      document.querySelector('canvas').getBoundingClientRect().y + 100]);
  });

  it('is accessible on a phone, and its buttons tapped steer as the keys do', async () => {
    assert.deepEqual(await accessibility(upright), [], 'accessibility on a phone');
    await upright.evaluate(() => window.scrollTo(0, 0));
    await upright.native.tap('[data-key="a"]');
    const held = await settled(upright);
    await upright.native.tap('[data-key="-"]');
    assert.ok(!(await settled(upright)).equals(held), 'the "-" button did not coarsen the mesh');
    await upright.native.tap('[data-key="+"]');
    assert.ok((await settled(upright)).equals(held), 'the "+" button did not make the mesh finer again');
    // A finger's tap on "In" is a short hold, however late its click comes
    // (in Chromium, a few milliseconds after the finger is lifted, about one
    // time in four).
    await upright.evaluate(() => document.querySelector('[data-button="left"]').scrollIntoView({ block: 'center' }));
    const [inX, inY] = await centre(upright, '[data-button="left"]');
    for (let tap = 1; tap <= 4; tap += 1) {
      await touch('touchStart', [{ x: inX, y: inY }]);
      await touch('touchEnd');
      await afterInput(upright);
      assert.equal(await pressed(upright, '[data-button="left"]'), 'false', `tap ${tap} latched "In"`);
    }
  });

  it('moves the eye in under one finger and out under two, and on out with one of two lifted', async () => {
    const [one, two] = [{ x, y, id: 1 }, { x: x + 60, y, id: 2 }];
    const lit = async () => measure(await afterInput(upright)).lit;
    for (const [fingers, nearer] of [[[one], true], [[one, two], false]]) {
      const before = measure(await settled(upright)).lit;
      await touch('touchStart', fingers);
      const during = await lit();
      assert.ok(nearer ? during > before : during < before, `${fingers.length} finger(s): ${before} to ${during} pixels lit`);
      if (fingers.length === 2) {
        await touch('touchEnd', [two]);
        const lifted = await lit();
        assert.ok(await lit() < lifted, 'with one of two fingers lifted, the eye no longer moves out');
      }
      await touch('touchEnd');
      await settled(upright);
    }
  });

  it('lets go of a touch the browser cancels, and moves the eye in while a pen is held', async () => {
    await holdAndLetGo(upright, 'a touch the browser cancels', () => touch('touchStart', [{ x, y }]), () => touch('touchCancel'));
    const devtools = await upright.native.createCDPSession();
    const pen = (type) => devtools.send('Input.dispatchMouseEvent',
      { type, x, y, button: 'left', buttons: type === 'mousePressed' ? 1 : 0, clickCount: 1, pointerType: 'pen' });
    await holdAndLetGo(upright, 'a pen', () => pen('mousePressed'), () => pen('mouseReleased'));
  });

  it('scrolls nothing under a swipe on the landscape, as it does under one on the heading', async () => {
    await upright.evaluate(() => { document.body.style.paddingBottom = '2000px'; });
    for (const [sx, sy, scrolls] of [[x, y, false], [30, 30, true]]) {
      await upright.evaluate(() => window.scrollTo(0, 0));
      await touch('touchStart', [{ x: sx, y: sy }]);
      for (let i = 1; i <= 10; i += 1) {
        await touch('touchMove', [{ x: sx, y: sy - 30 * i }]);
      }
      await touch('touchEnd');
      await afterInput(upright);
      assert.equal(await upright.evaluate(() => window.scrollY > 0), scrolls, `a swipe at ${sx}, ${sy}`);
    }
  });

  // Leaving full screen, the buffer is the canvas's device pixels again.
  it('draws full screen in as many pixels as it is shown at, at most the longest side, steered by keys', async () => {
    const large = await ctx.open(ctx.server.url, (p) => p.setViewport({ width: 1600, height: 1400, deviceScaleFactor: scale }));
    await grabbed(large, 0);
    await press(large, 'a');
    const still = await settled(large);
    await click(large, '#fullscreen');
    await drawnSharp(large, () => afterInput(large), still);
    const [w, h] = await large.evaluate(() => [document.querySelector('canvas').width, document.querySelector('canvas').height]);
    assert.ok(Math.max(w, h) === longestSide && Math.abs(w / h - width / height) < 0.001, `a buffer of ${w} × ${h}`);
    const full = await settled(large);
    await press(large, '-');
    assert.ok(!(await settled(large)).equals(full), 'keys do not steer full screen');
    await click(large, '#fullscreen');
    await until(large, ([s, w]) => document.querySelector('canvas').width === Math.round(w * s), [scale, width], 'full screen not left');
    await closed(large);
  });
}, { scale, runsIn: ['chromium'], why: 'its automation emulates no phone or screen' });
