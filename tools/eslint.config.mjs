// SPDX-License-Identifier: MIT
// ESLint's rules for the page's JavaScript, as tools/lint.sh runs them from
// the top of the tree, with ESLint from the page test's packages: the page's
// scripts, which share the one global Vendrask and run in browsers as old as
// check.js says (check.js itself in ES5); its worker; the GL layer's library,
// which Emscripten links into vendrask.js; and the page's test, its benchmark
// and the README's pictures, whose functions run in the page too.
import { createRequire } from 'node:module';

const require = createRequire(new URL('../tests/web/', import.meta.url));
const js = require('@eslint/js');
const globals = require('globals');

export default [
  js.configs.recommended,
  { files: ['web/page/*.js'], languageOptions: { sourceType: 'script', globals: { ...globals.browser, Vendrask: 'readonly' } } },
  { files: ['web/page/check.js'], languageOptions: { ecmaVersion: 5, globals: { ...globals.browser, Vendrask: 'off' } } },
  { files: ['web/page/sw.js'], languageOptions: { globals: globals.serviceworker } },
  { files: ['web/gl/library.js'], languageOptions: { sourceType: 'script', globals: globals.browser } },
  { files: ['tests/web/*.mjs', 'bench/*.mjs', 'tools/*.mjs'], languageOptions: { globals: { ...globals.node, ...globals.browser } } },
];
