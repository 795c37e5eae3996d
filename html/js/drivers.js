// The adapter list from the native scan and the driver each adapter gets from
// the catalogue (data/catalogue.js).
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.drivers = (function () {
  var VENDORS = {
    "10de": { key: "nvidia", label: "NVIDIA" },
    "8086": { key: "intel", label: "Intel" },
    "1002": { key: "amd", label: "AMD" },
  };
  // The order the native scan tries the vendor words in.
  var VENDOR_WORDS = [["intel", "8086"], ["nvidia", "10de"], ["amd", "1002"], ["radeon", "1002"]];

  // The answer of graphicsList: JSON text of [{desc, hardid}], or undefined
  // when the native side cannot scan.
  function parseAdapterList(answer) {
    if (typeof answer !== "string") return { ok: false, reason: "unavailable", adapters: [] };
    var value;
    try {
      value = JSON.parse(answer);
    } catch (e) {
      return { ok: false, reason: "invalid", adapters: [] };
    }
    if (!Array.isArray(value)) return { ok: false, reason: "invalid", adapters: [] };
    var adapters = [];
    value.forEach(function (entry) {
      if (!entry || typeof entry !== "object") return;
      adapters.push({
        desc: typeof entry.desc === "string" ? entry.desc.trim() : "",
        hardid: typeof entry.hardid === "string" ? entry.hardid.trim() : "",
      });
    });
    return { ok: true, reason: "", adapters: adapters };
  }

  // PCI\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1 -> {vendor:"10de", device:"1c82"}
  function parseHardwareId(hardid) {
    var text = typeof hardid === "string" ? hardid : "";
    var ven = /VEN_([0-9A-F]{4})(?![0-9A-F])/i.exec(text);
    var dev = /DEV_([0-9A-F]{4})(?![0-9A-F])/i.exec(text);
    return {
      vendor: ven ? ven[1].toLowerCase() : "",
      device: dev ? dev[1].toLowerCase() : "",
    };
  }

  // The vendor number from the hardware id, else from a vendor word in the
  // description (the scan accepts adapters by either).
  function vendorOf(adapter) {
    var id = parseHardwareId(adapter.hardid);
    if (VENDORS[id.vendor]) return id.vendor;
    var desc = (adapter.desc || "").toLowerCase();
    for (var i = 0; i < VENDOR_WORDS.length; i++) {
      if (desc.indexOf(VENDOR_WORDS[i][0]) >= 0) return VENDOR_WORDS[i][1];
    }
    return id.vendor;
  }

  function vendorInfo(vendor) {
    return VENDORS[vendor] || { key: "other", label: "" };
  }

  function hex(text) {
    return /^[0-9a-fA-F]{1,4}$/.test(text) ? parseInt(text, 16) : NaN;
  }

  // "1c82" or "1b00-1dff" (inclusive), hex digits of any case.
  function deviceListed(devices, device) {
    var number = hex(device);
    if (isNaN(number)) return false;
    for (var i = 0; i < devices.length; i++) {
      if (typeof devices[i] !== "string") continue;
      var item = devices[i].trim();
      var dash = item.indexOf("-");
      if (dash < 0) {
        if (hex(item) === number) return true;
        continue;
      }
      var low = hex(item.slice(0, dash).trim());
      var high = hex(item.slice(dash + 1).trim());
      if (!isNaN(low) && !isNaN(high) && number >= low && number <= high) return true;
    }
    return false;
  }

  function validPackage(pkg) {
    return pkg && typeof pkg === "object" && typeof pkg.url === "string" && pkg.url !== "" &&
      typeof pkg.name === "string";
  }

  // Rules are tried in order; the first whose vendor matches and whose device
  // list holds the device wins. A rule without a device list takes every
  // device of its vendor, including adapters known only by name.
  function match(catalogue, adapter) {
    var vendor = vendorOf(adapter);
    var device = parseHardwareId(adapter.hardid).device;
    var result = { vendor: vendor, device: device, packageId: "", package: null };
    if (!catalogue || !Array.isArray(catalogue.rules) || !catalogue.packages) return result;
    for (var i = 0; i < catalogue.rules.length; i++) {
      var rule = catalogue.rules[i];
      if (!rule || String(rule.vendor || "").toLowerCase() !== vendor) continue;
      var listed = Array.isArray(rule.devices) ? deviceListed(rule.devices, device) : true;
      if (!listed) continue;
      var pkg = catalogue.packages[rule.package];
      if (!validPackage(pkg)) continue;
      result.packageId = rule.package;
      result.package = pkg;
      return result;
    }
    return result;
  }

  // A package address starting with "/" is relative to the catalogue's base.
  function downloadUrl(catalogue, pkg) {
    if (!pkg || typeof pkg.url !== "string") return "";
    if (pkg.url.charAt(0) === "/" && catalogue && typeof catalogue.base === "string")
      return catalogue.base.replace(/\/+$/, "") + pkg.url;
    return pkg.url;
  }

  // The base name a download gets when its address ends without a file name.
  function fallbackName(pkg) {
    var text = ((pkg && pkg.name) || "driver") + (pkg && pkg.version ? "-" + pkg.version : "");
    return text.replace(/[^A-Za-z0-9._-]+/g, "-").replace(/^-+|-+$/g, "") || "driver";
  }

  return {
    parseAdapterList: parseAdapterList,
    parseHardwareId: parseHardwareId,
    vendorOf: vendorOf,
    vendorInfo: vendorInfo,
    deviceListed: deviceListed,
    match: match,
    downloadUrl: downloadUrl,
    fallbackName: fallbackName,
  };
})();
