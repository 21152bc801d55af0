// SPDX-License-Identifier: MIT
// The program's input on the page, for its GLUT keyboard and mouse
// callbacks (through the module's vendrask_key and vendrask_button, in
// glut.cpp): keys by the character typed, mouse, pen and touch on the canvas
// by Pointer Events, and the page's own key and button controls; and "Stop
// motion", which asks the program (motion.cpp).
// Provides Vendrask.input: steer, and pressing, the rules of "In" and "Out";
// uses Vendrask.loader.halted and Vendrask.on.
'use strict';

Vendrask.input = (() => {
  // The rules of "In" and "Out", as a machine of three states: free; held by
  // a press (a pointer's or a key's) while it lasts; latched by a click
  // alone until the control is clicked again, another control is clicked or
  // the eye is steered otherwise. Assistive technology presses by a click
  // alone, or (Chromium's) by a press and a release with no frame drawn
  // between them and a click in the same task, which counts as a click
  // alone; a finger's tap is always a press. The state: the control held
  // (`holding`, null when free), whether by a click (`latched`), and the
  // press of its own being told from a click (`press`: its control, whether
  // a frame has been drawn since it began, whether its control was latched
  // before it, whether it has ended). Given the state and an event, the
  // machine gives the next state and the buttons to let go and to hold, as
  // ['up' or 'down', control].
  const free = { holding: null, latched: false, press: null };
  function pressing(state, event) {
    const { holding, latched, press } = state;
    const control = event.control;
    const letGo = (from = state) => [{ ...from, holding: null, latched: false }, holding ? [['up', holding]] : []];
    const hold = (byClick, from = state) => {
      const [next, acts] = letGo(from);
      return [{ ...next, holding: control, latched: byClick }, [...acts, ['down', control]]];
    };
    const heldByPress = holding === control && !latched;
    const own = press?.control === control ? press : null;
    switch (event.type) {
    case 'begin':  // a pointer or a key goes down on the control; `touch`: a finger's
      return hold(false, { ...state, press: { control, lasted: event.touch, latched: holding === control && latched, ended: false } });
    case 'frame':  // a frame has been drawn since it began, and before it ended
      return [press && !press.ended ? { ...state, press: { ...press, lasted: true } } : state, []];
    case 'end': {  // the pointer or key is up, or has left the control: a press that lasted lets go
      const ended = own ? { ...state, press: { ...own, ended: true } } : state;
      return heldByPress && (own?.lasted ?? true) ? letGo(ended) : [ended, []];
    }
    case 'quiet':  // the task after an end is over: a press that did not last and had no click lets go
      if (!own?.ended) {
        return [state, []];
      }
      return heldByPress && !own.lasted ? letGo({ ...state, press: null }) : [{ ...state, press: null }, []];
    case 'click': {  // the control is clicked; `touch`: by a finger's tap, which was its press
      const next = own ? { ...state, press: null } : state;
      if (event.touch || (own && (own.lasted || holding !== control))) {
        return [next, []];
      }
      if (own) {
        return own.latched ? letGo(next) : [{ ...next, latched: true }, []];  // pressed again, or latched now
      }
      return holding === control && latched ? letGo(next) : hold(true, next);
    }
    case 'other':  // another control is clicked
      return latched && control !== holding ? letGo() : [state, []];
    default:  // 'away': the eye is steered otherwise, or the viewer has stopped
      return letGo();
    }
  }

  // Calls into the program, and gives what it returns. What its exit throws
  // to unwind the call ends here, once the viewer has stopped; anything else
  // thrown is an error.
  function deliver(call) {
    try {
      return Vendrask.loader.halted() ? undefined : call();
    } catch (e) {
      if (!Vendrask.loader.halted()) {
        throw e;
      }
      return undefined;
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
      if (Vendrask.loader.halted() || typed > 255 || event.ctrlKey || event.altKey || event.metaKey) {
        return;
      }
      event.preventDefault();
      key(typed);
    });
  }

  // "Stop motion" stops the landscape's turning and tilting, and pressed
  // again gives back what it stopped; the program does both. It says it is
  // pressed whenever the landscape is still, however it got so, as the
  // program tells after every key. Where the visitor asks for reduced motion,
  // the landscape stops after its first frame.
  function steerMotion(module, key, control) {
    const show = () => control.setAttribute('aria-pressed', String(Boolean(deliver(() => module._vendrask_still()))));
    const stopOrMove = () => {
      deliver(() => module._vendrask_stop_motion());
      show();
    };
    control.addEventListener('click', stopOrMove);
    Vendrask.on('shown', () => {
      if (matchMedia('(prefers-reduced-motion: reduce)').matches && !deliver(() => module._vendrask_still())) {
        stopOrMove();
      }
    });
    show();
    return (character) => {
      key(character);
      show();
    };
  }

  // Mouse buttons as the browser numbers them (MouseEvent.button: left 0,
  // middle 1, right 2), by Pointer Events for mouse, pen and touch alike. A
  // mouse or pen holds the buttons its PointerEvent.buttons says; on the
  // canvas one finger holds the left button and two the right, until every
  // finger is lifted. The pointer is captured on the canvas, so a release
  // anywhere counts; a press the browser cancels, or whose capture is lost,
  // holds nothing more until the next. A press gives the canvas the focus; it
  // has no context menu, and a middle press does not scroll.
  const domButtons = [[1, 0], [4, 1], [2, 2]];  // PointerEvent.buttons bit, MouseEvent.button
  const named = { left: 0, right: 2 };          // a control's data-button, MouseEvent.button

  function steerByPointer(canvas, button) {
    let held = 0;               // buttons down for the program, as PointerEvent.buttons bits
    const fingers = new Set();  // touches on the canvas, by pointer id
    let lost = false;           // a mouse's or pen's press was cancelled or lost its capture, and has not begun again
    const hold = (bits, x, y) => {
      for (const down of [false, true]) {
        for (const [bit, which] of domButtons) {
          if (((bits & bit) !== 0) === down && ((held & bit) !== 0) !== down) {
            button(which, down, x, y);
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

  // The page's own controls: each key button delivers its key's character;
  // "In" and "Out" hold their button by the rules above, pressed by a
  // pointer, by Enter or Space, or by a click alone, and say they are
  // pressed while they hold. Returns what lets go of them.
  function steerByControls(key, button) {
    let state = free;
    const tell = (event) => {
      let acts = [];
      [state, acts] = pressing(state, event);
      for (const [act, control] of acts) {
        control.setAttribute('aria-pressed', String(act === 'down'));
        button(named[control.dataset.button], act === 'down', 0, 0);
      }
    };
    document.addEventListener('click', (event) => {
      if (event.target instanceof HTMLButtonElement) {
        tell({ type: 'other', control: event.target });
      }
    }, true);
    for (const name of ['ended', 'failed']) {
      Vendrask.on(name, () => tell({ type: 'away' }));
    }
    for (const control of document.querySelectorAll('[data-key]')) {
      control.addEventListener('click', () => key(control.dataset.key.charCodeAt(0)));
    }
    const activating = (event) => event.key === ' ' || event.key === 'Enter';
    for (const control of document.querySelectorAll('[data-button]')) {
      const begin = (touch) => {
        tell({ type: 'begin', control, touch });
        requestAnimationFrame(() => tell({ type: 'frame' }));
      };
      const end = () => {
        tell({ type: 'end', control });
        setTimeout(() => tell({ type: 'quiet', control }));
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
      control.addEventListener('click', (event) => tell({ type: 'click', control, touch: event.pointerType === 'touch' }));
    }
    return () => tell({ type: 'away' });
  }

  // Steers the program in `module` from now on.
  function steer(module, canvas) {
    const button = (...args) => deliver(() => module._vendrask_button(...args));
    const key = steerMotion(module, (character) => deliver(() => module._vendrask_key(character)), document.getElementById('motion'));
    steerByKeys(canvas, key);
    const letGoOfControls = steerByControls(key, button);
    steerByPointer(canvas, (...args) => {
      letGoOfControls();
      button(...args);
    });
  }

  return { steer, pressing, free };
})();
