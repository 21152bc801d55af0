// SPDX-License-Identifier: MIT
// Benchmarks of the web page in two browsers: Firefox, whose WebGL Mesa's
// llvmpipe draws, the desktop's own rasteriser, and Chromium with
// SwiftShader. In each: navigation to the first frame; the time a frame
// takes at detail levels 0 to 4 (from its first GL call until its pixels can
// be read back), beside the desktop's when given; the bytes handed to WebGL
// and the calls from the module into JavaScript per frame; in Chromium the
// JavaScript heap after many frames; and the page's download, gzipped.
// Given a second folder (the page of an earlier commit), both pages are
// timed in the same run, taking turns, and their ratio printed. Prints a
// Markdown section of medians. Firefox needs an X display (xvfb-run).
//   node bench/web_bench.mjs WEB-BUILD-DIR [EARLIER-WEB-BUILD-DIR]
//   VENDRASK_DESKTOP_FRAMES="ms at level 0,1,2,3,4"   the desktop's frame times, to print beside
import { readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';

import { serve, start } from '../tests/web/browser.mjs';

const loads = 9;          // page loads for the time to the first frame
const frames = 15;        // frames timed at each detail level
const heapFrames = 3000;  // frames drawn before the heap is taken again
const levels = [0, 1, 2, 3, 4];
const rounds = 3;         // pages loaded for the frame times, taking turns with the earlier page
const startLevel = 2;     // the program's detail level at start-up

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Put into the page: the time of each frame's first GL call (its clear) and
// of the moment its pixels could be read back, the calls the module makes
// into JavaScript (each of its imports wrapped with a counter), and the bytes
// of vertex data copied into WebGL.
function instrument() {
  const t = { starts: [], ends: [], calls: 0, callsAt: [], bytes: 0, bytesAt: [] };
  window.vendraskBench = t;
  const gl = WebGLRenderingContext.prototype;
  for (const name of ['bufferData', 'bufferSubData']) {
    const original = gl[name];
    gl[name] = function (target, at, data, ...rest) {
      t.bytes += target === this.ARRAY_BUFFER ? ((typeof at === 'number' ? data : at)?.byteLength ?? 0) : 0;
      return original.call(this, target, at, data, ...rest);
    };
  }
  const clear = gl.clear;
  gl.clear = function (mask) {
    t.starts.push(performance.now());
    t.callsAt.push(t.calls);
    t.bytesAt.push(t.bytes);
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
// and bytes handed to WebGL per frame over them.
async function frameTimes(page) {
  const from = await page.evaluate(() => window.vendraskBench.ends.length);
  await page.waitForFunction((n) => window.vendraskBench.ends.length >= n, { timeout: 300_000 }, from + frames + 1);
  return page.evaluate((f, n) => {
    const t = window.vendraskBench;
    return {
      times: t.ends.slice(f, f + n).map((end, i) => end - t.starts[f + i]),
      calls: (t.callsAt[f + n] - t.callsAt[f]) / n,
      bytes: (t.bytesAt[f + n] - t.bytesAt[f]) / n,
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

// Asked once a second: one wait in the page would outlast the bound on each
// call into the browser.
async function heapGrowth(page) {
  const at = async (n) => {
    for (const end = Date.now() + 600_000; !(await page.evaluate((k) => window.vendraskBench.ends.length >= k, n));) {
      if (Date.now() > end) {
        throw new Error(`fewer than ${n} frames drawn in ten minutes`);
      }
      await new Promise((resolve) => setTimeout(resolve, 1000));
    }
    return heap(page);
  };
  const early = await at(100);
  return (await at(heapFrames)) - early;
}

const [folder, earlier] = process.argv.slice(2);
const desktop = process.env.VENDRASK_DESKTOP_FRAMES?.split(',').map(Number);
const servers = [await serve(folder), ...(earlier ? [await serve(earlier)] : [])];
const ms = (value) => `${value.toFixed(1)} ms`;
const bytes = (value) => (value < 1000 ? `${Math.round(value)} B` : `${(value / 1e6).toFixed(2)} MB`);

// One browser's figures, both pages taking turns so that both see the same
// machine; each level's frames of all rounds together.
async function measure(engine) {
  const browser = (await start(engine)).native;
  try {
    const [now, before = null] = servers.map(() => ({
      first: [], levels: Object.fromEntries(levels.map((l) => [l, { times: [], calls: 0, bytes: 0 }])),
    }));
    for (let i = 0; i < loads; i += 1) {
      for (const [k, server] of servers.entries()) {
        const page = await open(browser, server.url);
        [now, before][k].first.push(await page.evaluate(() => window.vendraskBench.ends[0]));
        await page.close();
      }
    }
    for (let round = 0; round < rounds; round += 1) {
      for (const [k, server] of servers.entries()) {
        const page = await open(browser, server.url);
        for (const [level, { times, calls, bytes: handed }] of Object.entries(await byLevel(page))) {
          const into = [now, before][k].levels[level];
          into.times.push(...times);
          Object.assign(into, { calls, bytes: handed });
        }
        await page.close();
      }
    }
    let growth = null;
    if (engine === 'chromium') {
      const page = await open(browser, servers[0].url);
      growth = await heapGrowth(page);
      await page.close();
    }
    return { version: await browser.version(), now, before, growth };
  } finally {
    await browser.close();
  }
}

try {
  console.log('## The web page in Firefox and Chromium (software WebGL)');
  console.log();
  console.log('Made by `bench/web_bench.mjs`, on the same machine as the above. A frame is timed from its first GL');
  console.log('call until its pixels can be read back; bytes are those of vertex data copied into WebGL buffers,');
  console.log('calls those from the program\'s module into JavaScript. Firefox draws WebGL with Mesa\'s llvmpipe,');
  console.log('the rasteriser of the desktop\'s `BM_frame`; Chromium with SwiftShader.');
  for (const [engine, renderer] of [['firefox', 'Mesa\'s llvmpipe'], ['chromium', 'SwiftShader']]) {
    const { version, now, before, growth } = await measure(engine);
    const old = (level, f) => (before ? ` | ${f(before.levels[level])}` : '');
    console.log();
    console.log(`### ${version.replace(/\/.*$/, '')} ${version.replace(/^.*\//, '')}, ${renderer}`);
    console.log();
    console.log(`| detail level | page frame (${rounds} × ${frames} frames) | ${before ? 'earlier page | page / earlier | ' : ''}desktop \`BM_frame\` | page / desktop | handed to WebGL per frame${before ? ' (earlier)' : ''} | calls per frame${before ? ' (earlier)' : ''} |`);
    console.log(`|---|---|${before ? '---|---|' : ''}---|---|---|---|`);
    for (const level of levels) {
      const page = median(now.levels[level].times);
      const was = before && median(before.levels[level].times);
      console.log(`| ${level} | ${ms(page)} | ${before ? `${ms(was)} | ${(page / was).toFixed(2)} | ` : ''}`
        + `${desktop ? `${desktop[level].toFixed(2)} ms | ${(page / desktop[level]).toFixed(2)}` : '— | —'} | `
        + `${bytes(now.levels[level].bytes)}${old(level, (l) => bytes(l.bytes))} | `
        + `${Math.round(now.levels[level].calls)}${old(level, (l) => Math.round(l.calls))} |`);
    }
    console.log();
    console.log(`Navigation to the first frame (${loads} loads): ${ms(median(now.first))}${before ? `, the earlier page ${ms(median(before.first))}` : ''}.`);
    if (growth !== null) {
      console.log(`JavaScript heap, after ${heapFrames} frames against after 100 (level ${startLevel}): ${growth >= 0 ? '+' : ''}${(growth / 1000).toFixed(1)} kB.`);
    }
  }
  // What a visit downloads; the icons for installing it as an app come only
  // when it is installed, and vendrask.wasm.js only from the file system.
  const files = readdirSync(folder).filter((f) => /\.(html|css|js|wasm|png|webmanifest)$/.test(f)
    && !/^icon-\d+|\.wasm\.js$/.test(f)).sort();
  const sizes = files.map((f) => [f, gzipSync(readFileSync(join(folder, f)), { level: 9 }).length]);
  const total = sizes.reduce((sum, [, n]) => sum + n, 0);
  console.log();
  console.log(`Download, gzipped: ${(total / 1000).toFixed(1)} kB (${sizes.map(([f, n]) => `${f} ${(n / 1000).toFixed(1)}`).join(', ')}).`);
} finally {
  await Promise.all(servers.map((server) => server.stop()));
}
