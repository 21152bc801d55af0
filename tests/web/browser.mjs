// SPDX-License-Identifier: MIT
// What the page's test and benchmark share: the page's folder served on
// 127.0.0.1, and Debian's Chromium started headless with software WebGL.
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join } from 'node:path';
import puppeteer from 'puppeteer-core';

// Serves `folder` on a free port of 127.0.0.1; resolves to the server.
export async function serve(folder) {
  const types = {
    '.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.png': 'image/png', '.webmanifest': 'application/manifest+json',
  };
  const server = createServer((request, response) => {
    const path = new URL(request.url, 'http://page/').pathname.replace(/\/$/, '/index.html');
    try {
      const body = readFileSync(join(folder, path));
      response.writeHead(200, { 'Content-Type': types[extname(path)] ?? 'application/octet-stream' }).end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return server;
}

// Chromium with WebGL drawn by SwiftShader, and no calls to the network.
export function launch() {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
}

// Ends the browser, by force if it does not close.
export async function close(browser) {
  await browser.close().catch(() => browser.process()?.kill('SIGKILL'));
}
