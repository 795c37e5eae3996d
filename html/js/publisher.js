// Who signed a downloaded installer, as the card tells it: the native side
// checks the signature after the download and reports a verdict and the
// signer; the catalogue names the signer each vendor's installers carry.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.publisher = (function () {
  var Verdict = Tessaly.Protocol.publisher;

  // The catalogue's expected signer for a PCI vendor number ("10de"), or "".
  function expectedSigner(catalogue, vendor) {
    var vendors = catalogue && catalogue.vendors;
    var entry = vendors && typeof vendors === "object" ? vendors[vendor] : null;
    return entry && typeof entry.signer === "string" ? entry.signer.trim() : "";
  }

  // What the card says of report ({verdict, signer}, or null while the check
  // runs): {tone, key, params} for Tessaly.i18n.t.
  function note(report, expected) {
    if (!report) return { tone: "info", key: "signatureChecking", params: {} };
    var signer = typeof report.signer === "string" ? report.signer.trim() : "";
    switch (report.verdict) {
      case Verdict.signed:
        if (!signer) return { tone: "warn", key: "signatureUntrusted", params: { signer: "?" } };
        if (expected && signer !== expected)
          return { tone: "warn", key: "signedByOther", params: { signer: signer, expected: expected } };
        return { tone: "success", key: "signedBy", params: { signer: signer } };
      case Verdict.untrusted:
        return { tone: "warn", key: "signatureUntrusted", params: { signer: signer || "?" } };
      case Verdict.broken:
        return { tone: "error", key: "signatureBroken", params: {} };
      case Verdict.unsigned:
        return { tone: "warn", key: "signatureMissing", params: {} };
      default:
        return { tone: "info", key: "signatureUnchecked", params: {} };
    }
  }

  return { expectedSigner: expectedSigner, note: note };
})();
