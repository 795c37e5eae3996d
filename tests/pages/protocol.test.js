// The pages and the program name the bridge's functions, messages and numbers
// in two files, one for each side; they must say the same, and the pages must
// not spell a bridge name anywhere else.
"use strict";

const { test } = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const vm = require("node:vm");
const { readProtocol } = require("./cpp-protocol");

const HTML_DIR = process.env.TESSALY_HTML_DIR || path.resolve(__dirname, "../../html");

function pageProtocol() {
  const window = {};
  vm.runInNewContext(fs.readFileSync(path.join(HTML_DIR, "js/protocol.js"), "utf8"), { window });
  return window.Tessaly.Protocol;
}

const cpp = readProtocol();
const js = pageProtocol();

const GROUPS = [
  ["Bound", "bound"],
  ["PageFunction", "pageFunctions"],
  ["Message", "messages"],
  ["Element", "elements"],
  ["Publisher", "publisher"],
  ["FailReason", "failReason"],
];

test("names agree, in the same order", () => {
  for (const [cppGroup, jsGroup] of GROUPS) {
    assert.ok(cpp.groups[cppGroup] && cpp.groups[cppGroup].length > 0, `${cppGroup} read from the header`);
    assert.deepEqual(Object.values(js[jsGroup]), cpp.groups[cppGroup].map((entry) => entry[1]), cppGroup);
  }
});

test("numbers agree", () => {
  const lower = (name) => name[0].toLowerCase() + name.slice(1);
  for (const [cppEnum, jsEnum] of [["StartResult", "startResult"], ["FinishCode", "finishCode"]]) {
    const expected = Object.fromEntries(Object.entries(cpp.enums[cppEnum]).map(([k, v]) => [lower(k), v]));
    assert.deepEqual({ ...js[jsEnum] }, expected, cppEnum);
  }
  assert.equal(js.countryChina, cpp.ints.kCountryChina);
  assert.equal(js.catalogueFormat, cpp.ints.kCatalogueFormat);
  assert.equal(js.productCode, cpp.productCode);
});

test("page scripts use the protocol's names, never their own spelling", () => {
  const dir = path.join(HTML_DIR, "js");
  const offenders = [];
  for (const file of fs.readdirSync(dir)) {
    if (file === "protocol.js" || !file.endsWith(".js")) continue;
    const text = fs.readFileSync(path.join(dir, file), "utf8");
    // A bound function or message written out, or a page function defined by its own name.
    const patterns = [/Native\.call\(\s*["'][^"']*["']/g, /Native\.call\([^,)]*,\s*["'][^"']*["']/g,
      /window\.\w+ByCpp\s*=/g, /window\.setCountry\s*=/g];
    for (const re of patterns) for (const m of text.matchAll(re)) offenders.push(`${file}: ${m[0]}`);
  }
  assert.deepEqual(offenders, []);
});
