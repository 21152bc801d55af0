// SPDX-License-Identifier: MIT
// The built page's own files, read without a browser: its first script
// parses as ES5, so that a browser too old for the others runs it and says
// so; every file the build lists is there; the worker's release is named by
// a digest of every file it keeps (VENDRASK_PAGE_KEPT), and it keeps every
// file the page loads; the manifest's start and scope stay in the copy's
// folder.
import { parse } from 'acorn';
import assert from 'node:assert/strict';
import { createHash } from 'node:crypto';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

const read = (file) => readFileSync(join(process.env.VENDRASK_WEB_PAGE, file));

test('the first script parses as ES5', () => {
  parse(read('check.js').toString(), { ecmaVersion: 5 });
});

test('the page has every file the build lists; its worker\'s release covers all it keeps, and it keeps all the page loads', () => {
  const [served, kept] = ['VENDRASK_PAGE_FILES', 'VENDRASK_PAGE_KEPT'].map((list) => process.env[list].split(','));
  assert.deepEqual(served.filter((file) => !existsSync(join(process.env.VENDRASK_WEB_PAGE, file))), [], 'files missing');
  const worker = read('sw.js').toString();
  const digest = createHash('sha256').update(Buffer.concat(kept.map(read))).digest('hex').slice(0, 16);
  assert.match(worker, new RegExp(`const release = \`\\$\\{mine\\}[0-9.]+ ${digest}\``), 'the release\'s digest');
  const loaded = [...read('index.html').toString().matchAll(/(?:src|href)="([^"]+)"/g)].map((m) => m[1]);
  assert.deepEqual(loaded.filter((file) => !kept.includes(file)), [], 'files the page loads that are not kept');
  assert.ok(['vendrask.js', 'vendrask.wasm'].every((file) => kept.includes(file)), 'the program not kept');
});

test('the manifest\'s start and scope stay in the copy\'s folder', () => {
  const manifest = JSON.parse(read('manifest.webmanifest'));
  for (const copy of ['https://host/', 'https://host/copy/']) {
    for (const key of ['start_url', 'scope']) {
      assert.ok(new URL(manifest[key], `${copy}manifest.webmanifest`).href.startsWith(copy), `the manifest's ${key}`);
    }
  }
});
