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
// upper case. Keys with Ctrl, Alt or Meta keep their meaning to the browser,
// Enter and Space to an on-page button that has the focus, and every key
// once the viewer has ended.
function steerByKeys(key) {
  window.addEventListener('keydown', (event) => {
    const typed = event.key.length === 1 ? event.key.charCodeAt(0) : 256;
    const activates = event.target instanceof HTMLButtonElement && (event.key === ' ' || event.key === 'Enter');
    if (halted || typed > 255 || event.ctrlKey || event.altKey || event.metaKey || activates) {
      return;
    }
    event.preventDefault();
    key(typed);
  });
}

// Buttons as GLUT numbers them (left 0, middle 1, right 2), by Pointer
// Events for mouse, pen and touch alike. A mouse or pen holds the buttons
// its PointerEvent.buttons says; on the canvas one finger holds the left
// button and two the right, until every finger is lifted. The pointer is
// captured on the canvas, so a release anywhere counts; a press the browser
// cancels, or whose capture is lost, holds nothing more until the next. The
// canvas has no context menu, and a middle press does not scroll.
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
// pointer, or by Enter or Space; a click alone, as assistive technology
// sends it, holds the button until the control is clicked again or another
// control is used. Either way the control says it is pressed while it holds.
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
  for (const control of document.querySelectorAll('[data-key]')) {
    control.addEventListener('click', () => key(control.dataset.key.charCodeAt(0)));
  }
  const activating = (event) => event.key === ' ' || event.key === 'Enter';
  for (const control of document.querySelectorAll('[data-button]')) {
    // A press of its own, by a pointer or a key, comes before any click
    // this control is sent next; the click is then that press's, and does
    // nothing more.
    let pressed = false;
    const press = () => {
      pressed = true;
      hold(control, false);
    };
    const release = () => {
      setTimeout(() => { pressed = false; });
      if (holding === control && !latched) {
        letGo();
      }
    };
    control.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      press();
    });
    for (const type of ['pointerup', 'pointercancel', 'pointerleave', 'blur']) {
      control.addEventListener(type, release);
    }
    control.addEventListener('contextmenu', (event) => event.preventDefault());
    control.addEventListener('keydown', (event) => {
      if (activating(event)) {
        event.preventDefault();
        if (!event.repeat) {
          press();
        }
      }
    });
    control.addEventListener('keyup', (event) => {
      if (activating(event)) {
        event.preventDefault();
        release();
      }
    });
    control.addEventListener('click', () => {
      if (pressed) {
        pressed = false;
      } else if (holding === control && latched) {
        letGo();
      } else {
        hold(control, true);
      }
    });
  }
}

// Steers the program in `module` from now on.
function steer(module, canvas) {
  const key = (character) => deliver(() => module._vendrask_key(character));
  const button = (...args) => deliver(() => module._vendrask_button(...args));
  steerByKeys(key);
  steerByPointer(canvas, button);
  steerByControls(key, button);
}
