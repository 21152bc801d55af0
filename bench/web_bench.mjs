// SPDX-License-Identifier: MIT
// Benchmarks of the web page in headless Chromium with software WebGL:
// navigation to the first frame; the time a frame takes at detail levels 0
// to 4 (from its first GL call until its pixels can be read back), beside the
// desktop's when given; the calls from the module into JavaScript per frame;
// the JavaScript heap after many frames; and the page's download, gzipped.
// Given a second folder (the page of an earlier commit), both pages' frames
// are timed in the same run and their ratio printed. Prints a Markdown
// section of medians.
//   node bench/web_bench.mjs WEB-BUILD-DIR [EARLIER-WEB-BUILD-DIR]
//   VENDRASK_DESKTOP_FRAMES="ms at level 0,1,2,3,4"   the desktop's frame times, to print beside
import { readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';

import { close, launch, serve } from '../tests/web/browser.mjs';

const loads = 9;          // page loads for the time to the first frame
const frames = 15;        // frames timed at each detail level
const heapFrames = 3000;  // frames drawn before the heap is taken again
const levels = [0, 1, 2, 3, 4];
const rounds = 3;         // pages loaded for the frame times, taking turns with the earlier page
const startLevel = 2;     // the program's detail level at start-up

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Put into the page: the time of each frame's first GL call (its clear) and
// of the moment its pixels could be read back, and the calls the module
// makes into JavaScript (each of its imports wrapped with a counter).
function instrument() {
  const t = { starts: [], ends: [], calls: 0, callsAt: [] };
  window.vendraskBench = t;
  const gl = WebGLRenderingContext.prototype;
  const clear = gl.clear;
  gl.clear = function (mask) {
    t.starts.push(performance.now());
    t.callsAt.push(t.calls);
    queueMicrotask(() => {
      this.readPixels(0, 0, 1, 1, this.RGBA, this.UNSIGNED_BYTE, new Uint8Array(4));
      t.ends.push(performance.now());
    });
    return clear.call(this, mask);
  };
  const instantiate = WebAssembly.instantiate;
  WebAssembly.instantiate = (bytes, imports) => {
    for (const module of Object.values(imports)) {
      for (const [name, f] of Object.entries(module)) {
        if (typeof f === 'function') {
          const counted = function (...args) {
            t.calls += 1;
            return f.apply(this, args);
          };
          Object.defineProperty(counted, 'name', { value: f.name });
          module[name] = counted;
        }
      }
    }
    return instantiate(bytes, imports);
  };
}

async function open(browser, url) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(instrument);
  await page.goto(url);
  await page.waitForFunction(() => window.vendraskBench.ends.length > 0, { timeout: 60_000 });
  return page;
}

// Times of the next `frames` frames, and the module's calls into JavaScript
// per frame over them.
async function frameTimes(page) {
  const from = await page.evaluate(() => window.vendraskBench.ends.length);
  await page.waitForFunction((n) => window.vendraskBench.ends.length >= n, { timeout: 300_000 }, from + frames + 1);
  return page.evaluate((f, n) => {
    const t = window.vendraskBench;
    return {
      times: t.ends.slice(f, f + n).map((end, i) => end - t.starts[f + i]),
      calls: (t.callsAt[f + n] - t.callsAt[f]) / n,
    };
  }, from, frames);
}

// The page's frames at each level, keyed by level; "+" makes the mesh finer.
async function byLevel(page) {
  const result = {};
  for (let i = 0; i < startLevel - levels[0]; i += 1) {
    await page.keyboard.press('+');
  }
  for (const level of levels) {
    if (level !== levels[0]) {
      await page.keyboard.press('-');
    }
    await frameTimes(page);  // the change of level takes effect
    result[level] = await frameTimes(page);
  }
  return result;
}

// JavaScript heap in use after garbage collection, bytes.
async function heap(page) {
  const devtools = await page.createCDPSession();
  await devtools.send('HeapProfiler.collectGarbage');
  const { usedSize } = await devtools.send('Runtime.getHeapUsage');
  await devtools.detach();
  return usedSize;
}

async function heapGrowth(page) {
  const at = async (n) => {
    await page.waitForFunction((k) => window.vendraskBench.ends.length >= k, { timeout: 600_000, polling: 1000 }, n);
    return heap(page);
  };
  const early = await at(100);
  return (await at(heapFrames)) - early;
}

const [folder, earlier] = process.argv.slice(2);
const desktop = process.env.VENDRASK_DESKTOP_FRAMES?.split(',').map(Number);
const server = await serve(folder);
const url = `http://127.0.0.1:${server.address().port}/`;
const earlierServer = earlier ? await serve(earlier) : null;
const browser = await launch();
try {
  const firstFrame = [];
  for (let i = 0; i < loads; i += 1) {
    const page = await open(browser, url);
    firstFrame.push(await page.evaluate(() => window.vendraskBench.ends[0]));
    await page.close();
  }
  let page = await open(browser, url);
  const growth = await heapGrowth(page);
  await page.close();

  // One page at a time, the two taking turns, so that both see the same
  // machine; each level's frames of all rounds together.
  const pages = [url, earlierServer && `http://127.0.0.1:${earlierServer.address().port}/`].filter(Boolean);
  const [now, before = null] = pages.map(() => Object.fromEntries(levels.map((l) => [l, { times: [], calls: 0 }])));
  for (let round = 0; round < rounds; round += 1) {
    for (const [i, address] of pages.entries()) {
      page = await open(browser, address);
      for (const [level, { times, calls }] of Object.entries(await byLevel(page))) {
        const into = [now, before][i][level];
        into.times.push(...times);
        into.calls = calls;
      }
      await page.close();
    }
  }

  // What a visit downloads; the icons for installing it as an app come
  // only when it is installed.
  const files = readdirSync(folder).filter((f) => /\.(html|css|js|wasm|png|webmanifest)$/.test(f) && !/^icon-\d+/.test(f)).sort();
  const sizes = files.map((f) => [f, gzipSync(readFileSync(join(folder, f)), { level: 9 }).length]);
  const total = sizes.reduce((sum, [, n]) => sum + n, 0);

  console.log('## The web page in headless Chromium (software WebGL)');
  console.log();
  console.log(`Chromium ${(await browser.version()).replace(/^\D*/, '')} with SwiftShader, on the same machine; made by`);
  console.log('`bench/web_bench.mjs`. A frame is timed from its first GL call until its pixels can be read back;');
  console.log('calls are those from the program\'s module into JavaScript.');
  console.log();
  console.log(`| detail level | page frame (${rounds} × ${frames} frames) | desktop \`BM_frame\` | calls per frame${before ? ' | against the earlier page' : ''} |`);
  console.log(`|---|---|---|---|${before ? '---|' : ''}`);
  for (const level of levels) {
    const ms = median(now[level].times);
    const ratio = before ? ` | ${(ms / median(before[level].times)).toFixed(2)} (was ${median(before[level].times).toFixed(1)} ms, ${Math.round(before[level].calls)} calls)` : '';
    console.log(`| ${level} | ${ms.toFixed(1)} ms | ${desktop ? `${desktop[level].toFixed(2)} ms` : '—'} | ${Math.round(now[level].calls)}${ratio} |`);
  }
  console.log();
  console.log('| measure | median |');
  console.log('|---|---|');
  console.log(`| navigation to first frame (${loads} loads) | ${median(firstFrame).toFixed(0)} ms |`);
  console.log(`| JavaScript heap, after ${heapFrames} frames against after 100 (level ${startLevel}) | ${growth >= 0 ? '+' : ''}${(growth / 1000).toFixed(1)} kB |`);
  console.log(`| download, gzipped | ${(total / 1000).toFixed(1)} kB (${sizes.map(([f, n]) => `${f} ${(n / 1000).toFixed(1)}`).join(', ')}) |`);
} finally {
  await close(browser);
  server.close();
  earlierServer?.close();
}
