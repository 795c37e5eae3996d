// Starts Debian's Chromium headless and opens the start page with the bridge
// double in place.
"use strict";

const fs = require("node:fs");
const path = require("node:path");
const { chromium } = require("playwright-core");
const { readProtocol } = require("./cpp-protocol");

const HTML_DIR = process.env.TESSALY_HTML_DIR || path.resolve(__dirname, "../../html");
const CHROMIUM = process.env.TESSALY_CHROMIUM || "/usr/bin/chromium";
const DOUBLE = fs.readFileSync(path.join(__dirname, "bridge-double.js"), "utf8");
// The page functions the program calls, as its own header names them.
const PAGE_FUNCTIONS = readProtocol().groups.PageFunction.map((entry) => entry[1]);

async function launch() {
  return chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
      "--disable-dev-shm-usage", "--disable-extensions", "--no-first-run"],
  });
}

// config: {answers: {name: value}, missing: [names], catalogue: object}
async function openPage(browser, config = {}) {
  const context = await browser.newContext({ viewport: { width: 800, height: 600 } });
  const page = await context.newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e)));
  // Functions cannot cross into the page as JSON: answers given as functions
  // are sent as source text and rebuilt there.
  const answers = {};
  const functionAnswers = {};
  for (const [name, value] of Object.entries(config.answers || {})) {
    if (typeof value === "function") functionAnswers[name] = value.toString();
    else answers[name] = value;
  }
  const script = `(${DOUBLE.trim()})(${JSON.stringify({ answers, missing: config.missing || [], pageFunctions: PAGE_FUNCTIONS })});` +
    Object.entries(functionAnswers)
      .map(([name, src]) => `window.__bridge.answers[${JSON.stringify(name)}] = (${src});`).join("\n") +
    (config.catalogue
      ? `Object.defineProperty(window, "TessalyCatalogue", { value: ${JSON.stringify(config.catalogue)}, writable: false });`
      : "");
  await page.addInitScript({ content: script });
  await page.goto("file://" + path.join(HTML_DIR, "index.html"));
  await page.waitForFunction(() => window.__bridge.callsTo("eMsg").some((a) => a[0] === "loadedjs"));
  page.errors = errors;
  return page;
}

function calls(page, name) {
  return page.evaluate((n) => window.__bridge.callsTo(n), name);
}

module.exports = { launch, openPage, calls, HTML_DIR };
