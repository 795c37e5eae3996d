// Reads the native side's list of bridge names and numbers from its C++
// header, so the page tests check the pages against what the program uses.
"use strict";

const fs = require("node:fs");
const path = require("node:path");

const SRC = process.env.TESSALY_SRC_DIR || path.resolve(__dirname, "../../src");

function strip(text) {
  return text.replace(/\/\/.*$/gm, "");
}

// { Bound: [[kEMsg, "eMsg"], ...], PageFunction: [...], ... , enums: {StartResult: {Started: 0}}, ints: {...} }
function readProtocol() {
  const text = strip(fs.readFileSync(path.join(SRC, "base/pageprotocol.h"), "utf8"));
  const out = { groups: {}, enums: {}, ints: {} };
  const groupRe = /namespace (\w+) \{((?:(?!namespace)[^}])*)\}/g;
  let m;
  while ((m = groupRe.exec(text)) !== null) {
    if (m[1] === "PageProtocol") continue;
    out.groups[m[1]] = [...m[2].matchAll(/constexpr char (\w+)\[\] = "([^"]*)";/g)].map((x) => [x[1], x[2]]);
  }
  for (const e of text.matchAll(/enum (\w+) \{([^}]*)\}/g)) {
    out.enums[e[1]] = Object.fromEntries([...e[2].matchAll(/(\w+) = (\d+)/g)].map((x) => [x[1], Number(x[2])]));
  }
  for (const c of text.matchAll(/constexpr int (\w+) = (\d+);/g)) out.ints[c[1]] = Number(c[2]);
  const appInfo = fs.readFileSync(path.join(SRC, "base/appinfo.h"), "utf8");
  out.productCode = /kProductCode\[\] = "([^"]*)"/.exec(appInfo)[1];
  return out;
}

module.exports = { readProtocol };
