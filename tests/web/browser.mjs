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
// machine: each call into a browser, each navigation and each wait the test
// makes has one of its own.
export const bound = 60_000;  // ms

// Where the test is, for its failures to say: the engine, and the step the
// test last named.
const place = { engine: 'no engine', step: 'starting' };
export const step = (name, engine = place.engine) => Object.assign(place, { engine, step: name });
export const where = () => `${place.engine}, ${place.step}`;

// `promise`, which is `what` was asked of the browser, bounded; a failure
// or an expiry says what was asked, in which engine and at which step.
function bounded(what, promise, ms = bound) {
  let timer;
  const expired = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${where()}: no answer in ${ms / 1000} s to ${what}`)), ms);
  });
  const failed = (error) => { throw new Error(`${where()}: ${what}: ${error.message}`, { cause: error }); };
  return Promise.race([promise.then(null, failed), expired]).finally(() => clearTimeout(timer));
}

// `object`, each of whose methods that answer later is bounded.
export function boundAll(object) {
  const said = (a) => (typeof a === 'function' ? String(a) : JSON.stringify(a) ?? String(a)).replace(/\s+/g, ' ').slice(0, 80);
  return new Proxy(object, {
    get(target, key) {
      const value = Reflect.get(target, key);
      return typeof value !== 'function' ? value : (...args) => {
        const answer = value.apply(target, args);
        return answer instanceof Promise ? bounded(`${String(key)}(${args.map(said).join(', ')})`, answer) : answer;
      };
    },
  });
}

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
// release served (`server.release`, at first the page's own version).
// `server.missing` files are answered 404 (or with the page, by a host with
// a single-page app's `fallback`), `server.garbled` ones with a syntax error,
// the connections for `server.dropped` ones cut before any answer and for
// `server.cut` ones half way through the file. As some hosts do, every
// answer may carry `headers`, and a folder's address have no page
// (`folderIndex` false).
// stop() and start() take the server off its address and put it back.
export async function serve(folder, { files = {}, inject = null, headers = {}, folderIndex = true, fallback = false } = {}) {
  const types = {
    '.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.png': 'image/png', '.webmanifest': 'application/manifest+json',
  };
  const version = /Vendrask ([0-9.]+)\./.exec(readFileSync(join(folder, 'index.html'), 'utf8'))[1];
  const server = createServer((request, response) => {
    const asked = new URL(request.url, 'http://page/').pathname.replace(/^\/copy\//, '/');
    let path = asked.replace(/\/$/, '/index.html');
    const name = path.slice(1);
    if (fallback && server.missing.has(name)) {
      path = '/index.html';
    }
    // In WebKitGTK 2.52, a request cut before any answer on a connection
    // that has served one before breaks the network process (libsoup) about
    // one time in ten, and the page with it (the page test's "dropped
    // vendrask.wasm"); on a connection of its own, not once in a hundred. So
    // a server that drops files closes each connection after one answer.
    if (server.dropped.size > 0) {
      response.shouldKeepAlive = false;
    }
    if (server.dropped.has(name)) {
      request.socket.destroy();
      return;
    }
    let body = null;
    try {
      body = files[name] ?? (server.missing.has(name) && !fallback ? null : readFileSync(join(folder, path)));
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
    const bytes = Buffer.concat([Buffer.from(body), Buffer.from(server.garbled.has(name) ? '\n)(' : '')]);
    response.writeHead(200, { 'Content-Type': types[extname(path)] ?? 'application/octet-stream', 'Content-Length': bytes.length, ...headers });
    if (server.cut.has(name)) {
      response.write(bytes.subarray(0, bytes.length / 2), () => request.socket.destroy());
      return;
    }
    response.end(bytes);
  });
  Object.assign(server, {
    release: version,
    missing: new Set(),
    garbled: new Set(),
    dropped: new Set(),
    cut: new Set(),
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

// A page in Chromium or Firefox, through puppeteer-core. Mouse buttons are
// named 'left', 'middle', 'right'; keys as puppeteer names them.
function puppeteerPage(page) {
  return boundAll({
    native: boundAll(page),
    evaluate: (f, ...args) => page.evaluate(f, ...args),
    goto: (url) => page.goto(url, { timeout: bound }),
    reload: () => page.reload({ timeout: bound }),
    keyDown: (key) => page.keyboard.down(key),
    keyUp: (key) => page.keyboard.up(key),
    move: (x, y) => page.mouse.move(x, y),
    down: (button) => page.mouse.down({ button }),
    up: (button) => page.mouse.up({ button }),
    close: () => page.close(),
  });
}

// Room for the whole page, as in WebKit's window below.
const viewport = { width: 1000, height: 850 };

function puppeteerEngine(name, browser) {
  return boundAll({
    name,
    native: boundAll(browser),
    // `prepare`, if given, readies the page (puppeteer's) further: a
    // phone's emulation, say.
    async open(url, prepare = async () => {}) {
      const page = await browser.newPage();
      await page.setViewport(viewport);
      await prepare(page);
      await page.goto(url, { timeout: bound });
      return puppeteerPage(page);
    },
    close: () => close(browser),
  });
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
  return boundAll({
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
      return boundAll({
        evaluate: (f, ...args) => call('POST', `${session}/execute/sync`, { script: `return (${f}).apply(null, arguments);`, args }),
        goto: (to) => call('POST', `${session}/url`, { url: to }),
        reload: () => call('POST', `${session}/refresh`, {}),
        keyDown: (key) => act(keyboard, { type: 'keyDown', value: webDriverKeys[key] ?? key }),
        keyUp: (key) => act(keyboard, { type: 'keyUp', value: webDriverKeys[key] ?? key }),
        move: (x, y) => act(mouse, { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' }),
        down: (button) => act(mouse, { type: 'pointerDown', button: webDriverButtons[button] }),
        up: (button) => act(mouse, { type: 'pointerUp', button: webDriverButtons[button] }),
        close: () => call('DELETE', session).finally(() => sessions.delete(session)),
      });
    },
    async close() {
      await Promise.all([...sessions].map((session) => call('DELETE', session, undefined, bound / 2).catch(() => {})));
      end();
    },
  });
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
// Puppeteer's own bounds on starting and on each call, past the test's, for
// the test's to say first what it was waiting for.
const puppeteerBounds = { timeout: bound, protocolTimeout: 2 * bound };

// One of the engines, started; WebKit, too, on $DISPLAY. Chromium's screen
// may have `scale` device pixels to a CSS pixel.
export async function start(engine, scale = null) {
  Object.assign(place, { engine, step: 'starting' });
  if (engine === 'webkit') {
    return webkitEngine();
  }
  const options = { ...puppeteerOptions[engine], ...puppeteerBounds };
  if (scale) {
    options.args = [...options.args, `--force-device-scale-factor=${scale}`];
  }
  return puppeteerEngine(engine, await bounded('launch', puppeteer.launch(options), 2 * bound));
}

// Ends the browser, by force if it does not close in half the bound.
async function close(browser) {
  await bounded('close', browser.close(), bound / 2).catch(() => browser.process()?.kill('SIGKILL'));
}
