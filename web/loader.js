// SPDX-License-Identifier: MIT
// Loading the program, and saying why it cannot run: the module's options
// (Emscripten's Module object), vendrask.wasm fetched, or read from beside a
// page opened from its folder, the program's exit, and whatever stops it (a
// file not loaded, a browser without WebGL, an error inside the program),
// each told to the page (page.js) once, with a sentence for the visitor.
'use strict';

let halted = false;  // the viewer has ended, or cannot run: told once
let running = null;   // the module, once its runtime has started

// Tells the page that the viewer has stopped, and the program to draw no
// more.
function stop(type, detail) {
  if (halted) {
    return false;
  }
  halted = true;
  running?._vendrask_halt();
  document.dispatchEvent(new CustomEvent(type, { detail }));
  return true;
}

// Says why the viewer does not run, and whether starting again can help.
function fail(sentence, canRestart = true) {
  if (stop('vendrask-failed', { sentence, canRestart })) {
    console.error(sentence);
  }
}

document.addEventListener('vendrask-no-webgl', () => {
  fail('This browser cannot show the landscape: Vendrask draws with WebGL, which it lacks or has switched off.', false);
});

// An error inside the program (an abort, a WebGL call that throws) reaches
// the browser uncaught; the page says what stopped it, and the error, so
// handled, is not reported a second time.
function stopOnError(event, error) {
  event.preventDefault();
  fail(`Vendrask stopped with an error: ${error?.message ?? error}`);
}
window.addEventListener('error', (event) => stopOnError(event, event.error ?? event.message));
window.addEventListener('unhandledrejection', (event) => stopOnError(event, event.reason));

// Why `file` did not load, as a sentence for the visitor, from the server's
// answer (null for none). A file whose answer began well but never arrived
// whole was cut off on the way.
function notLoaded(file, response) {
  let why = 'the network is down, or the server cannot be reached';
  if (location.protocol === 'file:') {
    why = 'it is not in the page\'s folder';
  } else if (response && !response.ok) {
    why = `the server answered ${response.status} ${response.statusText}`.trim();
  }
  return `Vendrask could not load ${file}: ${why}.`;
}

// Loads a script beside the page; rejects with why not. A script's error
// event does not say why, so the server is asked once more.
function loadScript(file) {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = file;
    script.onload = resolve;
    script.onerror = () => {
      const asked = location.protocol === 'file:' ? Promise.resolve(null) : fetch(file, { method: 'HEAD', cache: 'no-store' });
      asked.catch(() => null).then((response) => reject(notLoaded(file, response)));
    };
    document.body.append(script);
  });
}

// The program's bytes. A page opened from the file system may not fetch
// files beside it (Chromium refuses), but loads scripts from there:
// vendrask.wasm.js holds the same bytes as text.
async function programBytes() {
  if (location.protocol === 'file:') {
    await loadScript('vendrask.wasm.js');
    return Uint8Array.from(atob(self.vendraskWasm), (c) => c.charCodeAt(0));
  }
  const response = await fetch('vendrask.wasm').catch(() => null);
  if (!response?.ok) {
    throw notLoaded('vendrask.wasm', response);
  }
  return response.arrayBuffer().catch(() => Promise.reject(notLoaded('vendrask.wasm', response)));
}

const tooOld = 'This browser is too old to run Vendrask: it needs Chrome or Edge 97, Firefox 102 or Safari 16, or later.';

// The module vendrask.js starts, drawing into `canvas`; it prints to the
// console.
function vendraskModule(canvas) {
  const module = {
    printErr: (text) => console.error(text),
    // The program's exit, before the runtime unwinds it.
    onExit: (status) => stop('vendrask-ended', status),
    onRuntimeInitialized() {
      running = module;
      steer(module, canvas);
      document.dispatchEvent(new CustomEvent('vendrask-started'));
    },
    instantiateWasm(imports, receive) {
      // Browsers from before WebAssembly could be allowed by a
      // Content-Security-Policy ('wasm-unsafe-eval') refuse to compile it.
      const damaged = (error) => Promise.reject(/Content.Security.Policy|unsafe-eval/i.test(error.message) ? tooOld
        : `Vendrask could not start: vendrask.wasm is damaged (${error.message}).`);
      programBytes()
        .then((bytes) => WebAssembly.instantiate(bytes, imports).catch(damaged))
        .then(({ instance, module: compiled }) => receive(instance, compiled), (why) => fail(why, why !== tooOld));
      return {};
    },
  };
  return module;
}
