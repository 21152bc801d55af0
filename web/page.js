// SPDX-License-Identifier: MIT
// The page around the program: what it says of the viewer, full screen,
// starting again, and the service worker that keeps the page for use
// offline. Loaded after bridge.js and before vendrask.js, which starts the
// module this makes.
'use strict';

const canvas = document.getElementById('canvas');
const status = document.getElementById('status');
const restart = document.getElementById('restart');
const view = document.getElementById('view');
const fullscreen = document.getElementById('fullscreen');

document.addEventListener('vendrask-ended', () => {
  status.textContent = 'The viewer has ended.';
  restart.hidden = false;
});
document.addEventListener('vendrask-lost', () => {
  status.textContent = 'The browser has taken the graphics away, so the viewer has stopped.';
  restart.hidden = false;
});
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

if ('serviceWorker' in navigator) {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}

var Module = vendraskModule(canvas);  // a global, which vendrask.js reads
Module.onRuntimeInitialized = () => {
  status.textContent = '';
  canvas.focus();
};
