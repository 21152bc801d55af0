// SPDX-License-Identifier: MIT
// The page's first script, in JavaScript as old as ES5 so that every
// browser that runs scripts at all can run it: says what the page is doing
// while it loads, and that the browser is too old where the page's other
// scripts, in today's JavaScript, cannot run. They say everything else.
'use strict';

var tooOld = 'This browser is too old to run Vendrask: it needs Chrome or Edge 97, Firefox 102 or Safari 16, or later.';
var pageRan = false;     // page.js, the last of the page's scripts, has run
var pageBroken = false;  // the page has said it cannot run its scripts

(function () {
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
      if (/^(input|loader|page)\.js$/.test(scripts[i].getAttribute('src')) && scripts[i].src === url) {
        return true;
      }
    }
    return false;
  }
  // A script of the page that did not load (seen as its element's error,
  // which reaches the window only on the way down), or that the browser
  // could not run, stops the page here; such an error is not reported a
  // second time. Page.js, once it has run, says the rest.
  window.addEventListener('error', function (event) {
    var element = event.target;
    if (element && element.tagName === 'SCRIPT' && own(element.src)) {
      say('Vendrask could not load ' + element.getAttribute('src') + '.');
    }
  }, true);
  window.addEventListener('error', function (event) {
    if (!pageRan && own(event.filename)) {
      event.preventDefault();
      say(tooOld);
    }
  });
  window.addEventListener('load', function () {
    say(tooOld);
  });
}());
