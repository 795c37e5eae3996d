#!/usr/bin/env node
// Checks the generated driver catalogue (html/data/catalogue.js) against the
// PCI id list it was made from (catalogue/pci.ids), through the pages' own
// matching (html/js/drivers.js), and prints what it covers per vendor.
//
// It fails when a graphics device of NVIDIA, AMD or Intel (judged here by its
// name, independently of the generator) gets neither a package nor an answer,
// when a device that is no GPU is matched, when one hardware id is listed
// twice, or when an address leaves the vendor's own hosts.
"use strict";

const fs = require("node:fs");
const path = require("node:path");
const vm = require("node:vm");

const ROOT = path.resolve(__dirname, "../..");
const HTML_DIR = process.env.TESSALY_HTML_DIR || path.join(ROOT, "html");
const PCI_IDS = process.env.TESSALY_PCI_IDS || path.join(ROOT, "catalogue", "pci.ids");

const VENDORS = {
  "10de": { name: "NVIDIA", hosts: ["nvidia.com"] },
  "1002": { name: "AMD", hosts: ["amd.com", "ati.com"] },
  "8086": { name: "Intel", hosts: ["intel.com"] },
};

// What makes a name a graphics product, and what makes it anything else.
const PRODUCT_WORDS = /GeForce|Quadro|\bRTX\b|\bTITAN\b|\bTesla\b|\bGRID\b|\bNVS\b|Radeon|FirePro|FireGL|Instinct|\bArc\b|UHD Graphics|\bIris\b|HD Graphics|Data Center GPU|Integrated Graphics|Graphics Controller/;
const CHIP_CODES = {
  "10de": /^(NV[1-4][0-9A-F]|G[7-9][0-9]|GT2[0-9]{2}|GF1[0-9]{2}|G[KM][12][0-9]{2}|G[PV]1[0-9]{2}|TU1[0-9]{2}|GA1[0-9]{2}|AD1[0-9]{2}|GH1[0-9]{2}|GB[0-9]|GR1[0-9]{2})/,
  "1002": /^(Navi ?[0-9]+|Vega ?[0-9]+|Polaris ?[0-9]+|Ellesmere|Baffin|Lexa|Tahiti|Pitcairn|Cape Verde|Oland|Hainan|Bonaire|Hawaii|Tonga|Fiji|Kaveri|Kabini|Mullins|Carrizo|Stoney|Raven|Picasso|Renoir|Cezanne|Lucienne|Barcelo|Rembrandt|Mendocino|Raphael|Phoenix[0-9]?|HawkPoint[0-9]?|Strix|Krackan[0-9]?|Granite Ridge|Cypress|Juniper|Redwood|Cedar|Cayman|Barts|Turks|Caicos|Trinity|Richland|Sumo|Wrestler)\b/,
  "8086": /Coffee ?Lake|Kaby ?Lake|Comet ?Lake|Sky ?[Ll]ake|Battlemage|\bDG[12]\b|Lunar Lake|Meteor Lake|Arrow Lake|Panther Lake|Tiger ?Lake|Alder ?Lake|Raptor Lake|Rocket ?Lake|Ice ?Lake|Gemini ?Lake|Apollo Lake|Broadwell|Haswell|Ivy ?Bridge/,
};
// Intel's list holds every part of its chipsets; a code name alone does not
// make a GPU there.
const INTEL_GRAPHICS = /Graphics|\bGT[1-4]\b|\bXe\b|\bArc\b|\bIris\b|\bUHD\b|\bGPU\b|Battlemage|\bDG[12]\b/;
const NOT_A_GPU = /Audio|Azalia|AC'?97|\bUSB|UCSI|(?<!Ivy ?|Sandy ?)[Bb]ridge|[Ss]witch|\b[Pp]ort\b|Root Complex|Endpoint|SATA|AHCI|\bIDE\b|SMBus|\bLPC\b|\bISA\b|Ethernet|[Mm]emory [Cc]ontroller|DRAM|Controller Hub|\b[Hh]ost\b|Co-?[Pp]rocessor|Modem|Serial|Thermal|Trusted Execution|HDMI|PCI Express|RAID|\bCPU\s*$|\[nForce [^\]]*\]$/;

function isGpu(vendor, name) {
  if (NOT_A_GPU.test(name)) return false;
  if (vendor === "8086") return INTEL_GRAPHICS.test(name) && (PRODUCT_WORDS.test(name) || CHIP_CODES[vendor].test(name) || /Graphics/.test(name));
  return PRODUCT_WORDS.test(name) || CHIP_CODES[vendor].test(name);
}

function readPciIds(text) {
  const devices = [];
  let vendor = null;
  for (const line of text.split("\n")) {
    if (line.startsWith("#") || line.trim() === "") continue;
    if (line.startsWith("C ")) break;
    let m = /^([0-9a-f]{4})  /.exec(line);
    if (m) {
      vendor = VENDORS[m[1]] ? m[1] : null;
      continue;
    }
    m = /^\t([0-9a-f]{4})  (.*)$/.exec(line);
    if (m && vendor) devices.push({ vendor, device: m[1], name: m[2].trim() });
  }
  return devices;
}

function loadPages() {
  const window = {};
  const context = vm.createContext({ window, console });
  for (const file of ["data/catalogue.js", "js/drivers.js"]) {
    vm.runInContext(fs.readFileSync(path.join(HTML_DIR, file), "utf8"), context, { filename: file });
  }
  return window;
}

function onHosts(url, hosts) {
  const m = /^https:\/\/([a-z0-9.-]+)(\/|$)/.exec(url || "");
  return !!m && hosts.some((h) => m[1] === h || m[1].endsWith("." + h));
}

function main() {
  const problems = [];
  const window = loadPages();
  const catalogue = window.TessalyCatalogue;
  const drivers = window.Tessaly.drivers;
  const devices = readPciIds(fs.readFileSync(PCI_IDS, "utf8"));
  if (devices.length === 0) problems.push("the PCI id list holds no devices of the three vendors");

  // One id, one entry: a key listed twice in the file would silently lose one.
  const text = fs.readFileSync(path.join(HTML_DIR, "data/catalogue.js"), "utf8");
  const seen = new Map();
  for (const m of text.matchAll(/^\s*"(VEN_[0-9A-F]{4}&DEV_[^"]*)":/gim)) {
    const key = m[1].toUpperCase();
    if (seen.has(key)) problems.push(`${m[1]} is listed twice (${seen.get(key)} and ${m[1]})`);
    seen.set(key, m[1]);
  }

  for (const [vendor, info] of Object.entries(catalogue.vendors || {})) {
    const hosts = VENDORS[vendor] ? VENDORS[vendor].hosts : [];
    for (const page of ["search", "professional"])
      if (!onHosts(info[page], hosts)) problems.push(`${info.name} ${page} page ${info[page]} leaves ${hosts}`);
    if (typeof info.signer !== "string" || info.signer === "") problems.push(`${info.name} has no signer`);
  }
  for (const [id, branch] of Object.entries(catalogue.branches || {})) {
    const hosts = VENDORS[branch.vendor] ? VENDORS[branch.vendor].hosts : [];
    for (const variant of ["package", "notebook"]) {
      const pkg = branch[variant];
      if (!pkg) continue;
      for (const field of ["url", "details"])
        if (!onHosts(pkg[field], hosts)) problems.push(`${id} ${variant} ${field} ${pkg[field]} leaves ${hosts.join(", ")}`);
      if (!(pkg.size === "unknown" || (Number.isInteger(pkg.size) && pkg.size > 0)))
        problems.push(`${id} ${variant} size ${pkg.size} is neither a byte count nor "unknown"`);
      if (typeof pkg.unconfirmed !== "boolean") problems.push(`${id} ${variant} does not say whether its address is confirmed`);
    }
  }

  // Every entry of the catalogue leads somewhere.
  for (const key of Object.keys(catalogue.ids || {})) {
    const vendor = key.slice(4, 8).toLowerCase();
    const found = drivers.match(catalogue, { desc: "", hardid: "PCI\\" + key });
    if (found.kind === "unknown") problems.push(`${key} leads to no package or answer`);
    if (found.family && found.family.vendor !== vendor) problems.push(`${key} is in a family of another vendor`);
  }

  const coverage = {};
  for (const vendor of Object.keys(VENDORS))
    coverage[vendor] = { gpus: 0, package: 0, dropped: 0, professional: 0, embedded: 0, uncovered: [] };
  for (const d of devices) {
    const hardid = `PCI\\VEN_${d.vendor.toUpperCase()}&DEV_${d.device.toUpperCase()}`;
    const found = drivers.match(catalogue, { desc: d.name, hardid });
    if (isGpu(d.vendor, d.name)) {
      const c = coverage[d.vendor];
      c.gpus += 1;
      if (found.kind === "unknown") c.uncovered.push(`${d.vendor}:${d.device} ${d.name}`);
      else c[found.kind] += 1;
    } else if (NOT_A_GPU.test(d.name) && found.kind !== "unknown") {
      problems.push(`${d.vendor}:${d.device} "${d.name}" is no GPU but gets "${found.kind}" (${found.familyId})`);
    }
  }

  for (const [vendor, c] of Object.entries(coverage)) {
    const covered = c.gpus - c.uncovered.length;
    console.log(`${VENDORS[vendor].name}: ${c.gpus} GPU ids in the PCI id list ${catalogue.pciIds}, ` +
      `${covered} covered (${c.gpus ? ((100 * covered) / c.gpus).toFixed(1) : "0.0"}%): ` +
      `${c.package} package, ${c.dropped} no current driver, ${c.professional} professional, ` +
      `${c.embedded} from the device maker`);
    for (const line of c.uncovered) problems.push(`uncovered GPU ${line}`);
  }

  if (problems.length) {
    console.log(`\n${problems.length} problem(s):`);
    for (const p of problems.slice(0, 200)) console.log("  " + p);
    process.exitCode = 1;
  } else {
    console.log("catalogue ok");
  }
}

main();
