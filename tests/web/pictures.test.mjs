// SPDX-License-Identifier: MIT
// The page's pictures against the desktop's: its first frames, the picture
// probed as the desktop's picture tests probe it, each detail level, the
// next landscape, and the view after the browser has taken the graphics away
// and given them back.
import {
  assert, atLevel, before, closed, concern, expectStopped, firstFrame, grabbed, height, it, measure, moves, nextLandscape, press, pressed, sameAsDesktop, secondFrame, settled, started, state, unlike, until, width,
} from './harness.mjs';

concern('pictures', (ctx) => {
  const { plus } = ctx;
  let page = null;   // the page, its frames held after the second until the detail levels
  let still = null;  // its picture turning no more, at detail level 2
  before(async () => {
    page = await ctx.open(`${(await ctx.serve()).url}index.html?hold`);
  });

  it('draws the desktop\'s first two frames, turning once between them, and says it is growing the landscape until then', async () => {
    const frames = [await grabbed(page, 0), await grabbed(page, 1)];
    frames.forEach((frame, i) => sameAsDesktop(ctx.engine, `frame ${i + 1}`, frame, [firstFrame, secondFrame][i]));
    assert.ok(unlike(frames[1], firstFrame), 'control: the second frame has turned');
    assert.equal(await state(page, 'statusAtFirstFrame'), 'Growing the landscape…', 'said while growing');
    await until(page, (line) => window.vendraskTest.lines.includes(line), 'Initializing landscape[513][513]', 'no start-up line in the console');
  });

  it('shows a black sky, coloured ground, translucent water and grey fog far away', async () => {
    const seen = measure(await grabbed(page, 0));
    assert.equal(seen.skyLit, 0, 'the sky is black');
    assert.ok(seen.lit > 0.05 * width * height, 'control: the landscape is not black');
    assert.ok(seen.coloured > 0.2 * seen.lit, `coloured ground: ${seen.coloured} of ${seen.lit}`);
    assert.ok(seen.blue > 500 && seen.blueOverGround > 0.25 * seen.blue, `translucent water: ${seen.blue}`);
    assert.ok(seen.fogFar > 500, `fog grey far ground: ${seen.fogFar}`);
    assert.ok(seen.fogNear < 200, `control: near ground is not fogged: ${seen.fogNear}`);
  });

  // From here on each case goes on from the view the one before left.
  it('stops turning on "a", and walks the detail levels from 2 down to 0 and up to 4 on "+" and "-", each the desktop\'s', async () => {
    await press(page, 'a');
    await page.evaluate(() => { window.vendraskTest.hold = false; });
    still = await settled(page);
    sameAsDesktop(ctx.engine, 'level 2', still, atLevel(2));
    assert.ok(unlike(still, atLevel(1)), 'control: levels differ');
    let previous = still;
    for (const [key, level, same] of [[plus, 1], [plus, 0], [plus, 0, true], ['-', 1], ['-', 2], ['-', 3], ['-', 4]]) {
      await press(page, key);
      const now = await settled(page);
      sameAsDesktop(ctx.engine, `level ${level}`, now, atLevel(level));
      assert.equal(now.equals(previous), same === true, `"${key}" to level ${level}: the picture changed, or not`);
      previous = now;
    }
    for (const key of ['-', plus, plus, plus]) {
      await press(page, key);
    }
    assert.ok((await settled(page)).equals(still), 'back at level 2, the picture is not the same');
  });

  it('starts still where the visitor asks for reduced motion: the desktop\'s first frame, and no other', ctx.skip(['firefox', 'webkit'], 'its automation emulates no reduced motion'), async () => {
    const calm = await ctx.open(`${ctx.server.url}index.html`, (p) => p.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: 'reduce' }]));
    const first = await grabbed(calm, 0);
    sameAsDesktop(ctx.engine, 'frame 1 for reduced motion', first, firstFrame);
    assert.ok((await grabbed(calm, 1)).equals(first) && (await settled(calm)).equals(first), 'the landscape moves');
    await closed(calm);
  });

  // Each loss says so, offers to start again and draws nothing; when the
  // graphics are back the viewer draws on as it was, with the keys pressed
  // meanwhile: "r" grows the desktop's next landscape.
  for (const [n, keys] of [['once, "r" pressed meanwhile', ['r']], ['twice', []], ['three times, "+" and "-" pressed meanwhile', [plus, '-']]]) {
    it(`draws the view on as it was when the graphics come back after being taken away ${n}`, async () => {
      const graphics = (what) => page.evaluate((w) => {
        window.vendraskTest.context ??= document.querySelector('canvas').getContext('webgl').getExtension('WEBGL_lose_context');
        window.vendraskTest.context[w]();
      }, what);
      await graphics('loseContext');
      await expectStopped(page, /graphics away/, true);
      for (const key of keys) {
        await press(page, key);
      }
      await graphics('restoreContext');
      await started(page, 'still said: the graphics are away');
      const renewed = await settled(page);
      if (keys.includes('r')) {
        sameAsDesktop(ctx.engine, 'the next landscape', renewed, nextLandscape);
        assert.ok(unlike(renewed, still), 'control: the next landscape is another');
        still = renewed;
      }
      assert.ok(renewed.equals(still), 'not the view before the loss');
    });
  }

  // Given back, the turning and the tilting are what "a" and "s" still.
  it('stops and gives back its turning and tilting by "Stop motion", which says it is pressed while the landscape is still', async () => {
    for (const [key, stopped] of [['w', false], ['d', false], [null, true], [null, false], ['a', false], ['s', true], [null, false], [null, true]]) {
      await (key ? press(page, key) : page.evaluate(() => document.getElementById('motion').click()));
      assert.deepEqual([await moves(page), await pressed(page, '#motion')], [!stopped, String(stopped)], `${key ?? 'Stop motion'}`);
    }
  });

  // The last case: WebKit's automation has one page open at a time.
  it('shows grey ground and no blue water without colour material (the control of the probes above)', async () => {
    await closed(page);
    const plain = await ctx.open(`${ctx.server.url}index.html?plain`);
    const uncoloured = measure(await grabbed(plain, 0));
    assert.ok(uncoloured.coloured < 0.05 * uncoloured.lit, `grey ground: ${uncoloured.coloured}`);
    assert.ok(uncoloured.blue < 50, `no blue water: ${uncoloured.blue}`);
  });
});
