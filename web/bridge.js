// SPDX-License-Identifier: MIT
// The bridge between Vendrask and the browser's emulation of fixed-function
// GL and GLUT (Emscripten's), which differs from a desktop GL and freeglut in
// ways that the program's frame and controls rely on. Each piece below names
// the gap it bridges: colour material, the idle callback's pace, quitting,
// the loss of the graphics context, an error inside the program, a browser
// without WebGL, and input (keys by character, mouse, pen and touch, and the
// page's own controls). Loading the program says which file did not come and
// why. Immediate mode is bridged inside the program's module, by
// immediate_mode.cpp beside this file, where the work per vertex belongs. The program makes the desktop's calls unchanged;
// the bridges sit between those calls and the emulation, so a reader finds
// every difference of the browser in this folder.
'use strict';

const GLUT_DOWN = 0;
const GLUT_UP = 1;

let table = null;      // the program's function table: GLUT callbacks are indices into it
let ended = false;     // the program has quit
let lost = false;      // the browser has taken the WebGL context away
let failed = false;    // the program could not be loaded, or stopped with an error
let idle = 0;          // GLUT callbacks the bridge calls itself, 0 until registered
let keyboard = 0;
let mouse = 0;

// Gap 1: no GL_COLOR_MATERIAL. The emulation drops glEnable(GL_COLOR_MATERIAL)
// and its lit vertex shader takes the material's ambient and diffuse colour,
// and its alpha, from uniforms, never from the vertex colour: the ground would
// come out grey and the water opaque. Vendrask switches colour material on once
// at start-up, for front and back, ambient and diffuse, and never off, so in
// the lit shader the vertex colour is exactly the material's ambient and
// diffuse colour and alpha.
const shaderSource = WebGLRenderingContext.prototype.shaderSource;
WebGLRenderingContext.prototype.shaderSource = function (shader, source) {
  if (source.includes('u_materialDiffuse')) {
    source = source.replace(/u_material(Ambient|Diffuse)\./g, 'a_color.');
  }
  shaderSource.call(this, shader, source);
};

// Gap 2: idle too often. The emulation's GLUT calls the idle callback on a
// timer of its own, every 4 ms, apart from drawing: the view would turn about
// ten steps per frame shown. As in freeglut, the idle callback runs once after
// each frame's buffer swap, and the redisplay it asks for draws the next.
// The swap also tells the module's immediate mode (immediate_mode.cpp) that
// the frame is whole, so that it lays the next one over it.
function bridgeIdle(env, shown) {
  const swap = env.glutSwapBuffers;
  env.glutIdleFunc = (func) => {
    idle = func;
  };
  env.glutSwapBuffers = () => {
    swap();
    shown();
    if (idle !== 0) {
      table.get(idle)();
    }
  };
}

// Gap 3: quitting. exit() from a key or button callback throws the
// runtime's exit exception up through the emulation's event handler, where
// nothing catches it, and frames keep coming; the runtime tells no callback of
// the page (its onExit is not called while a main loop keeps it alive). The
// bridge takes the C library's exit as the module imports it (named `_exit`
// by Emscripten 3.1.6, `exitJS` by 3.1.69), marks the viewer ended and says
// so on the page, then lets the runtime go on as before. It delivers keys and
// buttons itself (below) and catches that exception once the program has
// quit; the module's documented preMainLoop (vendraskModule, below) then
// skips every further frame.
function bridgeExit(env) {
  const name = exitNames.find((n) => n in env);
  const exit = env[name];
  env[name] = (status) => {
    ended = true;
    document.dispatchEvent(new CustomEvent('vendrask-ended', { detail: status }));
    return exit(status);
  };
}

function deliver(callback, ...args) {
  if (callback === 0 || ended) {
    return;
  }
  try {
    table.get(callback)(...args);
  } catch (e) {
    if (!ended) {
      throw e;
    }
  }
}

// Keys by the character typed (KeyboardEvent.key), not, as the emulation
// does, by key code on a US layout: "+" works on any layout and on the
// keypad, and upper-case letters reach the program as upper case. Keys with
// Ctrl, Alt or Meta keep their meaning to the browser, and Enter and Space
// to an on-page button that has the focus.
function bridgeKeys() {
  window.addEventListener('keydown', (event) => {
    const typed = event.key.length === 1 ? event.key.charCodeAt(0) : 256;
    const activates = event.target instanceof HTMLButtonElement && (event.key === ' ' || event.key === 'Enter');
    if (typed > 255 || event.ctrlKey || event.altKey || event.metaKey || activates) {
      return;
    }
    event.preventDefault();
    deliver(keyboard, typed, 0, 0);
  });
}

// Buttons as GLUT numbers them (left 0, middle 1, right 2), by Pointer
// Events for mouse, pen and touch alike. A mouse or pen holds the buttons
// its PointerEvent.buttons says; on the canvas one finger holds the left
// button and two the right, until every finger is lifted. The pointer is
// captured on the canvas, so a release anywhere counts; the canvas has no
// context menu. The emulation's own touch handler, which would turn touches
// into mouse events and fail to cancel scrolling from a passive listener,
// never sees a touch.
const domButtons = [[1, 0], [4, 1], [2, 2]];  // PointerEvent.buttons bit, GLUT button
let held = 0;                                 // buttons down for the program, as those bits
const fingers = new Set();                    // touches on the canvas, by pointer id

function holdButtons(bits, x, y) {
  for (const [down, state] of [[false, GLUT_UP], [true, GLUT_DOWN]]) {
    for (const [bit, button] of domButtons) {
      if (((bits & bit) !== 0) === down && ((held & bit) !== 0) !== down) {
        deliver(mouse, button, state, x, y);
      }
    }
  }
  held = bits;
}

function bridgeButtons(canvas) {
  for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel']) {
    window.addEventListener(type, (event) => event.stopImmediatePropagation(), { capture: true, passive: true });
  }
  // Pixels of the drawing buffer, whatever size the canvas is shown at.
  const position = (event) => {
    const box = canvas.getBoundingClientRect();
    return [Math.round(((event.clientX - box.left) * canvas.width) / box.width),
      Math.round(((event.clientY - box.top) * canvas.height) / box.height)];
  };
  const follow = (event) => {
    let bits = event.buttons;
    if (event.pointerType === 'touch') {
      if (event.type === 'pointerdown') {
        fingers.add(event.pointerId);
      } else if (event.type !== 'pointermove') {
        fingers.delete(event.pointerId);
      }
      bits = fingers.size === 0 ? 0 : fingers.size > 1 || (held & 2) !== 0 ? 2 : 1;
    } else if (event.type === 'pointercancel' || event.type === 'lostpointercapture') {
      bits = 0;
    }
    if (bits !== held) {
      holdButtons(bits, ...position(event));
    }
  };
  canvas.addEventListener('pointerdown', (event) => {
    canvas.setPointerCapture(event.pointerId);
    follow(event);
  });
  for (const type of ['pointermove', 'pointerup', 'pointercancel', 'lostpointercapture']) {
    canvas.addEventListener(type, follow);
  }
  canvas.addEventListener('mousedown', (event) => event.preventDefault());  // no middle-button scrolling
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
}

// The page's own controls: each key button delivers its key's character,
// and "In" and "Out" hold the left or right button while they are pressed
// (by pointer, or by Enter or Space).
function bridgeControls() {
  for (const control of document.querySelectorAll('[data-key]')) {
    control.addEventListener('click', () => deliver(keyboard, control.dataset.key.charCodeAt(0), 0, 0));
  }
  for (const control of document.querySelectorAll('[data-button]')) {
    const button = Number(control.dataset.button);
    let pressed = false;  // this control holds its button down
    const press = (event) => {
      event.preventDefault();
      pressed = true;
      deliver(mouse, button, GLUT_DOWN, 0, 0);
    };
    const release = () => {
      if (pressed) {
        pressed = false;
        deliver(mouse, button, GLUT_UP, 0, 0);
      }
    };
    control.addEventListener('pointerdown', press);
    for (const type of ['pointerup', 'pointercancel', 'pointerleave', 'blur']) {
      control.addEventListener(type, release);
    }
    control.addEventListener('contextmenu', (event) => event.preventDefault());
    control.addEventListener('keydown', (event) => {
      if ((event.key === ' ' || event.key === 'Enter') && !event.repeat) {
        press(event);
      }
    });
    control.addEventListener('keyup', (event) => {
      if (event.key === ' ' || event.key === 'Enter') {
        release();
      }
    });
  }
}

// Says on the page, and in the console, why the viewer does not run, and
// whether starting again can help: once, and not after it has ended or lost
// its graphics, which the page says itself.
function fail(sentence, canRestart = true) {
  if (failed || ended || lost) {
    return;
  }
  failed = true;
  console.error(sentence);
  document.dispatchEvent(new CustomEvent('vendrask-failed', { detail: { sentence, canRestart } }));
}

// Gap 6: no WebGL. In a browser without it, or with it switched off, the
// emulation gets no context for the canvas, and the program's first GL call
// throws. The bridge says why; gap 5 then takes that error as handled.
function bridgeNoWebGL(canvas) {
  const getContext = canvas.getContext;
  canvas.getContext = function (type, ...options) {
    const context = getContext.call(this, type, ...options);
    if (context === null && type === 'webgl') {
      fail('This browser cannot show the landscape: Vendrask draws with WebGL, which it lacks or has switched off.', false);
    }
    return context;
  };
}

// Gap 5: an error inside the program. The runtime lets an error in a frame
// or a callback (an abort, a GL call that throws) go up to the browser
// uncaught, and the page goes on showing the last frame as if nothing had
// happened. The bridge draws no further frame and the page says what stopped
// it; the error, so handled, is not reported a second time as uncaught.
function bridgeErrors() {
  const stop = (event, error) => {
    event.preventDefault();
    fail(`Vendrask stopped with an error: ${error?.message ?? error}`);
  };
  window.addEventListener('error', (event) => stop(event, event.error ?? event.message));
  window.addEventListener('unhandledrejection', (event) => stop(event, event.reason));
}

// Why `file` did not load, as a sentence for the visitor, from the server's
// answer (null for none).
function notLoaded(file, response) {
  let why = 'the network is down, or the server cannot be reached';
  if (location.protocol === 'file:') {
    why = 'it is not in the page\'s folder';
  } else if (response) {
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
  return response.arrayBuffer();
}

// Gap 4: graphics taken away. When the browser takes the WebGL context back
// (a phone freeing memory, a GPU reset), the emulation cannot make its state
// again: the bridge draws no further frame and tells the page, which says so
// and offers to start again.
function bridgeContextLoss(canvas) {
  canvas.addEventListener('webglcontextlost', () => {
    lost = true;
    document.dispatchEvent(new CustomEvent('vendrask-lost'));
  });
}

function bridgeInput(env, canvas) {
  env.glutKeyboardFunc = (func) => {
    keyboard = func;
  };
  env.glutMouseFunc = (func) => {
    mouse = func;
  };
  bridgeKeys();
  bridgeButtons(canvas);
  bridgeControls();
}

// The emulation's entry points that the program imports, by their own
// names: the optimised build shortens the names it imports them under, and
// later Emscripten hands one object under two module names. The runtime
// documents no other way to stand between the program and these: an entry
// point the bridge needs and does not find stops the page loudly at load.
const exitNames = ['exit', 'exitJS'];
const bridged = [['glutIdleFunc'], ['glutSwapBuffers'], ['glutKeyboardFunc'], ['glutMouseFunc'], exitNames];
function entryPoints(imports) {
  const named = {};
  for (const module of new Set(Object.values(imports))) {
    for (const key of Object.keys(module)) {
      Object.defineProperty(named, module[key].name.replace(/^_/, ''), {
        get: () => module[key],
        set: (replacement) => {
          module[key] = replacement;
        },
      });
    }
  }
  const missing = bridged.filter((names) => !names.some((n) => n in named));
  if (missing.length > 0) {
    // (The runtime would report what instantiateWasm throws only as a warning.)
    fail(`Vendrask cannot start in this page: its bridge finds no ${missing.join(', ')} among the module's imports.`);
    return null;
  }
  return named;
}

// The module vendrask.js starts: it draws into the page's canvas, prints to
// the console, and is instantiated here so that the bridges above stand
// between the program and the emulation.
function vendraskModule(canvas) {
  const module = {
    canvas,
    // Standard error, where only the emulation writes (that it is one), is
    // a warning, as Emscripten 3.1.6 has it; 3.1.69 makes it a console error.
    printErr: (text) => console.warn(text),
    // No frame once the viewer has ended (gap 3), its graphics are gone
    // (gap 4) or it has stopped with an error (gap 5): false skips a frame.
    // Read when the runtime starts, so it is here from the first.
    preMainLoop: () => !ended && !lost && !failed,
    instantiateWasm(imports, receive) {
      const env = entryPoints(imports);
      if (env === null) {
        return {};
      }
      bridgeIdle(env, () => module._vendrask_frame_shown());
      bridgeInput(env, canvas);
      bridgeContextLoss(canvas);
      bridgeNoWebGL(canvas);
      bridgeErrors();
      bridgeExit(env);
      const damaged = (error) => Promise.reject(`Vendrask could not start: vendrask.wasm is damaged (${error.message}).`);
      programBytes()
        .then((bytes) => WebAssembly.instantiate(bytes, imports).catch(damaged))
        .then(({ instance, module: compiled }) => {
          table = Object.values(instance.exports).find((e) => e instanceof WebAssembly.Table);
          try {
            receive(instance, compiled);  // starts the program
          } catch (error) {
            if (!failed) {
              throw error;  // gap 5 says what stopped it
            }
          }
        }, fail);
      return {};
    },
  };
  return module;
}
