// SPDX-License-Identifier: MIT
// Steering the page as the desktop program is steered, by real input events
// through each engine's automation: its keys, the page's own buttons for
// them, and every way a held press begins and ends.
import {
  assert, before, centre, click, closed, concern, expectStopped, grabbed, holdAndLetGo, it, press, pressed, pressForScreenReader, settled, state, until, width,
} from './harness.mjs';

const programKeys = ['+', '-', 'a', 'd', 'w', 's', 'r', 'q'];  // each has a button on the page
const noPointerEvents = [['webkit'], 'WebKitWebDriver gives it no Pointer Events'];

concern('input', (ctx) => {
  const { plus } = ctx;
  let page = null;  // the page, turning no more
  let still = null; // its picture at detail level 2
  let coarser = null; // and at level 3
  const focus = (selector) => page.evaluate((s) => document.querySelector(s).focus(), selector);
  const clickOn = (selector) => page.evaluate((s) => document.querySelector(s).click(), selector);
  const key = (k, selector = 'canvas') => async () => {
    await focus(selector);
    await press(page, k);
  };
  const screenReader = (name, selector) => pressForScreenReader(page, ctx.engine, name, selector);
  const withKey = async (held, act) => {
    await page.keyDown(held);
    await act();
    await page.keyUp(held);
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

  // "+" on a German layout has its own key, the one that gives "=" on a US layout.
  const germanPlus = async () => {
    const devtools = await page.native.createCDPSession();
    for (const type of ['keyDown', 'keyUp']) {
      await devtools.send('Input.dispatchKeyEvent', { type, key: '+', code: 'BracketRight', windowsVirtualKeyCode: 187, text: type === 'keyDown' ? '+' : undefined });
    }
  };
  for (const [what, coarsen, refine, skip = [[]]] of [
    ['"-" and "+"', key('-'), key(plus)],
    ['"-" and the keypad\'s "+"', key('-'), key('NumpadAdd')],
    ['"-" and "+" typed on a German layout', key('-'), germanPlus, [['firefox', 'webkit'], 'its automation sets no key code']],
    ['the "-" and "+" buttons clicked', () => click(page, '[data-key="-"]'), () => click(page, '[data-key="+"]')],
    ['the "-" and "+" buttons pressed by a screen reader', () => screenReader('- coarser', '[data-key="-"]'), () => screenReader('+ finer', '[data-key="+"]')],
    ['Enter and Space on the focused "-" and "+" buttons', key('Enter', '[data-key="-"]'), key(' ', '[data-key="+"]')],
  ]) {
    it(`makes the mesh coarser and finer again by ${what}`, ctx.skip(...skip), async () => {
      await coarsen();
      assert.ok((await settled(page)).equals(coarser), 'not coarser');
      await refine();
      assert.ok((await settled(page)).equals(still), 'not finer again');
    });
  }

  it('leaves the view as it is on upper-case letters and on keys typed on a control, and leaves keys with Ctrl, Alt or Meta to the browser', async () => {
    for (const [k, on] of [['A'], ['R'], ['Q'], ['q', '#fullscreen'], ['-', '[data-key="+"]'], ['d', '#motion']]) {
      await key(k, on)();
    }
    const prevented = await state(page, 'keysPrevented');
    for (const modifier of ['Control', 'Alt', 'Meta']) {
      await withKey(modifier, key('d'));
    }
    assert.ok((await settled(page)).equals(still), 'the view changed');
    assert.equal(await state(page, 'keysPrevented'), prevented, 'a key with a modifier lost its meaning to the browser');
  });

  it('has a button for each key the program knows, handing the program what the key does', async () => {
    await page.evaluate(() => {
      Object.assign(window.vendraskTest, { keys: [], key: window.Module._vendrask_key });
      window.Module._vendrask_key = (c) => window.vendraskTest.keys.push(String.fromCharCode(c));
    });
    try {
      const buttons = await page.evaluate(() => [...document.querySelectorAll('[data-key]')].map((b) => b.dataset.key));
      assert.deepEqual(new Set(buttons), new Set(programKeys), 'the keys with buttons');
      for (const k of buttons) {
        await key(k === '+' ? plus : k)();
        await clickOn(`[data-key="${k}"]`);
      }
      assert.deepEqual(await state(page, 'keys'), buttons.flatMap((k) => [k, k]), 'what the keys and their buttons hand on');
    } finally {
      await page.evaluate(() => { window.Module._vendrask_key = window.vendraskTest.key; });
    }
  });

  // Every way a held press ends lets go; in and out by turns, so that the
  // eye stays near where it was. A press ended `to` a number of pixels
  // right, or an element, moves the pointer (or the focus) there first.
  for (const [what, at, by, to, skip = [[]]] of [
    ['the left button on the landscape, released outside it', 'canvas', 'left', width],
    ['the right button on the landscape, released outside it', 'canvas', 'right', width, noPointerEvents],
    ['"In" pressed by a pointer and released', '[data-button="left"]', 'left'],
    ['"Out" pressed by a pointer, then left by it', '[data-button="right"]', 'left', 'h1'],
    ['"In" held by Space until the key is up', '[data-button="left"]', ' '],
    ['"Out" held by Enter until the key is up', '[data-button="right"]', 'Enter'],
    ['"Out" held by Space until the focus leaves', '[data-button="right"]', ' ', 'canvas'],
    ['"In" held by Enter until the focus leaves', '[data-button="left"]', 'Enter', 'canvas'],
  ]) {
    const pointer = ['left', 'right'].includes(by);
    it(`moves the eye while ${what} is held, and no more once let go`, ctx.skip(...skip), () => holdAndLetGo(page, what, async () => {
      await (pointer ? page.move(...(await centre(page, at))) : focus(at));
      await (pointer ? page.down(by) : page.keyDown(by));
    }, async () => {
      const [x, y] = await centre(page, typeof to === 'string' ? to : at);
      await (typeof to === 'number' ? page.move(x + to, y) : to && (pointer ? page.move(x, y) : focus(to)));
      await (pointer ? page.up(by) : page.keyUp(by));
    }));
  }

  // "In" and "Out" pressed alone, as assistive technology presses them, hold
  // until pressed again, another control is used or the eye is steered
  // otherwise, and say so.
  const pressAlone = (control) => screenReader(control === 'left' ? 'In (hold)' : 'Out (hold)', `[data-button="${control}"]`);
  for (const [control, what, ending] of [
    ['left', 'pressed again', () => pressAlone('left')],
    ['right', '"-" is clicked', async () => { await clickOn('[data-key="-"]'); await clickOn('[data-key="+"]'); }],
    ['left', 'the landscape is clicked', () => click(page, 'canvas')],
  ]) {
    it(`holds "${control === 'left' ? 'In' : 'Out'}" pressed alone, and says so, until ${what}`, async () => {
      await holdAndLetGo(page, 'a press alone', async () => {
        await pressAlone(control);
        await until(page, (c) => document.querySelector(`[data-button="${c}"]`).ariaPressed === 'true', control, 'held, it does not say so');
      }, async () => {
        await ending();
        assert.equal(await pressed(page, `[data-button="${control}"]`), 'false', 'let go, it still says it is pressed');
      });
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
    await withKey('Shift', () => press(page, 'Tab'));
    assert.deepEqual(await page.evaluate(() => [document.activeElement.tagName, getComputedStyle(document.activeElement).outlineStyle]),
      ['CANVAS', 'solid'], 'keyboard focus on the canvas is not shown');
  });

  // The last case on this page: the viewer ends.
  it('ends on "q", letting go of "In", and leaves keys to the browser from then on', async () => {
    await clickOn('[data-button="left"]');
    await key('q')();
    await expectStopped(page, /^The viewer has ended\.$/, true);
    assert.equal(await pressed(page, '[data-button="left"]'), 'false', '"In" still says it is pressed');
    const prevented = await state(page, 'keysPrevented');
    await press(page, 'd');
    assert.equal(await state(page, 'keysPrevented'), prevented, 'a key taken from the browser after the viewer has ended');
  });

  it('ends on the middle button', ctx.skip(...noPointerEvents), async () => {
    const other = await ctx.open(`${ctx.server.url}index.html`);
    await grabbed(other, 0);
    await click(other, 'canvas', 'middle');
    await expectStopped(other, /^The viewer has ended\.$/, true);
    await closed(other);
  });
});
