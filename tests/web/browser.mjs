// SPDX-License-Identifier: MIT
// What the page's test and benchmark share: the page's folder served on
// 127.0.0.1, and the three browser engines behind one small adapter.
// Chromium runs headless with WebGL drawn by SwiftShader, and Firefox on the
// X display, both through puppeteer-core (the DevTools protocol and WebDriver
// BiDi); WebKitGTK through its own WebDriver, on the X display. Firefox and
// WebKit draw WebGL through Mesa's llvmpipe, the desktop's rasteriser.
import { spawn } from 'node:child_process';
import { existsSync, readFileSync, readdirSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join } from 'node:path';
import puppeteer from 'puppeteer-core';

export const engines = ['chromium', 'firefox', 'webkit'];

// A bound for anything the page or a browser does, on a slow and busy
// machine: each call into a browser (puppeteer's own bound, WebDriver's
// below), each navigation and each wait the test makes has one of its own.
export const bound = 60_000;  // ms

// Marks a file as `release` served it, where the page can read it back:
// scripts note it in self.vendraskServed, the program carries it in a custom
// section named "release", and the page and its worker name the version.
function mark(name, body, version, release) {
  if (name === 'vendrask.wasm') {
    const content = Buffer.concat([Buffer.from([7]), Buffer.from('release'), Buffer.from(release)]);
    return Buffer.concat([body, Buffer.from([0, content.length]), content]);
  }
  if (!/\.(html|js|webmanifest)$/.test(name)) {
    return body;
  }
  const text = body.toString().replaceAll(version, release);
  return name.endsWith('.js') ? `${text}\n;(self.vendraskServed ??= []).push('${name} ${release}');\n` : text;
}

// Serves `folder` on a free port of 127.0.0.1, and again under /copy/ as a
// second copy of the page; resolves to the server. For the page's test,
// `files` are served beside the page's own, `inject` names one of them that
// index.html loads before its own scripts, and every file is marked with the
// release served (`server.release`, at first the page's own version). Files
// named in `server.faults` are 'missing' (404, or the page where a host has
// a single-page app's `fallback`), 'garbled' (a syntax error at the end),
// 'dropped' (the connection cut before any answer) or 'cut' (half way). As
// some hosts do, every answer may carry `headers`, and a folder's address
// have no page (`folderIndex` false). stop() and start() take the server off
// its address and put it back.
export async function serve(folder, { files = {}, inject = null, headers = {}, folderIndex = true, fallback = false } = {}) {
  const types = {
    '.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.png': 'image/png', '.webmanifest': 'application/manifest+json',
  };
  const version = /Vendrask ([0-9.]+)\./.exec(readFileSync(join(folder, 'index.html'), 'utf8'))[1];
  const server = createServer((request, response) => {
    const asked = new URL(request.url, 'http://page/').pathname.replace(/^\/copy\//, '/');
    const fault = server.faults.get(asked.slice(1));
    const path = fault === 'missing' && fallback ? '/index.html' : asked.replace(/\/$/, '/index.html');
    const name = path.slice(1);
    // WebKitGTK 2.52's network process breaks about one time in ten when a
    // reused connection is cut before any answer (the page test's "dropped
    // vendrask.wasm"); never on a connection of its own.
    response.shouldKeepAlive &&= ![...server.faults.values()].includes('dropped');
    if (fault === 'dropped') {
      request.socket.destroy();
      return;
    }
    let body = null;
    try {
      body = files[name] ?? (fault === 'missing' && !fallback ? null : readFileSync(join(folder, path)));
    } catch {
      // answered 404 below
    }
    if (body === null || (!folderIndex && asked.endsWith('/'))) {
      response.writeHead(404, 'Not Found').end();
      return;
    }
    if (inject && !(name in files)) {
      body = mark(name, body, version, server.release);
      if (name === 'index.html') {
        body = body.replace('<script', `<script src="${inject}"></script>\n<script`);
      }
    }
    const bytes = Buffer.concat([Buffer.from(body), Buffer.from(fault === 'garbled' ? '\n)(' : '')]);
    response.writeHead(200, { 'Content-Type': types[extname(path)] ?? 'application/octet-stream', 'Content-Length': bytes.length, ...headers });
    if (fault === 'cut') {
      response.write(bytes.subarray(0, bytes.length / 2), () => request.socket.destroy());
      return;
    }
    response.end(bytes);
  });
  Object.assign(server, {
    release: version,
    faults: new Map(),
    start: () => new Promise((resolve) => server.listen(server.port ?? 0, '127.0.0.1', resolve)),
    stop: () => new Promise((resolve) => {
      server.close(resolve);
      server.closeAllConnections();
    }),
  });
  await server.start();
  server.port = server.address().port;
  server.url = `http://127.0.0.1:${server.port}/`;
  return server;
}

// Room for the whole page, as in WebKit's window below.
const viewport = { width: 1000, height: 850 };

// Chromium or Firefox through puppeteer-core: pages with mouse buttons
// named 'left', 'middle', 'right', keys as puppeteer names them, and the
// puppeteer page as `native`. `prepare`, if given, readies that further (a
// phone's emulation, say) before the page is loaded.
function puppeteerEngine(name, browser) {
  return {
    name,
    native: browser,
    async open(url, prepare = async () => {}) {
      const page = await browser.newPage();
      await page.setViewport(viewport);
      await prepare(page);
      await page.goto(url, { timeout: bound });
      return {
        native: page,
        evaluate: (f, ...args) => page.evaluate(f, ...args),
        goto: (to) => page.goto(to, { timeout: bound }),
        reload: () => page.reload({ timeout: bound }),
        keyDown: (key) => page.keyboard.down(key),
        keyUp: (key) => page.keyboard.up(key),
        move: (x, y) => page.mouse.move(x, y),
        down: (button) => page.mouse.down({ button }),
        up: (button) => page.mouse.up({ button }),
        close: () => page.close(),
      };
    },
    // By force if it does not close in half the bound.
    close: () => Promise.race([browser.close(), new Promise((_, reject) => setTimeout(reject, bound / 2))])
      .catch(() => browser.process()?.kill('SIGKILL')),
  };
}

// WebKitGTK's MiniBrowser through WebKitWebDriver: classic W3C WebDriver
// over HTTP, one session (one browser) for each page opened.
// MiniBrowser, WebKitGTK's own browser, as Debian installs it.
const miniBrowser = readdirSync('/usr/lib').filter((dir) => dir.endsWith('-linux-gnu'))
  .flatMap((dir) => ['webkit2gtk-4.1', 'webkitgtk-6.0'].map((api) => `/usr/lib/${dir}/${api}/MiniBrowser`))
  .find((path) => existsSync(path));
const webDriverKeys = { Tab: '\uE004', Enter: '\uE007', Shift: '\uE008', Control: '\uE009', Alt: '\uE00A', Meta: '\uE03D', NumpadAdd: '\uE025' };
const webDriverButtons = { left: 0, middle: 1, right: 2 };

async function webkitEngine() {
  const port = await new Promise((resolve) => {
    const probe = createServer().listen(0, '127.0.0.1', () => {
      const { port: free } = probe.address();
      probe.close(() => resolve(free));
    });
  });
  // In a process group of its own, with the MiniBrowsers it starts, for all
  // of them to be ended together, whatever state they are in, and with the
  // test, even if it is ended by a signal.
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore', detached: true });
  const end = () => {
    try {
      process.kill(-driver.pid, 'SIGKILL');
    } catch {
      // already ended
    }
  };
  process.on('exit', end);
  ['SIGINT', 'SIGTERM', 'SIGHUP'].forEach((signal) => process.once(signal, () => process.exit(1)));
  // Each call gives up after `ms`, closing its connection.
  const call = async (method, path, body, ms = bound) => {
    const response = await fetch(`http://127.0.0.1:${port}${path}`, {
      method, headers: { 'Content-Type': 'application/json' }, body: body && JSON.stringify(body), signal: AbortSignal.timeout(ms),
    }).catch((error) => {
      const why = error.name === 'TimeoutError' ? `no answer in ${ms / 1000} s` : error.cause?.message ?? error.message;
      throw new Error(`WebDriver ${method} ${path}: ${why}`);
    });
    const { value } = await response.json();
    if (!response.ok) {
      throw new Error(`WebDriver ${method} ${path}: ${value.error}: ${value.message}`);
    }
    return value;
  };
  for (let tries = 0; !(await call('GET', '/status', undefined, 1000).then((s) => s.ready, () => false)); tries += 1) {
    if (tries === 300) {
      end();
      throw new Error('WebKitWebDriver did not start');
    }
    await new Promise((r) => setTimeout(r, 100));
  }
  const sessions = new Set();
  return {
    name: 'webkit',
    async open(url) {
      const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': {
        binary: miniBrowser, args: ['--automation'] } } } });
      const session = `/session/${sessionId}`;
      sessions.add(session);
      const act = (source, action) => call('POST', `${session}/actions`, { actions: [{ ...source, actions: [action] }] });
      const keyboard = { type: 'key', id: 'keyboard' };
      const mouse = { type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' } };
      await call('POST', `${session}/window/rect`, { width: viewport.width, height: viewport.height + 50 });
      await call('POST', `${session}/url`, { url });
      return {
        evaluate: (f, ...args) => call('POST', `${session}/execute/sync`, { script: `return (${f}).apply(null, arguments);`, args }),
        goto: (to) => call('POST', `${session}/url`, { url: to }),
        reload: () => call('POST', `${session}/refresh`, {}),
        keyDown: (key) => act(keyboard, { type: 'keyDown', value: webDriverKeys[key] ?? key }),
        keyUp: (key) => act(keyboard, { type: 'keyUp', value: webDriverKeys[key] ?? key }),
        move: (x, y) => act(mouse, { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' }),
        down: (button) => act(mouse, { type: 'pointerDown', button: webDriverButtons[button] }),
        up: (button) => act(mouse, { type: 'pointerUp', button: webDriverButtons[button] }),
        close: () => call('DELETE', session).finally(() => sessions.delete(session)),
      };
    },
    async close() {
      await Promise.all([...sessions].map((session) => call('DELETE', session, undefined, bound / 2).catch(() => {})));
      end();
    },
  };
}

// Chromium with WebGL drawn by SwiftShader, and no calls to the network;
// Firefox on $DISPLAY, which has to be there (it has no WebGL headless).
const puppeteerOptions = {
  chromium: {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
      ...(process.env.VENDRASK_AT_SPI ? ['--force-renderer-accessibility'] : [])],
  },
  firefox: { browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false },
};

// One of the engines, started; WebKit, too, on $DISPLAY. Chromium's screen
// may have `scale` device pixels to a CSS pixel.
export async function start(engine, scale = null) {
  if (engine === 'webkit') {
    return webkitEngine();
  }
  const options = { ...puppeteerOptions[engine], timeout: bound, protocolTimeout: bound };
  if (scale) {
    options.args = [...options.args, `--force-device-scale-factor=${scale}`];
  }
  return puppeteerEngine(engine, await puppeteer.launch(options));
}
