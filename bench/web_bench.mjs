// SPDX-License-Identifier: MIT
// Benchmarks of the web page in headless Chromium with software WebGL:
// navigation to the first frame, the time a frame takes at detail levels 2
// and 0 (from its first GL call until its pixels can be read back), and the
// page's download, gzipped. Prints a Markdown section of medians.
//   node bench/web_bench.mjs WEB-BUILD-DIR     (after make web and make web-test)
import { readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';

import { close, launch, serve } from '../tests/web/browser.mjs';

const loads = 9;    // page loads for the time to the first frame
const frames = 15;  // frames timed at each detail level

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Put into the page: the time of each frame's first GL call (its clear) and
// of the moment its pixels could be read back.
function instrument() {
  const t = { starts: [], ends: [] };
  window.vendraskBench = t;
  const gl = WebGLRenderingContext.prototype;
  const clear = gl.clear;
  gl.clear = function (mask) {
    t.starts.push(performance.now());
    queueMicrotask(() => {
      this.readPixels(0, 0, 1, 1, this.RGBA, this.UNSIGNED_BYTE, new Uint8Array(4));
      t.ends.push(performance.now());
    });
    return clear.call(this, mask);
  };
}

async function frameTimes(page) {
  const from = await page.evaluate(() => window.vendraskBench.ends.length);
  await page.waitForFunction((n) => window.vendraskBench.ends.length >= n, { timeout: 120_000 }, from + frames);
  return page.evaluate((f) => {
    const t = window.vendraskBench;
    return t.ends.slice(f).map((end, i) => end - t.starts[f + i]);
  }, from);
}

const folder = process.argv[2];
const server = await serve(folder);
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await launch();
try {
  const firstFrame = [];
  let page = null;
  for (let i = 0; i < loads; i += 1) {
    await page?.close();
    page = await browser.newPage();
    await page.evaluateOnNewDocument(instrument);
    await page.goto(url);
    await page.waitForFunction(() => window.vendraskBench.ends.length > 0, { timeout: 60_000 });
    firstFrame.push(await page.evaluate(() => window.vendraskBench.ends[0]));
  }
  const level2 = await frameTimes(page);
  await page.keyboard.press('+');
  await page.keyboard.press('+');
  await frameTimes(page);  // the change of level takes effect
  const level0 = await frameTimes(page);

  const files = readdirSync(folder).filter((f) => /\.(html|js|wasm|png)$/.test(f)).sort();
  const sizes = files.map((f) => [f, gzipSync(readFileSync(join(folder, f)), { level: 9 }).length]);
  const total = sizes.reduce((sum, [, n]) => sum + n, 0);

  console.log('## The web page in headless Chromium (software WebGL)');
  console.log();
  console.log(`Chromium ${(await browser.version()).replace(/^\D*/, '')} with SwiftShader, on the same machine; made by`);
  console.log('`bench/web_bench.mjs`. A frame is timed from its first GL call until its pixels can be read back.');
  console.log();
  console.log('| measure | median |');
  console.log('|---|---|');
  console.log(`| navigation to first frame (${loads} loads) | ${median(firstFrame).toFixed(0)} ms |`);
  console.log(`| frame at detail level 2 (${frames} frames) | ${median(level2).toFixed(1)} ms |`);
  console.log(`| frame at detail level 0 (${frames} frames) | ${median(level0).toFixed(1)} ms |`);
  console.log(`| download, gzipped | ${(total / 1000).toFixed(1)} kB (${sizes.map(([f, n]) => `${f} ${(n / 1000).toFixed(1)}`).join(', ')}) |`);
} finally {
  await close(browser);
  server.close();
}
