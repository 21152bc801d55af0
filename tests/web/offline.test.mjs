// SPDX-License-Identifier: MIT
// The page kept for use offline by its service worker, beside a second copy
// on the same host; a next release published at its address; the page
// opened from the file system; and hosts that serve it their own way.
import { cpSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

import { assert, before, closed, concern, folder, grabbed, height, instrument, it, measure, until, width } from './harness.mjs';

// Which release each of the page's files came from, as the test's server
// marked them: the page's footer, its scripts and the program.
const releases = (page) => page.evaluate(() => [/Vendrask (\S+)\./.exec(document.querySelector('footer').textContent)[1],
  ...self.vendraskServed.map((s) => s.split(' ')[1]), window.vendraskTest.program]);

// Whether the release a cache name starts with has kept its files alone
// in this copy's scope, and the second copy its own.
const tookOver = ([mine, kept, copy]) => caches.keys().then((names) => {
  const own = names.filter((n) => n.startsWith(mine));
  return own.length === 1 && own[0].startsWith(kept) && names.some((n) => n.startsWith(copy));
});

concern('offline', (ctx) => {
  let page = null;   // the page, first loaded from `server` once its worker is active
  let server = null; // a host whose answers the browser may keep for ten minutes and that vary by what it
  //                    accepts, with no page at a folder's address
  let first = null;  // the page's first frame
  const ranWhole = async (on, release) => {
    await until(on, () => window.vendraskTest.program !== null, null, 'the program did not load');
    assert.deepEqual(new Set(await releases(on)), new Set([release]), 'the files of one release');
  };
  before(async () => {
    server = await ctx.serve({ headers: { 'Cache-Control': 'max-age=600', Vary: 'Accept' }, folderIndex: false });
    page = await ctx.open(`${server.url}index.html`);
    first = await grabbed(page, 0);
    await page.evaluate(async () => {  // the test's own script kept beside the page's
      const registration = await navigator.serviceWorker.ready;
      await new Promise((resolve) => (registration.active.state === 'activated' ? resolve()
        : registration.active.addEventListener('statechange', resolve)));
      const [release] = (await caches.keys()).filter((name) => name.startsWith(`vendrask ${registration.scope} `));
      await (await caches.open(release)).add('vendrask-test.js');
    });
  });

  it('starts again with its server gone, at the folder\'s address and the page\'s, the same landscape', async () => {
    await server.stop();
    try {
      for (const address of ['', 'index.html']) {
        await page.goto(`${server.url}${address}`);
        assert.ok((await grabbed(page, 0)).equals(first), `offline at "${address}", the page did not draw its first frame again`);
      }
    } finally {
      await server.start();
    }
  });

  // A second copy of the page under /copy/, then the next release at the
  // first copy's address: the first load after it is published runs the one
  // before whole, the next runs it whole, and only the cache of the one
  // before has gone. A second tab, its program held back, is loading when
  // the next release is published (not before: with no page loading, a
  // release may take over at once): the release waits for it, however the
  // browser treats the waiting worker (Chromium stops it meanwhile), and
  // takes over once it has settled; neither tab runs a mix. Each of these
  // cases goes on from the one before.
  let tab = null;   // the second tab, but in WebKit, whose automation opens each page in a browser of its own
  let older = null; // the release before the next
  let others = []; // tabs that must not hold it back
  let kept = null;  // the names the caches begin with once the next release has taken over: its scope's, its own, the copy's
  it('keeps a second copy\'s files beside its own', async () => {
    await page.goto(`${server.url}copy/index.html`);
    const copy = `vendrask ${server.url}copy/ `;
    await until(page, (c) => caches.keys().then((names) => names.some((n) => n.startsWith(c))), copy, 'the second copy kept nothing');
    await page.goto(server.url);
    kept = [`vendrask ${server.url} `, `vendrask ${server.url} ${server.release}.1 `, copy];
  });

  it('runs the release before whole on the first load after the next is published', async () => {
    tab = ctx.engine === 'webkit' ? null : await ctx.open(`${server.url}index.html?slow`);
    // Tabs that must not hold the next release back: one of the second copy and, in Chromium, one opened
    // past the worker (as Shift+Reload does), neither ever settling; and one frozen in the background.
    others = ctx.engine === 'webkit' ? [] : [await ctx.open(`${server.url}copy/index.html?slow`)];
    if (ctx.engine === 'chromium') {
      others.push(await ctx.open(`${server.url}index.html?slow`, (p) => p.setBypassServiceWorker(true)), await ctx.open(server.url));
      await grabbed(others[2], 0);
      await page.native.bringToFront();
      await (await others[2].native.createCDPSession()).send('Page.setWebLifecycleState', { state: 'frozen' });
    }
    [older, server.release] = [server.release, `${server.release}.1`];
    await page.reload();
    await ranWhole(page, older);
  });

  it('holds the next release back while a second tab is loading, its files all of the release before', ctx.skip(['webkit'],
    'its automation opens each page in a browser of its own'), async () => {
    await until(tab, () => navigator.serviceWorker.getRegistration().then((r) => r?.waiting && window.vendraskTest.asked > 0),
      null, 'the loading tab was never asked whether it had settled');
    assert.ok(!(await page.evaluate(tookOver, kept)), 'the next release took over while a tab was loading');
    if (ctx.engine === 'chromium') {
      const devtools = await tab.native.createCDPSession();
      await devtools.send('ServiceWorker.enable');
      await devtools.send('ServiceWorker.stopAllWorkers');
    }
    await tab.evaluate(() => window.vendraskTest.go());
    await ranWhole(tab, older);
    await closed(tab);
  });

  it('takes over once every tab has settled, and runs the next release whole on the next load', async () => {
    await until(page, tookOver, kept, 'the next release did not take over alone');
    await others[2]?.native.createCDPSession().then((devtools) => devtools.send('Page.setWebLifecycleState', { state: 'active' }));
    await Promise.all(others.map((other) => closed(other)));
    await page.reload();
    await ranWhole(page, server.release);
  });

  it('draws the landscape opened from the file system, and says so where vendrask.wasm.js is not beside it', async () => {
    await page.goto(pathToFileURL(join(folder, 'index.html')).href);
    await until(page, () => document.getElementById('status').textContent === '', null, 'from a file: never started');
    await page.evaluate(instrument, width, height);
    assert.ok(measure((await grabbed(page, 0))).lit > 0.05 * width * height, 'from a file: no landscape');
    const bare = mkdtempSync(join(tmpdir(), 'vendrask-page-'));
    try {
      cpSync(folder, bare, { recursive: true });
      rmSync(join(bare, 'vendrask.wasm.js'));
      await page.goto(pathToFileURL(join(bare, 'index.html')).href);
      await until(page, () => /vendrask\.wasm\.js: it is not in the page's folder/.test(document.getElementById('status').textContent),
        null, 'from a file: not said that vendrask.wasm.js is missing');
    } finally {
      rmSync(bare, { recursive: true });
      await page.close();
    }
  });

  it('keeps nothing from a host that answers a missing file with the page, and every file once it is there', async () => {
    await page.close();  // WebKit's automation has one page open at a time
    const spa = await ctx.serve({ fallback: true });
    spa.faults.set('icon.png', 'missing');
    const visit = await ctx.open(spa.url);
    await until(visit, () => ['redundant', 'activated'].includes(window.vendraskTest.worker), null, 'the worker never ended');
    assert.equal(await visit.evaluate(() => window.vendraskTest.worker), 'redundant', 'the worker kept the page in place of a missing file');
    spa.faults.clear();
    await visit.reload();
    await until(visit, (scope) => caches.keys().then((names) => names.find((n) => n.startsWith(scope)))
      .then((name) => name && caches.open(name)).then((cache) => cache?.match('icon.png'))
      .then((icon) => icon?.headers.get('Content-Type') === 'image/png'), `vendrask ${spa.url} `, 'the icon never kept', true);
    await closed(visit);
  });
});
