// SPDX-License-Identifier: MIT
// The page's service worker: keeps the files of the release it belongs to,
// so that the page loads again without a network, and serves them from
// there. Each release keeps its files in a cache of its own, named after its
// version, filled whole before it may take over. It takes over when a page
// running the release before has loaded all it needs (page.js asks), or when
// no page runs that release; the caches of other releases go once it has.
// So a visitor never runs a mix of two releases.
'use strict';

const release = 'vendrask-@PROJECT_VERSION@';
// What the page loads; the larger icons are fetched by the browser only to
// install the page as an app, which it does online.
const files = ['./', 'index.html', 'style.css', 'input.js', 'loader.js', 'page.js', 'vendrask.js', 'vendrask.wasm',
  'manifest.webmanifest', 'icon.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(release).then((cache) => cache.addAll(files)));
});

self.addEventListener('message', (event) => {
  if (event.data === 'take over') {
    self.skipWaiting();
  }
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(
    names.filter((name) => name.startsWith('vendrask-') && name !== release).map((name) => caches.delete(name)))));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') {
    return;
  }
  event.respondWith(caches.open(release)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((kept) => kept ?? fetch(event.request)));
});
