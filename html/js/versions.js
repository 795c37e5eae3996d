// The driver an adapter has now against the one the catalogue offers,
// compared the way each vendor numbers its Windows drivers.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.versions = (function () {
  // "32.0.15.6188" -> [32, 0, 15, 6188]; null for anything else.
  function parse(text) {
    if (typeof text !== "string" || !/^\d+(\.\d+)*$/.test(text.trim())) return null;
    return text.trim().split(".").map(Number);
  }

  // Numeric, part by part; missing parts count as 0.
  function compare(a, b) {
    for (var i = 0; i < Math.max(a.length, b.length); i++) {
      var x = a[i] || 0;
      var y = b[i] || 0;
      if (x !== y) return x < y ? -1 : 1;
    }
    return 0;
  }

  // NVIDIA's Windows driver version carries the release number in its last
  // five digits: 32.0.15.6188 is 561.88.
  function nvidiaRelease(windowsVersion) {
    var v = parse(windowsVersion);
    if (!v || v.length !== 4 || v[3] > 9999) return "";
    var digits = (v[2] % 10) * 10000 + v[3];
    var minor = digits % 100;
    return Math.floor(digits / 100) + "." + (minor < 10 ? "0" : "") + minor;
  }

  // Intel's build number (101.2145 of 31.0.101.2145) orders its drivers; the
  // first part only follows the Windows driver model.
  function intelKey(v) {
    return v.length === 4 ? [v[2], v[3], v[0], v[1]] : v;
  }

  var PROVIDERS = {
    nvidia: /nvidia/i,
    package: /advanced micro devices|\bamd\b|\bati\b/i,
    intel: /intel/i,
  };

  // installed: {platform, driver, provider, version, date} from the native
  // side; pkg: the offered package; scheme: the vendor's numbering ("nvidia",
  // "package" or "intel"). state is
  //   "linux"    a Linux kernel driver: shown, never judged against a Windows package
  //   "none"     no driver in use
  //   "other"    a driver not from the vendor (e.g. Windows' basic display driver)
  //   "current"  as new as the offered package or newer
  //   "update"   older than the offered package
  //   "unknown"  the versions cannot be compared
  // installedText and offeredText are the two versions as the vendor writes them.
  function verdict(scheme, installed, pkg) {
    var out = { state: "unknown", installedText: "", offeredText: pkg && pkg.version ? pkg.version : "" };
    if (!installed || typeof installed !== "object") return out;
    var version = typeof installed.version === "string" ? installed.version.trim() : "";
    out.installedText = version;
    if (installed.platform === "linux") {
      out.state = installed.driver ? "linux" : "none";
      return out;
    }
    if (!version && !installed.provider) {
      out.state = "none";
      return out;
    }
    var provider = typeof installed.provider === "string" ? installed.provider : "";
    if (PROVIDERS[scheme] && provider && !PROVIDERS[scheme].test(provider)) {
      out.state = pkg ? "other" : "unknown";
      return out;
    }
    if (scheme === "nvidia") out.installedText = nvidiaRelease(version) || version;
    if (!pkg) return out;
    var have;
    var offer;
    if (scheme === "nvidia") {
      have = parse(nvidiaRelease(version));
      offer = parse(pkg.version);
    } else if (scheme === "intel") {
      have = parse(version);
      offer = parse(pkg.version);
      if (have && offer && have.length === 4 && offer.length === 4) {
        have = intelKey(have);
        offer = intelKey(offer);
      } else {
        have = null;
      }
    } else {
      // AMD's package number (26.9.2) is not the driver's; its driver version is.
      have = parse(version);
      offer = parse(pkg.driverVersion || "");
      if (offer) out.offeredText = pkg.version + " (" + pkg.driverVersion + ")";
    }
    if (!have || !offer) return out;
    out.state = compare(have, offer) < 0 ? "update" : "current";
    return out;
  }

  return { parse: parse, compare: compare, nvidiaRelease: nvidiaRelease, verdict: verdict };
})();
