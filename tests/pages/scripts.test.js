// The start page's scripts as files: what index.html loads is there and comes
// in an order where each script finds what it uses, no script in js/ is left
// out, and every text the pages name exists in both languages.
"use strict";

const { test } = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const vm = require("node:vm");

const HTML_DIR = process.env.TESSALY_HTML_DIR || path.resolve(__dirname, "../../html");
const INDEX = fs.readFileSync(path.join(HTML_DIR, "index.html"), "utf8");
const LOADED = [...INDEX.matchAll(/<script src="([^"]+)"/g)].map((m) => m[1]);
const ON_DISK = fs.readdirSync(path.join(HTML_DIR, "js")).filter((f) => f.endsWith(".js")).map((f) => "js/" + f);
const read = (file) => fs.readFileSync(path.join(HTML_DIR, file), "utf8");
const names = (text, re) => new Set([...text.matchAll(re)].map((m) => m[1]));

test("index.html loads every page script, each after the scripts it uses", () => {
  assert.deepEqual(ON_DISK.filter((f) => !LOADED.includes(f)), [], "in js/ but not loaded");
  // Scripts the pages add themselves (the built-in catalogue).
  const added = LOADED.flatMap((f) => [...read(f).matchAll(/\.src = "([^"]+)"/g)].map((m) => m[1]));
  assert.deepEqual([...LOADED, ...added].filter((f) => !fs.existsSync(path.join(HTML_DIR, f))), [],
    "loaded but missing");

  const defined = new Set();
  const early = [];
  for (const file of LOADED) {
    const text = read(file);
    const own = names(text, /\bTessaly\.(\w+)\s*=(?!=)/g);
    for (const used of names(text, /\bTessaly\.(\w+)/g))
      if (!own.has(used) && !defined.has(used)) early.push(`${file} uses Tessaly.${used}`);
    own.forEach((name) => defined.add(name));
  }
  assert.deepEqual(early, [], "used before a script defines it");
});

test("every text a page names exists in both languages", () => {
  const window = {};
  const document = { documentElement: {} };
  for (const file of ["js/protocol.js", "js/i18n.js"]) vm.runInNewContext(read(file), { window, document });
  const i18n = window.Tessaly.i18n;
  const used = new Set([
    ...names(INDEX, /data-i18n(?:-title)?="(\w+)"/g),
    ...ON_DISK.flatMap((file) => [...names(read(file), /\bt\(\s*"(\w+)"\s*[,)]/g)]),
  ]);
  assert.ok(used.size > 50, `${used.size} texts found`);
  for (const lang of ["zh", "en"]) {
    const keys = i18n.keys(lang);
    assert.deepEqual([...used].filter((key) => !keys.includes(key)), [], lang);
  }
});
