// SPDX-License-Identifier: MIT
// The page's first script, in JavaScript as old as ES5 so that every
// browser that runs scripts at all can run it: says what the page is doing
// while it loads, and that the browser is too old where the page's other
// scripts, in today's JavaScript, cannot run. They say everything else.
// Provides Vendrask, the page's one global: its scripts, its events
// (Vendrask.on, Vendrask.tell) and Vendrask.check; each later script adds
// its own part of it.
'use strict';

// What the page hears of the viewer, each on its document as an event named
// vendrask-NAME; any other name is a mistake, said at once.
var Vendrask = (function () {
  var events = ['no-webgl', 'shown', 'lost', 'restored', 'unrestorable', 'started', 'ended', 'failed', 'settled'];
  function event(name) {
    if (events.indexOf(name) < 0) {
      throw new Error('The page has no event named ' + name);
    }
    return 'vendrask-' + name;
  }
  return {
    scripts: '@VENDRASK_PAGE_SCRIPTS@'.split(';'),  // the page's own, in the order it loads them
    on: function (name, listener) { document.addEventListener(event(name), listener); },
    tell: function (name, detail) { document.dispatchEvent(new CustomEvent(event(name), { detail: detail })); }
  };
}());

Vendrask.check = (function () {
  var check = {
    tooOld: 'This browser is too old to run Vendrask: it needs Chrome or Edge 97, Firefox 102 or Safari 16, or later.',
    // The last of the page's scripts has run, and from now on says what
    // happens; false where this one has already said why the page cannot run.
    pageRuns: function () {
      pageRan = true;
      return !pageBroken;
    }
  };
  var pageRan = false;     // the last of the page's scripts has run
  var pageBroken = false;  // the page has said it cannot run its scripts
  var status = document.getElementById('status');
  status.textContent = 'Growing the landscape\u2026';

  function say(sentence) {
    if (!pageBroken && !pageRan) {
      pageBroken = true;
      status.textContent = sentence;
      if (window.console) {
        console.error(sentence);
      }
    }
  }
  // Whether `url` is one of the page's own later scripts, by the address the
  // browser made of it: another script named alike (another page's of the
  // site, an extension's) is not.
  function own(url) {
    var scripts = document.getElementsByTagName('script');
    for (var i = 0; i < scripts.length; i += 1) {
      var named = scripts[i].getAttribute('src');
      if (named !== 'check.js' && Vendrask.scripts.indexOf(named) >= 0 && scripts[i].src === url) {
        return true;
      }
    }
    return false;
  }
  // A script of the page that did not load (seen as its element's error,
  // which reaches the window only on the way down), or that the browser
  // could not run, stops the page here; such an error is not reported a
  // second time. The last script, once it has run, says the rest.
  window.addEventListener('error', function (event) {
    var element = event.target;
    if (element && element.tagName === 'SCRIPT' && own(element.src)) {
      say('Vendrask could not load ' + element.getAttribute('src') + '.');
    }
  }, true);
  window.addEventListener('error', function (event) {
    if (!pageRan && own(event.filename)) {
      event.preventDefault();
      say(check.tooOld);
    }
  });
  window.addEventListener('load', function () {
    say(check.tooOld);
  });
  return check;
}());
