// SPDX-License-Identifier: MIT
// The page in visitors' own browsers and on their hosts: accessible, within
// its own policy, going on through others' errors; and what keeps it from
// running, each made to happen on a fresh server (no worker keeps its files).
import { accessibility, assert, click, closed, concern, expectStopped, grabbed, it, started, state, status, until } from './harness.mjs';

const tooOld = /too old to run Vendrask/;
const network = /could not load vendrask\.wasm: the network is down/;
// What fails (the page's address asks the browser to lack something, or the
// server does something to a file or sends a policy), what the page says,
// and whether it offers to start again.
const failures = [
  ['a browser without WebGL', '?nowebgl', null, /draws with WebGL, which it lacks/, false],
  ['vendrask.wasm missing on the server', '', ['missing', 'vendrask.wasm'], /could not load vendrask\.wasm: .* 404 Not Found/, true],
  ['vendrask.js missing on the server', '', ['missing', 'vendrask.js'], /could not load vendrask\.js: .* 404 Not Found/, true],
  ['vendrask.wasm\'s connection dropped', '', ['dropped', 'vendrask.wasm'], network, true],
  ['vendrask.wasm cut off half way', '', ['cut', 'vendrask.wasm'], network, true],
  ['an error inside a GL call', '?fault', null, /stopped with an error: the test has broken drawArrays/, true],
  ['an error in the page\'s own script', '?ownfault', null, /stopped with an error: the test has broken focus/, true],
  ['a browser that refuses WebAssembly under the page\'s own policy', '?oldwasm', null, tooOld, false],
  ['a browser that cannot parse the page\'s scripts', '', ['garbled', 'page.js'], tooOld, false],
  ['WebAssembly switched off', '?nowasm', null, /WebAssembly switched off/, false],
  ['a host\'s policy that forbids WebAssembly', '', ['policy', 'script-src \'self\''], /server does not let it run .* forbids WebAssembly/, false,
    ['webkit'], 'WebKitGTK compiles WebAssembly under that policy, and the page runs'],
  ['a host\'s policy that forbids fetching its files', '', ['policy', 'default-src \'none\'; script-src \'self\' \'wasm-unsafe-eval\''],
    /server does not let it run .* forbids loading vendrask\.wasm/, false],
  ['a sandbox with no origin of its own', '', ['policy', 'sandbox allow-scripts'], /sandboxed without an origin of its own/, false,
    ['webkit'], 'WebKitGTK runs none of the page\'s scripts there, and the page\'s own sentence that they have not run stands'],
];

// Another script on the page, such as a browser extension's: an error, a
// rejection, a ResizeObserver loop and a WebAssembly module that traps, none
// of them handled.
function foreignErrors() {
  setTimeout(() => { throw new Error('a foreign error'); });
  Promise.reject(new Error('a foreign rejection'));
  const box = document.body.appendChild(document.createElement('div'));
  new ResizeObserver(() => { box.style.height ||= '1px'; }).observe(box);
  const trap = [0, 97, 115, 109, 1, 0, 0, 0, 1, 4, 1, 96, 0, 0, 3, 2, 1, 0, 7, 5, 1, 1, 102, 0, 0, 10, 5, 1, 3, 0, 0, 11];  // f() { unreachable }
  WebAssembly.instantiate(new Uint8Array(trap)).then(({ instance }) => setTimeout(instance.exports.f));
}

concern('visitors', (ctx) => {
  // The page the first cases share, opened by the first that runs, and closed before the cases that
  // open pages of their own: WebKit's automation has one page open at a time.
  let page = null;
  let refused = 0;  // what its policy refused it on purpose
  const opened = async () => {
    page ??= await ctx.open(`${(await ctx.serve({ files: { 'foreign.js': `(${foreignErrors})();\n` } })).url}index.html`);
    await grabbed(page, 0);
    return page;
  };

  it('passes axe-core\'s checks against WCAG 2.1 A and AA and its best practices', async () => {
    assert.deepEqual(await accessibility(await opened()), []);
  });

  it('can be installed as an app', ctx.skip(['firefox', 'webkit'], 'its automation has no installability verdict'), async () => {
    const devtools = await (await opened()).native.createCDPSession();
    assert.deepEqual((await devtools.send('Page.getInstallabilityErrors')).installabilityErrors, []);
  });

  it('refuses an inline script and eval, by its own policy', async () => {
    await (await opened()).evaluate(() => {  // eval run by the page itself, later: the automation's own calls may
      document.head.append(Object.assign(document.createElement('script'), { textContent: 'window.inlineRan = true;' }));
      setTimeout(() => {
        try {
          window.evalRan = (0, eval)('true');
        } catch {
          window.evalRan = false;
        }
      });
    });
    await until(page, () => window.evalRan !== undefined);
    assert.deepEqual(await page.evaluate(() => [window.inlineRan === true, window.evalRan]), [false, false], 'an inline script or eval ran');
    await until(page, () => window.vendraskTest.violations === 2, null, 'the policy did not refuse both');
    refused = 2;
  });

  it('leaves other scripts\' errors to the browser, and goes on', async () => {
    const foreign = 4;
    await (await opened()).evaluate(() => document.head.append(Object.assign(document.createElement('script'), { src: 'foreign.js' })));
    await until(page, (n) => window.vendraskTest.uncaught.length >= n, foreign, 'the foreign errors not raised');
    const frames = await state(page, 'frames');
    await until(page, (k) => window.vendraskTest.frames >= k, frames + 5, 'the viewer stopped on a foreign error');
    assert.deepEqual(await status(page), ['', false], 'said on a foreign error');
  });

  it('shows no "Full screen" where the browser has none, or a frame may not use it', async () => {
    assert.equal(await (await opened()).evaluate(() => document.getElementById('fullscreen').hidden), false, 'control: "Full screen" not shown');
    await closed(page, [], refused);
    page = null;
    for (const how of ['gone', 'frame']) {
      const none = await ctx.open(`${ctx.server.url}index.html?nofullscreen=${how}`);
      assert.ok(await none.evaluate(() => document.getElementById('fullscreen').hidden), `${how}: a "Full screen" button with no full screen`);
      await closed(none);
    }
  });

  // Where none of its scripts run, the page's own words say why.
  for (const [what, host, prepare, said, skip] of [
    ['JavaScript is off', {}, (p) => p.setJavaScriptEnabled(false), /runs in JavaScript, which this browser has switched off/,
      [['firefox', 'webkit'], 'its automation cannot switch JavaScript off']],
    ['a host\'s policy blocks its scripts', { 'Content-Security-Policy': 'script-src \'none\'' }, undefined, /scripts have not run/,
      [['webkit'], 'its automation runs no script there']]]) {
    it(`says why it does not run where ${what}`, ctx.skip(...skip), async () => {
      const still = await ctx.open((await ctx.serve({ headers: host })).url, prepare);
      assert.match(await still.evaluate(() => document.body.innerText), said);
      await still.close();
    });
  }

  for (const [what, address, host] of [['a host\'s policy that asks for Trusted Types', '', { 'Content-Security-Policy': 'require-trusted-types-for \'script\'' }],
    ['another script of the site, named like its own, failing while it loads', '?namesake', {}]]) {
    it(`runs under ${what}`, async () => {
      const running = await ctx.open(`${(await ctx.serve({ headers: host })).url}${address}`);
      await started(running);
      await closed(running);
    });
  }

  for (const [what, query, fault, said, canRestart, those = [], why = ''] of failures) {
    it(`says so, and stops, for ${what}`, ctx.skip(those, why), async () => {
      const [kind, file] = fault ?? [];
      const server = await ctx.serve({ headers: kind === 'policy' ? { 'Content-Security-Policy': file } : {} });
      if (kind && kind !== 'policy') {
        server.faults.set(file, kind);
      }
      const failing = await ctx.open(`${server.url}${query}`);
      await expectStopped(failing, said, canRestart);
      const [sentence] = await status(failing);
      assert.deepEqual(await state(failing, 'errors'), [sentence], 'the console does not say what the page says');
      // Pressed once the dropped file is there again, "Start again" loads
      // the page again.
      if (kind === 'dropped') {
        server.faults.clear();
        await click(failing, '#restart button');
        await started(failing, '"Start again" did not load the page again', true);
      }
      await closed(failing, kind === 'dropped' ? [] : [sentence], kind === 'policy' ? null : 0);
    });
  }
});
