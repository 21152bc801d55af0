// SPDX-License-Identifier: MIT
// The page around the program: what it says of the viewer and of whatever
// keeps it from running, full screen, starting again, and the service worker
// that keeps the page for use offline. Loaded after bridge.js; starts the
// program (vendrask.js).
'use strict';

const canvas = document.getElementById('canvas');
const status = document.getElementById('status');
const restart = document.getElementById('restart');
const view = document.getElementById('view');
const fullscreen = document.getElementById('fullscreen');

let settled = false;  // the page has loaded all it will: the program runs, or cannot

function settle() {
  settled = true;
  document.dispatchEvent(new CustomEvent('vendrask-settled'));
}

// Says why the viewer is not running, and offers to start again where that
// can help.
function stopped(sentence, canRestart = true) {
  status.textContent = sentence;
  restart.hidden = !canRestart;
  settle();
}

document.addEventListener('vendrask-ended', (event) => stopped(event.detail === 0 ? 'The viewer has ended.'
  : `The viewer has ended with an error (exit status ${event.detail}).`));
document.addEventListener('vendrask-lost', () => stopped('The browser has taken the graphics away, so the viewer has stopped.'));
document.addEventListener('vendrask-failed', (event) => stopped(event.detail.sentence, event.detail.canRestart));
restart.querySelector('button').addEventListener('click', () => window.location.reload());

// The landscape alone, scaled to the screen; Escape or the same button
// leaves it.
fullscreen.addEventListener('click', () => {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else {
    view.requestFullscreen().catch(() => {});
  }
});
document.addEventListener('fullscreenchange', () => {
  fullscreen.textContent = document.fullscreenElement ? 'Leave full screen' : 'Full screen';
});

// A new release, once its worker has kept all its files, takes over when
// this page has loaded all it needs from the release it runs: this page goes
// on as it is, and the next load is the new release's, whole.
function takeOverWhenSettled(registration) {
  const offer = () => {
    if (settled && registration.waiting && navigator.serviceWorker.controller) {
      registration.waiting.postMessage('take over');
    }
  };
  registration.addEventListener('updatefound', () => {
    registration.installing?.addEventListener('statechange', offer);
  });
  document.addEventListener('vendrask-settled', offer);
  offer();
}
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').then(takeOverWhenSettled).catch(() => {});
}

var Module = vendraskModule(canvas);  // a global, which vendrask.js reads
Module.onRuntimeInitialized = () => {
  status.textContent = '';
  settle();
  canvas.focus();
};
loadScript('vendrask.js').catch(fail);
