// The adapter list from the native scan and what the catalogue
// (data/catalogue.js) says about each adapter.
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

  // PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1 -> {vendor:"10de",
  // device:"1c82", subsys:"8c961462", rev:"a1"}; missing parts are "".
  function parseHardwareId(hardid) {
    var text = typeof hardid === "string" ? hardid : "";
    function part(re) {
      var m = re.exec(text);
      return m ? m[1].toLowerCase() : "";
    }
    return {
      vendor: part(/VEN_([0-9A-F]{4})(?![0-9A-F])/i),
      device: part(/DEV_([0-9A-F]{4})(?![0-9A-F])/i),
      subsys: part(/SUBSYS_([0-9A-F]{8})(?![0-9A-F])/i),
      rev: part(/REV_([0-9A-F]{2})(?![0-9A-F])/i),
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

  // The catalogue keys to try for a hardware id, most specific first, the
  // order in which Windows ranks a device's hardware ids.
  function candidateIds(hardid) {
    var id = parseHardwareId(hardid);
    if (!id.vendor || !id.device) return [];
    var base = "VEN_" + id.vendor.toUpperCase() + "&DEV_" + id.device.toUpperCase();
    var subsys = id.subsys ? "&SUBSYS_" + id.subsys.toUpperCase() : "";
    var rev = id.rev ? "&REV_" + id.rev.toUpperCase() : "";
    var keys = [];
    if (subsys && rev) keys.push(base + subsys + rev);
    if (subsys) keys.push(base + subsys);
    if (rev) keys.push(base + rev);
    keys.push(base);
    return keys;
  }

  function validPackage(pkg) {
    return !!pkg && typeof pkg === "object" && typeof pkg.url === "string" && pkg.url !== "" &&
      typeof pkg.name === "string";
  }

  function own(object, key) {
    return !!object && typeof object === "object" && Object.prototype.hasOwnProperty.call(object, key);
  }

  // What the catalogue says about an adapter. kind is one of
  //   "package"      a driver to download (package, branch)
  //   "dropped"      the vendor makes no driver for it any more (last)
  //   "professional" a workstation or data-centre card (page)
  //   "embedded"     its driver comes from the device maker (page)
  //   "unknown"      no entry: no guess, only the vendor's search page
  function match(catalogue, adapter) {
    var vendor = vendorOf(adapter);
    var parsed = parseHardwareId(adapter.hardid);
    var result = {
      vendor: vendor, device: parsed.device, kind: "unknown", matchedId: "", chip: "",
      familyId: "", family: null, notebook: false, branchId: "", branch: null, packageId: "",
      package: null, last: null, page: "",
    };
    var vendors = catalogue && catalogue.vendors;
    var vendorPages = own(vendors, vendor) ? vendors[vendor] : null;
    if (vendorPages) result.page = vendorPages.search || "";
    var ids = catalogue && catalogue.ids;
    if (!ids || typeof ids !== "object" || !catalogue.families) return result;

    var candidates = parsed.vendor === vendor ? candidateIds(adapter.hardid) : [];
    for (var i = 0; i < candidates.length; i++) {
      var entry = own(ids, candidates[i]) ? ids[candidates[i]] : null;
      if (!Array.isArray(entry) || !own(catalogue.families, entry[0])) continue;
      var family = catalogue.families[entry[0]];
      result.matchedId = candidates[i];
      result.familyId = entry[0];
      result.family = family;
      result.chip = typeof entry[1] === "string" ? entry[1] : "";
      var flag = entry[2] || "";
      result.notebook = flag === "notebook";
      if (family.answer === "dropped") {
        result.kind = "dropped";
        result.last = family.last || null;
        return result;
      }
      if (flag === "professional" || family.answer === "professional") {
        result.kind = "professional";
        result.page = (vendorPages && vendorPages.professional) || result.page;
        return result;
      }
      if (family.answer === "embedded") {
        result.kind = "embedded";
        return result;
      }
      var branch = catalogue.branches && own(catalogue.branches, family.branch) ? catalogue.branches[family.branch] : null;
      if (!branch) return result;
      var variant = result.notebook && validPackage(branch.notebook) ? "notebook" : "package";
      if (!validPackage(branch[variant])) return result;
      result.kind = "package";
      result.branchId = family.branch;
      result.branch = branch;
      result.packageId = family.branch + (variant === "notebook" ? "/notebook" : "");
      result.package = branch[variant];
      result.page = branch[variant].details || result.page;
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

  // The second argument of Down: the package's size in bytes as the vendor
  // lists it, or "" when the catalogue does not know it.
  function sizeArgument(pkg) {
    var size = pkg && pkg.size;
    return typeof size === "number" && isFinite(size) && size > 0 ? String(Math.floor(size)) : "";
  }

  // The base name a download gets when its address ends without a file name.
  function fallbackName(pkg) {
    var text = ((pkg && pkg.name) || "driver") + (pkg && pkg.version ? "-" + pkg.version : "");
    return text.replace(/[^A-Za-z0-9._-]+/g, "-").replace(/-{2,}/g, "-").replace(/^-+|-+$/g, "") || "driver";
  }

  return {
    parseAdapterList: parseAdapterList,
    parseHardwareId: parseHardwareId,
    vendorOf: vendorOf,
    vendorInfo: vendorInfo,
    candidateIds: candidateIds,
    match: match,
    sizeArgument: sizeArgument,
    downloadUrl: downloadUrl,
    fallbackName: fallbackName,
  };
})();
