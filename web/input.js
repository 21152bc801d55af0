// SPDX-License-Identifier: MIT
// The program's input on the page, for its GLUT keyboard and mouse
// callbacks (through the module's vendrask_key and vendrask_button, in
// glut.cpp): keys by the character typed, mouse, pen and touch on the canvas
// by Pointer Events, and the page's own key and button controls.
'use strict';

const GLUT_DOWN = 0;
const GLUT_UP = 1;

// Calls into the program. What its exit throws to unwind the call ends
// here, once the viewer has stopped (`halted`, loader.js); anything else
// thrown is an error.
function deliver(call) {
  try {
    call();
  } catch (e) {
    if (!halted) {
      throw e;
    }
  }
}

// Keys by the character typed (KeyboardEvent.key), so that "+" works on any
// layout and on the keypad, and upper-case letters reach the program as
// upper case. They steer while the landscape has the focus (it has it from
// the start, and a click or Tab gives it back), so that a stray key, such as
// one typed by speech input, does nothing on a control. Keys with Ctrl, Alt
// or Meta keep their meaning to the browser, and every key once the viewer
// has ended.
function steerByKeys(canvas, key) {
  canvas.addEventListener('keydown', (event) => {
    const typed = event.key.length === 1 ? event.key.charCodeAt(0) : 256;
    if (halted || typed > 255 || event.ctrlKey || event.altKey || event.metaKey) {
      return;
    }
    event.preventDefault();
    key(typed);
  });
}

// The landscape's turning and tilting, in steps of the keys that change
// them ("a" and "d" turn it, "w" and "s" tilt it, one degree a frame each),
// followed through every key the program is given: it starts turning one
// step. "Stop motion" brings both to nought by those keys, and pressed again
// gives back the last rates it moved at; it says it is pressed whenever
// both are nought, however they got there. Where the visitor asks for
// reduced motion, the landscape stops after its first frame.
const motionSteps = { a: [-1, 0], d: [1, 0], w: [0, 1], s: [0, -1] };

function steerMotion(key, control) {
  let rates = [1, 0];  // turn, tilt, in steps
  let moving = rates;  // the last rates that moved it
  const still = () => rates[0] === 0 && rates[1] === 0;
  const keyed = (character) => {
    key(character);
    const step = motionSteps[String.fromCharCode(character)];
    if (step && !halted) {
      rates = [rates[0] + step[0], rates[1] + step[1]];
      moving = still() ? moving : rates;
      control.setAttribute('aria-pressed', String(still()));
    }
  };
  const steps = (target) => [['a', 'd'], ['s', 'w']].flatMap(([less, more], i) => Array(Math.abs(target[i] - rates[i]))
    .fill(target[i] < rates[i] ? less : more));
  const moveAt = (target) => steps(target).forEach((k) => keyed(k.charCodeAt(0)));
  control.addEventListener('click', () => moveAt(still() ? moving : [0, 0]));
  document.addEventListener('vendrask-shown', () => {
    if (matchMedia('(prefers-reduced-motion: reduce)').matches) {
      moveAt([0, 0]);
    }
  });
  return keyed;
}

// Buttons as GLUT numbers them (left 0, middle 1, right 2), by Pointer
// Events for mouse, pen and touch alike. A mouse or pen holds the buttons
// its PointerEvent.buttons says; on the canvas one finger holds the left
// button and two the right, until every finger is lifted. The pointer is
// captured on the canvas, so a release anywhere counts; a press the browser
// cancels, or whose capture is lost, holds nothing more until the next. A
// press gives the canvas the focus; it has no context menu, and a middle
// press does not scroll.
const domButtons = [[1, 0], [4, 1], [2, 2]];  // PointerEvent.buttons bit, GLUT button

function steerByPointer(canvas, button) {
  let held = 0;                  // buttons down for the program, as PointerEvent.buttons bits
  const fingers = new Set();     // touches on the canvas, by pointer id
  let lost = false;              // a mouse's or pen's press was cancelled or lost its capture, and has not begun again
  const hold = (bits, x, y) => {
    for (const [down, state] of [[false, GLUT_UP], [true, GLUT_DOWN]]) {
      for (const [bit, glutButton] of domButtons) {
        if (((bits & bit) !== 0) === down && ((held & bit) !== 0) !== down) {
          button(glutButton, state, x, y);
        }
      }
    }
    held = bits;
  };
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
    } else {
      lost = event.type === 'pointercancel' || event.type === 'lostpointercapture' || (lost && event.type !== 'pointerdown');
      bits = lost ? 0 : bits;
    }
    if (bits !== held) {
      hold(bits, ...position(event));
    }
  };
  canvas.addEventListener('pointerdown', (event) => {
    canvas.focus({ preventScroll: true, focusVisible: false });
    canvas.setPointerCapture(event.pointerId);
    follow(event);
  });
  for (const type of ['pointermove', 'pointerup', 'pointercancel', 'lostpointercapture']) {
    canvas.addEventListener(type, follow);
  }
  canvas.addEventListener('mousedown', (event) => event.preventDefault());
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
}

// The page's own controls: each key button delivers its key's character.
// "In" and "Out" hold the left or right button while they are pressed by a
// pointer, or by Enter or Space; a click alone holds the button until the
// control is clicked again or another control is used. Assistive technology
// presses by a click alone, or (Chromium's) by a press and release with no
// frame drawn between them, which counts as one; a finger's tap is always a
// press. Either way the control says it is pressed while it holds, and lets
// go (returned) whenever the eye is stopped or steered otherwise.
function steerByControls(key, button) {
  let holding = null;  // the "In" or "Out" control whose button is held, or null
  let latched = false; // it holds by a click alone
  const letGo = () => {
    if (holding) {
      holding.setAttribute('aria-pressed', 'false');
      button(Number(holding.dataset.button), GLUT_UP, 0, 0);
      holding = null;
    }
  };
  const hold = (control, byClick) => {
    letGo();
    [holding, latched] = [control, byClick];
    control.setAttribute('aria-pressed', 'true');
    button(Number(control.dataset.button), GLUT_DOWN, 0, 0);
  };
  document.addEventListener('click', (event) => {
    if (latched && event.target instanceof HTMLButtonElement && event.target !== holding) {
      letGo();
    }
  }, true);
  for (const type of ['vendrask-ended', 'vendrask-failed']) {
    document.addEventListener(type, letGo);
  }
  for (const control of document.querySelectorAll('[data-key]')) {
    control.addEventListener('click', () => key(control.dataset.key.charCodeAt(0)));
  }
  const activating = (event) => event.key === ' ' || event.key === 'Enter';
  for (const control of document.querySelectorAll('[data-button]')) {
    // A press of its own, by a pointer or a key, comes before any click this
    // control is sent next, which is that press's: `lasted` once a frame
    // has been drawn while it was down, and `latched` if the control held
    // by a click alone before it.
    let press = null;
    const begin = (touch) => {
      const mine = { lasted: touch, latched: holding === control && latched };
      press = mine;
      requestAnimationFrame(() => { mine.lasted = true; });
      hold(control, false);
    };
    const end = () => {
      const mine = press;
      const lasted = mine?.lasted ?? true;
      setTimeout(() => {
        press = press === mine ? null : press;
        if (!lasted && holding === control && !latched) {
          letGo();  // no click came of it
        }
      });
      if (lasted && holding === control && !latched) {
        letGo();
      }
    };
    control.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      begin(event.pointerType === 'touch');
    });
    for (const type of ['pointerup', 'pointercancel', 'pointerleave', 'blur']) {
      control.addEventListener(type, end);
    }
    control.addEventListener('contextmenu', (event) => event.preventDefault());
    control.addEventListener('keydown', (event) => {
      if (activating(event)) {
        event.preventDefault();
        if (!event.repeat) {
          begin(false);
        }
      }
    });
    control.addEventListener('keyup', (event) => {
      if (activating(event)) {
        event.preventDefault();
        end();
      }
    });
    control.addEventListener('click', (event) => {
      const mine = press;
      press = null;
      if (event.pointerType === 'touch') {
        return;  // a finger's tap, whose click may come a moment after it was lifted, was its press
      } else if (mine && !mine.lasted && holding === control) {
        if (mine.latched) {
          letGo();  // pressed again: it held by a click before
        } else {
          latched = true;
        }
      } else if (!mine) {
        if (holding === control && latched) {
          letGo();
        } else {
          hold(control, true);
        }
      }
    });
  }
  return letGo;
}

// Steers the program in `module` from now on.
function steer(module, canvas) {
  const button = (...args) => deliver(() => module._vendrask_button(...args));
  const key = steerMotion((character) => deliver(() => module._vendrask_key(character)), document.getElementById('motion'));
  steerByKeys(canvas, key);
  const letGoOfControls = steerByControls(key, button);
  steerByPointer(canvas, (...args) => {
    letGoOfControls();
    button(...args);
  });
}
