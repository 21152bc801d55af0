// SPDX-License-Identifier: MIT
// Loading the program, and saying why it cannot run: the module's options
// (Emscripten's Module object), vendrask.wasm fetched, or read from beside a
// page opened from its folder, the program's exit, and whatever stops it (a
// file not loaded, a browser without WebGL, a policy that forbids
// WebAssembly, an error of the program's own), each told to the page
// (page.js) once, with a sentence for the visitor.
// Provides Vendrask.loader; uses Vendrask.check.tooOld, Vendrask.scripts,
// Vendrask.on and Vendrask.tell, and Vendrask.input.steer once the program
// runs.
'use strict';

Vendrask.loader = (() => {
  const { tooOld } = Vendrask.check;
  let halted = false;  // the viewer has ended, or cannot run: told once
  let running = null;   // the module, once its runtime has started

  // Tells the page that the viewer has stopped, and the program to draw no
  // more.
  function stop(name, detail) {
    if (halted) {
      return false;
    }
    halted = true;
    running?._vendrask_halt();
    Vendrask.tell(name, detail);
    return true;
  }

  // Says why the viewer does not run, and whether starting again can help.
  function fail(sentence, canRestart = true) {
    if (stop('failed', { sentence, canRestart })) {
      console.error(sentence);
    }
  }

  Vendrask.on('no-webgl', () => {
    fail('This browser cannot show the landscape: Vendrask draws with WebGL, which it lacks or has switched off.', false);
  });

  // An error of the program's (an abort, a WebGL call that throws) or of the
  // page's own scripts reaches the browser uncaught; the page says what
  // stopped it, and the error, so handled, is not reported a second time. Such
  // an error has passed through one of those scripts: the program is entered
  // only through them. Any other (another script on the page, such as a
  // browser extension's, its WebAssembly too, or the browser's own notices,
  // such as a ResizeObserver loop) is left to the browser, and the viewer goes
  // on; so is one that an earlier listener has handled (check.js).
  const ownScripts = ['vendrask.js', ...Vendrask.scripts].map((file) => new URL(file, document.baseURI).href);
  function stopOnError(event, error) {
    const stack = String(error?.stack ?? '');
    const own = ownScripts.some((url) => stack.includes(`${url}:`));  // followed by the line
    if (own && !event.defaultPrevented) {
      event.preventDefault();
      fail(`Vendrask stopped with an error: ${error.message ?? error}`);
    }
  }
  window.addEventListener('error', (event) => stopOnError(event, event.error));
  window.addEventListener('unhandledrejection', (event) => stopOnError(event, event.reason));

  // What the browser's policies have refused the page, as it reports them
  // (its securitypolicyviolation events); and the policy that refused what
  // `blocked` matches (such as WebAssembly's "eval", or a file's address), or
  // null where none is reported in a second.
  const refusals = [];
  document.addEventListener('securitypolicyviolation', (event) => refusals.push(event));
  function policyRefusing(blocked) {
    return new Promise((resolve) => {
      const end = Date.now() + 1000;
      (function look() {
        const refusal = refusals.find((event) => blocked.test(event.blockedURI));
        return refusal || Date.now() > end ? resolve(refusal?.originalPolicy ?? null) : setTimeout(look, 50);
      }());
    });
  }

  // Addresses of the page's own scripts and worker, as a host's policy that
  // asks for Trusted Types (require-trusted-types-for) wants them made.
  const scriptURLs = (() => {
    const asGiven = { createScriptURL: (url) => url };
    try {
      return self.trustedTypes?.createPolicy('vendrask', asGiven) ?? asGiven;
    } catch {
      return asGiven;  // a policy name the host does not allow: loading says so
    }
  })();

  // Why `file` did not load, as a sentence for the visitor: on a page opened
  // from its folder, or from the server's answer (null for none), the policy
  // that refused it (null for none) and whether the page is sandboxed without
  // an origin. A file whose answer began well but never arrived whole was cut
  // off on the way.
  function whyNotLoaded(file, { fromFolder = false, response = null, policy = null, sandboxedPage = false }) {
    let why = 'the network is down, or the server cannot be reached';
    if (fromFolder) {
      why = 'it is not in the page\'s folder';
    } else if (!response && policy) {
      return hostForbidsLoading(file);
    } else if (!response && sandboxedPage) {
      return sandboxed;
    } else if (response && !response.ok) {
      why = `the server answered ${response.status} ${response.statusText}`.trim();
    }
    return `Vendrask could not load ${file}: ${why}.`;
  }
  async function notLoaded(file, response) {
    const fromFolder = location.protocol === 'file:';
    const policy = !fromFolder && !response ? await policyRefusing(new RegExp(`${file.replace('.', '\\.')}$`)) : null;
    return whyNotLoaded(file, { fromFolder, response, policy, sandboxedPage: self.origin === 'null' });
  }

  // Why the program did not compile, from the error's message and the policy
  // that refused WebAssembly (null for none): a Content-Security-Policy that
  // does not allow it ('wasm-unsafe-eval') refuses to compile it, the page's
  // own in browsers from before that could be allowed, or a host's.
  const byPolicy = (message) => /CSP|Content.Security.Policy|unsafe-eval/i.test(message);
  function whyNotCompiled(message, policy) {
    if (!byPolicy(message)) {
      return `Vendrask could not start: vendrask.wasm is damaged (${message}).`;
    }
    return policy && !policy.includes('\'wasm-unsafe-eval\'') ? hostForbids : tooOld;
  }

  // Loads a script beside the page; rejects with why not. A script's error
  // event does not say why, so the server is asked once more.
  function loadScript(file) {
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      try {
        script.src = scriptURLs.createScriptURL(file);
      } catch {
        reject(hostForbidsLoading(file));
        return;
      }
      script.onload = resolve;
      script.onerror = () => {
        const asked = location.protocol === 'file:' ? Promise.resolve(null) : fetch(file, { method: 'HEAD', cache: 'no-store' });
        asked.catch(() => null).then((response) => notLoaded(file, response)).then(reject);
      };
      document.body.append(script);
    });
  }

  // The program's bytes. A page opened from the file system may not fetch
  // files beside it (Chromium refuses), but loads scripts from there:
  // vendrask.wasm.js holds the same bytes as text.
  async function programBytes() {
    if (location.protocol === 'file:') {
      await loadScript('vendrask.wasm.js');
      return Uint8Array.from(atob(self.vendraskWasm), (c) => c.charCodeAt(0));
    }
    const response = await fetch('vendrask.wasm').catch(() => null);
    if (!response?.ok) {
      throw await notLoaded('vendrask.wasm', response);
    }
    return response.arrayBuffer().catch(() => notLoaded('vendrask.wasm', response).then((why) => Promise.reject(why)));
  }

  // Where the browser runs no WebAssembly.
  const noWebAssembly = 'This browser cannot run Vendrask: it has WebAssembly switched off, usually by Lockdown Mode '
    + '(on an iPhone, iPad or Mac) or by its security settings.';
  const hostForbids = 'This page\'s server does not let it run Vendrask: its Content-Security-Policy forbids WebAssembly. '
    + 'Whoever hosts the page can allow it (\'wasm-unsafe-eval\') or send no policy of their own.';
  const hostForbidsLoading = (file) => `This page's server does not let it run Vendrask: its Content-Security-Policy forbids loading ${file}. `
    + 'Whoever hosts the page can allow the page\'s own files (\'self\') or send no policy of their own.';
  const sandboxed = 'This page is sandboxed without an origin of its own, where Vendrask cannot load its program or keep itself '
    + 'for use offline. Whoever shows it in a frame, or sends its sandbox policy, can add allow-same-origin.';
  // Sentences for what starting again cannot mend.
  const lasting = new Set([tooOld, hostForbids, sandboxed, ...['vendrask.js', 'vendrask.wasm', 'vendrask.wasm.js'].map(hostForbidsLoading)]);

  // The module vendrask.js starts, drawing into `canvas`; it prints to the
  // console.
  function vendraskModule(canvas) {
    const module = {
      printErr: (text) => console.error(text),
      // The program's exit, before the runtime unwinds it.
      onExit: (status) => stop('ended', status),
      onRuntimeInitialized() {
        running = module;
        Vendrask.input.steer(module, canvas);
        Vendrask.tell('started');
      },
      instantiateWasm(imports, receive) {
        const refused = (error) => (byPolicy(error.message) ? policyRefusing(/eval/) : Promise.resolve(null))
        .then((policy) => Promise.reject(whyNotCompiled(error.message, policy)));
        programBytes()
          .then((bytes) => WebAssembly.instantiate(bytes, imports).catch(refused))
          .then(({ instance, module: compiled }) => receive(instance, compiled), (why) => fail(why, !lasting.has(why)));
        return {};
      },
    };
    return module;
  }

  return {
    halted: () => halted, fail, loadScript, scriptURLs, noWebAssembly, whyNotLoaded, whyNotCompiled,
    lasting: (sentence) => lasting.has(sentence), module: vendraskModule,
  };
})();
