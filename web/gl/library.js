// SPDX-License-Identifier: MIT
// The JavaScript that the page's GLUT (glut.cpp) calls, linked into
// vendrask.js by Emscripten (--js-library): the window's news to the page,
// by the event's name (Vendrask.tell, check.js), and the device pixels the
// canvas covers, as the browser tells them (its devicePixelContentBoxSize).
// Each is written `name: function`, as Emscripten's older releases read them.
/* global mergeInto, LibraryManager, HEAPU8, Module, Vendrask */
mergeInto(LibraryManager.library, {
  // A name in ASCII, from the module's memory.
  tell_page: function (name) {
    Vendrask.tell(String.fromCharCode.apply(null, HEAPU8.subarray(name, HEAPU8.indexOf(0, name))));
  },
  watch_device_pixels: function () {
    try {
      new ResizeObserver((entries) => {
        const boxes = entries[entries.length - 1].devicePixelContentBoxSize;
        Module.vendraskDevicePixels = boxes && boxes[0] ? [boxes[0].inlineSize, boxes[0].blockSize] : null;
      }).observe(document.querySelector('#canvas'), { box: 'device-pixel-content-box' });
    } catch {
      Module.vendraskDevicePixels = null;  // no such box here
    }
  },
  device_pixels: function (side) {
    const seen = Module.vendraskDevicePixels;
    return seen ? seen[side] : 0;
  },
});
