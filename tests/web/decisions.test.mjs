// SPDX-License-Identifier: MIT
// The page's decisions as plain functions, each script run alone without a
// browser: the press rules of "In" and "Out", the sentence a failure gets,
// and when the worker's next release takes over.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';
import vm from 'node:vm';

// Whatever of the browser a script touches as it loads does nothing; the
// words the build writes in are left null.
const inert = new Proxy(function () {}, { get: (_, key) => (key === Symbol.toPrimitive ? () => '' : inert), apply: () => inert });
function load(file, globals) {
  const source = readFileSync(new URL(`../../web/page/${file}`, import.meta.url), 'utf8').replace(/@\w+@/g, 'null');
  const context = vm.createContext({ document: { baseURI: 'https://host/', addEventListener() {} }, window: inert, self: inert, URL, ...globals });
  vm.runInContext(source, context);
  return context;
}

test('"In" and "Out" hold while pressed, latch on a click alone, and let go as they should', () => {
  const { pressing, free } = load('input.js', { Vendrask: {} }).Vendrask.input;
  const event = ([type, control]) => ({ type: { touch: 'begin', tap: 'click' }[type] ?? type, control, touch: ['touch', 'tap'].includes(type) });
  for (const [what, events, acts, holding = null] of [
    ['a pointer\'s press that lasts a frame, its click after', 'begin In, frame, end In, click In, quiet In', 'down In, up In'],
    ['a press ended before any frame, with no click', 'begin In, end In, quiet In', 'down In, up In'],
    ['a frame drawn after the press ended', 'begin In, end In, frame, quiet In', 'down In, up In'],
    ['a screen reader\'s press and release in Chromium', 'begin In, end In, click In, quiet In', 'down In', 'In latched'],
    ['the same press again', 'click In, begin In, end In, click In, quiet In', 'down In, up In, down In, up In'],
    ['a click alone, twice', 'click Out, click Out', 'down Out, up Out'],
    ['a finger\'s tap, its click late', 'touch In, end In, quiet In, tap In', 'down In, up In'],
    ['a latch, and another control clicked', 'click In, other -', 'down In, up In'],
    ['a press, and another control clicked', 'begin In, other -', 'down In', 'In'],
    ['a latch, and its own click seen first', 'click In, other In', 'down In', 'In latched'],
    ['a latch, and the other control pressed', 'click In, begin Out, frame, end Out', 'down In, up In, down Out, up Out'],
    ['a press, and the eye steered otherwise', 'begin Out, away', 'down Out, up Out'],
    ['a key held down, then the focus gone', 'begin In, frame, end In, end In, quiet In, quiet In', 'down In, up In'],
  ]) {
    const done = [];
    const state = events.split(', ').reduce((from, said) => {
      const [next, made] = pressing(from, event(said.split(' ')));
      done.push(...made.map((act) => act.join(' ')));
      return next;
    }, free);
    assert.equal(done.join(', '), acts, what);
    assert.equal([state.holding, state.latched && 'latched'].filter(Boolean).join(' ') || null, holding, `${what}: what it holds after`);
  }
});

test('a failure gets the sentence that says why, and offers to start again where that can help', () => {
  const tooOld = 'too old';
  const { whyNotLoaded, whyNotCompiled, lasting } = load('loader.js', { Vendrask: { check: { tooOld }, scripts: [], on() {} } }).Vendrask.loader;
  const answered = (status, statusText) => ({ ok: false, status, statusText });
  for (const [what, sentence, said, canRestart] of [
    ['opened from a folder', whyNotLoaded('vendrask.wasm.js', { fromFolder: true }), /load vendrask\.wasm\.js: it is not in the page's folder\.$/, true],
    ['no answer', whyNotLoaded('vendrask.wasm', {}), /load vendrask\.wasm: the network is down/, true],
    ['an answer of 404', whyNotLoaded('vendrask.js', { response: answered(404, 'Not Found') }), /: the server answered 404 Not Found\.$/, true],
    ['an answer with no reason', whyNotLoaded('vendrask.js', { response: answered(500, '') }), /: the server answered 500\.$/, true],
    ['a host\'s policy', whyNotLoaded('vendrask.wasm', { policy: 'default-src \'none\'' }), /Policy forbids loading vendrask\.wasm\./, false],
    ['a sandbox', whyNotLoaded('vendrask.wasm', { sandboxedPage: true }), /^This page is sandboxed/, false],
    ['a damaged program', whyNotCompiled('expected magic word', null), /vendrask\.wasm is damaged \(expected magic word\)/, true],
    ['a host\'s policy without WebAssembly', whyNotCompiled('Refused to compile: \'unsafe-eval\'', 'script-src \'self\''), /forbids WebAssembly/, false],
    ['the page\'s own policy in an old browser', whyNotCompiled('CSP refused', 'script-src \'self\' \'wasm-unsafe-eval\''), /^too old$/, false],
    ['a refusal no policy reports', whyNotCompiled('Content Security Policy', null), /^too old$/, false],
  ]) {
    assert.match(sentence, said, what);
    assert.equal(!lasting(sentence), canRestart, `${what}: "Start again" offered`);
  }
});

test('the next release takes over once every page of its copy that it serves has loaded', () => {
  const { mayTakeOver } = load('sw.js', {});
  const [scope, worker] = ['https://host/a/', 'https://host/a/sw.js'];
  const page = (answer, { hidden = false, id = 'p', url = `${scope}index.html` } = {}) => ({ url, id, hidden, answer });
  const loading = (more = {}) => ({ settled: false, worker, loadingFor: 5000, ...more });
  for (const [what, pages, navigating, may] of [
    ['no page open', [], [], true],
    ['a page settled', [page({ settled: true, worker })], [], true],
    ['a page loading', [page(loading())], [], false],
    ['a page loading for over a minute', [page(loading({ loadingFor: 60_001 }))], [], true],
    ['a visible page that does not answer', [page(null)], [], false],
    ['a hidden page that does not answer', [page(null, { hidden: true })], [], true],
    ['a page loading past the worker', [page(loading({ worker: null }))], [], true],
    ['a page of another copy below this one', [page(loading({ worker: `${scope}copy/sw.js` }), { url: `${scope}copy/` })], [], true],
    ['a page outside the copy', [page(null, { url: 'https://host/b/' })], [], true],
    ['a page still being navigated to', [page({ settled: true, worker })], ['q'], false],
    ['a page navigated to, now open and settled', [page({ settled: true, worker }, { id: 'q' })], ['q'], true],
  ]) {
    assert.equal(mayTakeOver(worker, scope, pages, navigating), may, what);
  }
});
