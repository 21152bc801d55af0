// SPDX-License-Identifier: MIT
// The page's pictures in the README, from a built page served on 127.0.0.1:
// headless Chromium's screenshots, at a desk's 680 × 960 CSS pixels, the
// whole page down to its footer with the version, scaled to 75 %, and in its
// phone emulation at 390 × 844 with three device pixels to each, the screen,
// scaled to 293 × 633; each once the landscape has turned a little.
//   node tools/page_pictures.mjs [page-folder] [out-folder]     (make pictures)
import { execFileSync } from 'node:child_process';
import { join } from 'node:path';

import { bound, serve, start } from '../tests/web/browser.mjs';

const [folder = 'build-web', out = 'docs'] = process.argv.slice(2);
const [server, browser] = await Promise.all([serve(folder), start('chromium')]);
try {
  for (const [name, viewport, size, fullPage] of [['web.png', { width: 680, height: 960 }, '75%', true],
    ['web-phone.png', { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true }, '293x633', false]]) {
    const page = await browser.native.newPage();
    await page.setViewport(viewport);
    await page.goto(server.url, { timeout: bound });
    await page.waitForFunction(() => document.getElementById('status').textContent === '', { timeout: bound });
    await page.evaluate(() => new Promise((resolve) => {
      (function turn(frames) {
        return frames === 0 ? resolve() : requestAnimationFrame(() => turn(frames - 1));
      }(30));
    }));
    execFileSync('convert', ['png:-', '-resize', size, join(out, name)], { input: await page.screenshot({ fullPage }) });
    await page.close();
  }
} finally {
  await browser.close();
  await server.stop();
}
