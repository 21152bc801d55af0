// SPDX-License-Identifier: MIT
// Steering the page as the desktop program is steered: its keys, the page's
// own buttons for them, and every way a held press begins and ends, by real
// input events through each engine's automation.
import assert from 'node:assert/strict';
import { before, it } from 'node:test';

import {
  centre, click, closed, concern, expectStopped, grabbed, holdAndLetGo, press, settled, state, width,
} from './harness.mjs';

// The keys the program knows, each of which has a button on the page.
const programKeys = ['+', '-', 'a', 'd', 'w', 's', 'r', 'q'];

concern('input', (ctx) => {
  // WebKitWebDriver types the main keyboard's "+" as "=", and gives a right
  // or middle button's press and release no Pointer Events.
  const webkit = ctx.engine === 'webkit';
  const plus = webkit ? 'NumpadAdd' : '+';
  let page = null;    // the page, turning no more
  let still = null;   // its picture at detail level 2
  let coarser = null; // and at level 3
  const focus = (selector) => page.evaluate((s) => document.querySelector(s).focus(), selector);
  const clickOn = (selector) => page.evaluate((s) => document.querySelector(s).click(), selector);
  const withKey = (key, act) => async () => {
    await page.keyDown(key);
    await act();
    await page.keyUp(key);
  };
  before(async () => {
    page = await ctx.open(`${(await ctx.serve()).url}index.html`);
    await grabbed(page, 0);
    await press(page, 'a');
    still = await settled(page);
    await press(page, '-');
    coarser = await settled(page);
    await press(page, plus);
  });

  // Ways to make the mesh coarser and finer again, each from level 2.
  const germanPlus = async () => {  // "+" has a key of its own there, the one that gives "=" on a US layout
    const devtools = await page.native.createCDPSession();
    for (const type of ['keyDown', 'keyUp']) {
      await devtools.send('Input.dispatchKeyEvent', { type, key: '+', code: 'BracketRight', windowsVirtualKeyCode: 187, text: type === 'keyDown' ? '+' : undefined });
    }
  };
  const steps = [
    ['"-" and "+"', () => press(page, '-'), () => press(page, plus)],
    ['"-" and the keypad\'s "+"', () => press(page, '-'), () => press(page, 'NumpadAdd')],
    ['"-" and "+" typed on a German layout', () => press(page, '-'), germanPlus, ['firefox', 'webkit'], 'its automation sets no key code'],
    ['the "-" and "+" buttons clicked', () => click(page, '[data-key="-"]'), () => click(page, '[data-key="+"]')],
    ['Enter and Space on the focused "-" and "+" buttons', async () => {
      await focus('[data-key="-"]');
      await press(page, 'Enter');
    }, async () => {
      await focus('[data-key="+"]');
      await press(page, ' ');
    }],
  ];
  for (const [what, coarsen, refine, those = [], why = ''] of steps) {
    it(`makes the mesh coarser and finer again by ${what}`, ctx.skip(those, why), async () => {
      await coarsen();
      assert.ok((await settled(page)).equals(coarser), 'not coarser');
      await refine();
      assert.ok((await settled(page)).equals(still), 'not finer again');
    });
  }

  it('leaves the view as it is on upper-case letters, and leaves keys with Ctrl, Alt or Meta to the browser', async () => {
    for (const key of ['A', 'R', 'Q']) {
      await press(page, key);
    }
    for (const modifier of ['Control', 'Alt', 'Meta']) {
      await withKey(modifier, () => press(page, 'd'))();
    }
    assert.ok((await settled(page)).equals(still), 'the view changed');
    assert.equal(await state(page, 'modifiedKeysPrevented'), 0, 'a key with a modifier lost its meaning to the browser');
  });

  it('has a button for each key the program knows, handing the program what the key does', async () => {
    await page.evaluate(() => {
      Object.assign(window.vendraskTest, { keys: [], key: window.Module._vendrask_key });
      window.Module._vendrask_key = (c) => window.vendraskTest.keys.push(String.fromCharCode(c));
    });
    try {
      const buttons = await page.evaluate(() => [...document.querySelectorAll('[data-key]')].map((b) => b.dataset.key));
      assert.deepEqual(new Set(buttons), new Set(programKeys), 'the keys with buttons');
      for (const key of buttons) {
        await press(page, key === '+' ? plus : key);
        await clickOn(`[data-key="${key}"]`);
      }
      assert.deepEqual(await state(page, 'keys'), buttons.flatMap((key) => [key, key]), 'what the keys and their buttons hand on');
    } finally {
      await page.evaluate(() => { window.Module._vendrask_key = window.vendraskTest.key; });
    }
  });

  // Every way a held press ends lets go of the button; in and out by turns,
  // so that the eye stays near where it was.
  const held = [
    ['the left button on the landscape, released outside it', 'canvas', 'left', width],
    ['the right button on the landscape, released outside it', 'canvas', 'right', width, ['webkit'], 'WebKitWebDriver gives it no Pointer Events'],
    ['"In" pressed by a pointer and released', '[data-button="0"]', 'left'],
    ['"Out" pressed by a pointer, then left by it', '[data-button="2"]', 'left', 'h1'],
    ['"In" held by Space until the key is up', '[data-button="0"]', ' '],
    ['"Out" held by Enter until the key is up', '[data-button="2"]', 'Enter'],
    ['"Out" held by Space until the focus leaves', '[data-button="2"]', ' ', 'canvas'],
    ['"In" held by Enter until the focus leaves', '[data-button="0"]', 'Enter', 'canvas'],
  ];
  for (const [what, control, by, to, those = [], why = ''] of held) {
    it(`moves the eye while ${what} is held, and no more once let go`, ctx.skip(those, why), async () => {
      const pointer = ['left', 'right'].includes(by);
      await holdAndLetGo(page, what, async () => {
        if (pointer) {
          await page.move(...(await centre(page, control)));
          await page.down(by);
        } else {
          await focus(control);
          await page.keyDown(by);
        }
      }, async () => {
        if (typeof to === 'number') {
          const [x, y] = await centre(page, control);
          await page.move(x + to, y);
        } else if (to) {
          await (pointer ? page.move(...(await centre(page, to))) : focus(to));
        }
        await (pointer ? page.up(by) : page.keyUp(by));
      });
    });
  }

  // "In" and "Out" clicked alone, as assistive technology does, hold until
  // clicked again or another control is used, and say so.
  for (const [control, ending] of [['0', '[data-button="0"]'], ['2', '[data-key="-"]']]) {
    it(`holds "${control === '0' ? 'In' : 'Out'}" on a click alone, and says so, until ${ending} is clicked`, async () => {
      const pressedSaid = () => page.evaluate((c) => document.querySelector(`[data-button="${c}"]`).getAttribute('aria-pressed'), control);
      await holdAndLetGo(page, 'a click alone', async () => {
        await clickOn(`[data-button="${control}"]`);
        assert.equal(await pressedSaid(), 'true', 'held by a click, it does not say it is pressed');
      }, async () => {
        await clickOn(ending);
        assert.equal(await pressedSaid(), 'false', 'let go, it still says it is pressed');
      });
      if (ending.includes('-')) {
        await clickOn('[data-key="+"]');
      }
    });
  }

  it('lets go of a press on the landscape the browser cancels, holding nothing while the mouse moves on, and opens no menu', async () => {
    const [x, y] = await centre(page, 'canvas');
    await holdAndLetGo(page, 'the left button held, then cancelled', async () => {
      await page.move(x, y);
      await page.down('left');
    }, async () => {
      await page.evaluate(() => document.querySelector('canvas').dispatchEvent(new PointerEvent('pointercancel',
        { pointerId: window.vendraskTest.pointerId, pointerType: 'mouse' })));
      await page.move(x + 1, y);
    });
    await page.up('left');
    assert.equal(await state(page, 'contextMenus'), 0, 'a context menu opened over the canvas');
  });

  it('shows where the keyboard focus is, on the landscape too', async () => {
    await focus('#fullscreen');
    await withKey('Shift', () => press(page, 'Tab'))();
    assert.deepEqual(await page.evaluate(() => [document.activeElement.tagName, getComputedStyle(document.activeElement).outlineStyle]),
      ['CANVAS', 'solid'], 'keyboard focus on the canvas is not shown');
  });

  // The last case: the viewer ends.
  it('ends on "q", and leaves keys to the browser from then on', async () => {
    await press(page, 'q');
    await expectStopped(page, /^The viewer has ended\.$/, true);
    const prevented = await state(page, 'keysPrevented');
    await press(page, 'd');
    assert.equal(await state(page, 'keysPrevented'), prevented, 'a key taken from the browser after the viewer has ended');
  });

  it('ends on the middle button', ctx.skip(['webkit'], 'WebKitWebDriver gives it no Pointer Events'), async () => {
    const other = await ctx.open(`${ctx.server.url}index.html`);
    await grabbed(other, 0);
    await click(other, 'canvas', 'middle');
    await expectStopped(other, /^The viewer has ended\.$/, true);
    await closed(other);
  });
});
