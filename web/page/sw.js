// SPDX-License-Identifier: MIT
// The page's service worker: keeps the files of the release it belongs to,
// so that the page loads again without a network, and serves them from
// there. Each release keeps its files in a cache of its own, fetched past the
// browser's HTTP cache and filled whole before it may take over. It takes
// over once every open page of this copy has loaded all it needs (each says
// so, when asked), or when none is open; the caches of this copy's other releases go
// once it has. So a visitor never runs a mix of two releases.
'use strict';

// Caches belong to the whole origin, where other copies of the page may keep
// theirs: this copy's are named after its folder's address, which is the
// page's address too. A release is named by its version and a digest of all
// its kept files, made when it is built, so that a change to any of them is
// a new release.
const scope = self.registration.scope;
const mine = `vendrask ${scope} `;
const release = `${mine}@PROJECT_VERSION@ @VENDRASK_WEB_DIGEST@`;
// What the page loads; the larger icons are fetched by the browser only to
// install the page as an app, which it does online.
const files = '@VENDRASK_PAGE_KEPT@'.split(';');

// A file as the server has it now. An answer that came by a redirect (a host
// that sends index.html to the folder's address) is kept as a plain answer,
// which a browser takes for a page. A page in place of another file (a host
// that answers a missing file with the page) is no answer: nothing is kept,
// and the next visit tries again.
async function fetchAfresh(file) {
  const response = await fetch(file, { cache: 'reload' });
  const page = response.headers.get('Content-Type')?.startsWith('text/html') && !file.endsWith('.html');
  if (!response.ok || page) {
    throw new Error(`${file}: ${response.status} ${response.statusText}`);
  }
  return response.redirected ? new Response(await response.blob(), { headers: response.headers }) : response;
}

self.addEventListener('install', (event) => {
  event.waitUntil(Promise.all(files.map(fetchAfresh)).then(async (answers) => {
    const cache = await caches.open(release);
    await Promise.all(files.map((file, i) => cache.put(file, answers[i])));
  }));
});

// Whether the release `worker` (its script's address) of the copy at
// `scope` may take over, from the open pages (each its address, its id and
// its answer, or null where it gave none in time) and the ids of the pages
// the release before is answering navigations for: when every page of this
// copy that this worker serves has loaded all it needs. A hidden page that
// does not answer (a tab the browser has frozen, say, which asks again when
// it resumes) holds nothing; a visible one that does not has not loaded, and
// one still loading after a minute holds the release back no longer. Pages
// served by no worker (opened with Shift+Reload) or by another copy's are
// none of its business. A page still being navigated to is not among the
// pages yet, and holds the release back.
function mayTakeOver(worker, scope, pages, navigating) {
  const ours = pages.filter((page) => page.url.startsWith(scope));
  const holdsNothing = ({ hidden, answer }) => (answer ? answer.settled || answer.worker !== worker || answer.loadingFor > 60_000 : hidden);
  return ours.every(holdsNothing) && navigating.every((id) => ours.some((page) => page.id === id));
}

// Asks each page whether it has settled (it answers once it has run its
// scripts), a hidden one for two seconds and a visible one for ten, and the
// release before for the navigations it is answering. Nothing is kept
// between two messages: the browser may stop a waiting worker at any time.
function ask(port, question, timeout, unanswered) {
  return new Promise((resolve) => {
    const { port1, port2 } = new MessageChannel();
    const timer = setTimeout(resolve, timeout, unanswered);
    port1.onmessage = (event) => {
      clearTimeout(timer);
      resolve(event.data);
    };
    port.postMessage(question, [port2]);
  });
}
const windows = { type: 'window', includeUncontrolled: true };  // every page, served by a worker or not
async function everyPageSettled() {
  const pages = (await self.clients.matchAll(windows)).filter((page) => page.url.startsWith(scope));
  const answered = await Promise.all(pages.map(async (page) => ({ url: page.url, id: page.id, hidden: page.visibilityState === 'hidden',
    answer: await ask(page, 'settled?', page.visibilityState === 'hidden' ? 2000 : 10_000, null) })));
  const active = self.registration.active;
  const navigating = active ? await ask(active, 'navigating?', 10_000, []) : [];
  return mayTakeOver(self.location.href, scope, answered, navigating);
}

// The pages this worker has answered a navigation for that are not among
// its pages yet, by their ids: each is dropped once it is, or after ten
// seconds (a navigation given up). A release waiting to take over asks for
// them (a release before this one does not answer, and is taken to have
// none).
const navigations = new Set();
async function untilThere(id) {
  navigations.add(id);
  const there = () => self.clients.matchAll(windows).then((pages) => pages.some((page) => page.id === id));
  for (const end = Date.now() + 10_000; Date.now() < end && !(await there());) {
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  navigations.delete(id);
}

// A page that has settled says so, and the release takes over if every page
// has.
self.addEventListener('message', (event) => {
  if (event.data === 'settled') {
    event.waitUntil(everyPageSettled().then((all) => (all ? self.skipWaiting() : null)));
  } else if (event.data === 'navigating?') {
    event.ports[0]?.postMessage([...navigations]);
  }
});

// The caches of this copy's other releases go, and those of releases up to
// 1.3.0, which named theirs for the whole origin.
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => (name.startsWith(mine) && name !== release) || /^vendrask-[0-9.]+$/.test(name))
    .map((name) => caches.delete(name)))));
});

// The page at the folder's address too; whatever the server's answers vary
// by, one file is kept once.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') {
    return;
  }
  if (event.request.mode === 'navigate' && event.resultingClientId) {
    event.waitUntil(untilThere(event.resultingClientId));
  }
  const folder = event.request.mode === 'navigate' && event.request.url.split(/[?#]/)[0] === scope;
  event.respondWith(caches.open(release)
    .then((cache) => cache.match(folder ? 'index.html' : event.request, { ignoreSearch: true, ignoreVary: true }))
    .then((kept) => kept ?? fetch(event.request)));
});
