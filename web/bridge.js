// SPDX-License-Identifier: MIT
// The bridge between Vendrask and the browser's emulation of fixed-function
// GL and GLUT (Emscripten's), which differs from a desktop GL and freeglut in
// four ways that the program's frame and controls rely on. Each piece below
// names the gap it bridges; the fourth, immediate mode, is bridged inside the
// program's module, by immediate_mode.cpp beside this file, where the work
// per vertex belongs. The program makes the desktop's calls unchanged; the
// bridges sit between those calls and the emulation, so a reader finds every
// difference of the browser in this folder.
'use strict';

const GLUT_DOWN = 0;
const GLUT_UP = 1;

let table = null;      // the program's function table: GLUT callbacks are indices into it
let ended = false;     // the program has quit
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
function bridgeIdle(env) {
  const swap = env.glutSwapBuffers;
  env.glutIdleFunc = (func) => {
    idle = func;
  };
  env.glutSwapBuffers = () => {
    swap();
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
// keypad, and upper-case letters reach the program as upper case. Buttons as
// GLUT numbers them (left 0, middle 1, right 2), as the DOM does; a release
// anywhere counts, and the canvas has no context menu.
function bridgeInput(env, canvas) {
  env.glutKeyboardFunc = (func) => {
    keyboard = func;
  };
  env.glutMouseFunc = (func) => {
    mouse = func;
  };
  window.addEventListener('keydown', (event) => {
    const typed = event.key.length === 1 ? event.key.charCodeAt(0) : 256;
    if (typed > 255 || event.ctrlKey || event.altKey || event.metaKey) {
      return;
    }
    event.preventDefault();
    deliver(keyboard, typed, 0, 0);
  });
  const position = (event) => {
    const box = canvas.getBoundingClientRect();
    return [Math.round(event.clientX - box.left), Math.round(event.clientY - box.top)];
  };
  canvas.addEventListener('mousedown', (event) => {
    event.preventDefault();
    deliver(mouse, event.button, GLUT_DOWN, ...position(event));
  });
  window.addEventListener('mouseup', (event) => deliver(mouse, event.button, GLUT_UP, ...position(event)));
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
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
    const message = `Vendrask's bridge finds no ${missing.join(', ')} among the module's imports`;
    console.error(message);  // the runtime reports what instantiateWasm throws only as a warning
    throw new Error(message);
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
    // No frame once the viewer has ended (gap 3): false skips a frame. Read
    // when the runtime starts, so it is here from the first.
    preMainLoop: () => !ended,
    instantiateWasm(imports, receive) {
      const env = entryPoints(imports);
      bridgeIdle(env);
      bridgeInput(env, canvas);
      bridgeExit(env);
      fetch('vendrask.wasm')
        .then((response) => response.arrayBuffer())
        .then((bytes) => WebAssembly.instantiate(bytes, imports))
        .then(({ instance, module: compiled }) => {
          table = Object.values(instance.exports).find((e) => e instanceof WebAssembly.Table);
          receive(instance, compiled);
        });
      return {};
    },
  };
  return module;
}
