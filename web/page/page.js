// SPDX-License-Identifier: MIT
// The page around the program: what it says of the viewer and of whatever
// keeps it from running, full screen, starting again, and the service worker
// that keeps the page for use offline. The last of the page's scripts:
// starts the program (vendrask.js).
// Provides Module, which vendrask.js reads; uses Vendrask.check, Vendrask.on
// and Vendrask.tell, and Vendrask.loader.
'use strict';

(() => {
  const { fail, lasting, loadScript, noWebAssembly, scriptURLs } = Vendrask.loader;

  const canvas = document.getElementById('canvas');
  const status = document.getElementById('status');
  const restart = document.getElementById('restart');
  const view = document.getElementById('view');
  const fullscreen = document.getElementById('fullscreen');

  let settled = false;  // the page has loaded all it will: the program runs, or cannot

  function settle() {
    settled = true;
    Vendrask.tell('settled');
  }

  // Says what the viewer is doing, and offers to start again where that can
  // help.
  function say(sentence, canRestart = false) {
    status.textContent = sentence;
    restart.hidden = !canRestart;
  }

  // Says why the viewer is not running.
  function stopped(sentence, canRestart = true) {
    say(sentence, canRestart);
    settle();
  }

  Vendrask.on('ended', (event) => stopped(event.detail === 0 ? 'The viewer has ended.'
    : `The viewer has ended with an error (exit status ${event.detail}).`));
  Vendrask.on('failed', (event) => stopped(event.detail.sentence, event.detail.canRestart));
  Vendrask.on('started', () => {
    settle();
    canvas.focus({ focusVisible: false });  // keys go to the landscape; no ring until the keyboard moves it
  });
  // The landscape, its detail and the view are kept while the graphics are
  // away; the visitor may start again rather than wait.
  Vendrask.on('shown', () => say(''));
  Vendrask.on('lost', () => say('The browser has taken the graphics away. The viewer goes on where it was when they come back.', true));
  Vendrask.on('restored', () => say(''));
  Vendrask.on('unrestorable', () => stopped('The browser has given the graphics back unusable, so the viewer has stopped.'));
  restart.querySelector('button').addEventListener('click', () => window.location.reload());

  // The landscape alone, as large as the screen holds it; Escape or the same
  // button leaves it. Browsers offer it by the standard names or by Safari's
  // older webkit ones; where neither is there (an iPhone), or the page may not
  // use it (in a frame that does not allow it), the button is not shown. A
  // failure here is the control's, said in the console: the viewer goes on.
  const screenNames = [
    ['requestFullscreen', 'exitFullscreen', 'fullscreenElement', 'fullscreenchange', 'fullscreenEnabled'],
    ['webkitRequestFullscreen', 'webkitExitFullscreen', 'webkitFullscreenElement', 'webkitfullscreenchange', 'webkitFullscreenEnabled'],
  ].find(([request, , , , enabled]) => typeof view[request] === 'function' && document[enabled] !== false);
  if (screenNames) {
    const [request, exit, element, change] = screenNames;
    fullscreen.addEventListener('click', () => {
      try {
        Promise.resolve(document[element] ? document[exit]() : view[request]()).catch(() => {});
      } catch (error) {
        console.error(`Full screen: ${error.message}`);
      }
    });
    // Full screen, keys steer the landscape again.
    document.addEventListener(change, () => {
      fullscreen.textContent = document[element] ? 'Leave full screen' : 'Full screen';
      if (document[element]) {
        canvas.focus({ focusVisible: false });
      }
    });
  } else {
    fullscreen.hidden = true;
  }

  // A new release, once its worker has kept all its files, takes over when
  // every page of the release before has loaded all it needs, and goes on as
  // it is; the next load is the new release's, whole. Each page tells the
  // waiting worker when it has settled, and again whenever a worker starts to
  // wait or the page is shown again or resumes; the worker then asks every
  // page whether it has settled, which worker serves it (none after
  // Shift+Reload), and how long it has been loading (ms).
  function takeOverWhenSettled(registration) {
    const offer = () => {
      if (settled && registration.waiting) {
        registration.waiting.postMessage('settled');
      }
    };
    registration.addEventListener('updatefound', () => {
      registration.installing?.addEventListener('statechange', offer);
    });
    Vendrask.on('settled', offer);
    document.addEventListener('visibilitychange', offer);
    document.addEventListener('resume', offer);  // a tab the browser had frozen
    window.addEventListener('pageshow', offer);
    offer();
  }
  // A page opened from its folder has no worker, and one sandboxed without an
  // origin of its own may not even ask for one (reading it throws).
  const workers = (() => {
    try {
      return location.protocol === 'file:' ? null : navigator.serviceWorker ?? null;
    } catch {
      return null;
    }
  })();
  if (workers) {
    workers.addEventListener('message', (event) => {
      if (event.data === 'settled?') {
        event.ports[0]?.postMessage({ settled, worker: workers.controller?.scriptURL ?? null, loadingFor: performance.now() });
      }
    });
    workers.startMessages();
    workers.register(scriptURLs.createScriptURL('sw.js')).then(takeOverWhenSettled).catch(() => {});
  }

  window.Module = Vendrask.loader.module(canvas);
  if (!Vendrask.check.pageRuns()) {
    settle();  // check.js has said why the page cannot run
  } else if (typeof WebAssembly !== 'object') {
    fail(noWebAssembly, false);
  } else {
    loadScript('vendrask.js').catch((why) => fail(why, !lasting(why)));
  }
})();
