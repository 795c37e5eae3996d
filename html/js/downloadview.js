// A download as its card shows it: the progress while it runs, and how it
// ended once it has (see remember in main.js for what an ending keeps).
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.downloadView = (function () {
  var StartResult = Tessaly.Protocol.startResult;
  var t = Tessaly.i18n.t;
  var fmt = Tessaly.format;
  var el = Tessaly.dom.el;

  function durationWords() {
    return { hour: t("hour"), minute: t("minute"), second: t("second") };
  }

  function baseName(path) {
    var parts = String(path || "").split(/[\\/]/);
    return parts[parts.length - 1];
  }

  // dl: the running Tessaly.Download; onCancel: the cancel button's action.
  function progress(dl, onCancel) {
    var known = dl.total >= 0;
    var pct = known ? fmt.percent(dl.received, dl.total) : 0;
    var bar = el("div", { className: "bar" + (known ? "" : " indeterminate") }, [
      el("div", { className: "fill", style: known ? "width:" + pct + "%" : null }),
    ]);
    var parts = [];
    if (dl.state === "cancelling") {
      parts.push(t("cancelling"));
    } else if (dl.received === 0 && dl.samples.length < 2) {
      parts.push(t("connecting"));
    } else {
      parts.push(known ? t("progressOf", { received: fmt.size(dl.received), total: fmt.size(dl.total) })
        : fmt.size(dl.received));
      var speed = dl.speed();
      if (speed !== null) parts.push(fmt.speed(speed));
      var left = dl.secondsLeft();
      if (left !== null) parts.push(t("remaining", { time: fmt.duration(left, durationWords()) }));
    }
    return el("div", { className: "progress" }, [
      el("div", { className: "progress-top" }, [
        el("span", { className: "percent", text: known ? pct + "%" : "" }),
        el("span", { className: "progress-text", text: parts.join("  ·  ") }),
      ]),
      el("div", { className: "progress-row" }, [
        bar,
        el("button", { className: "btn ghost small cancel", text: t("cancel"),
          disabled: dl.state === "cancelling", onclick: onCancel }),
      ]),
    ]);
  }

  // What a card says after its download ended or did not start.
  function outcomeMessage(dl) {
    if (dl.state === "cancelled") return { tone: "info", text: t("cancelled") };
    if (dl.state !== "failed") return null;
    if (dl.startResult === undefined) return { tone: "error", text: t("downloadUnavailable") };
    if (dl.startResult === StartResult.alreadyDownloaded) return { tone: "info", text: t("alreadyDownloaded") };
    if (dl.startResult === StartResult.cannotSave) return { tone: "error", text: t("cannotSave") };
    if (dl.startResult === StartResult.badArguments) return { tone: "error", text: t("badDownloadRequest") };
    if (dl.startResult !== StartResult.started) return { tone: "error", text: t("startUnknown") };
    // A redirect whose new target could not start says why.
    var redirected = dl.redirected;
    if (redirected === StartResult.alreadyDownloaded) return { tone: "info", text: t("alreadyDownloaded") };
    if (redirected === StartResult.cannotSave) return { tone: "error", text: t("cannotSave") };
    var reasonKey = dl.reason ? "reason_" + dl.reason : "";
    if (reasonKey && t(reasonKey) !== reasonKey)
      return { tone: "error", text: t("failedDetail", { detail: t(reasonKey) }) };
    return { tone: "error", text: t("failed") };
  }

  // The notes under a driver whose download ended: the file and who signed
  // it when it finished (expectedSigner: the catalogue's, or ""), else why not.
  function endNotes(ended, expectedSigner) {
    if (ended.state === "done") {
      var said = Tessaly.publisher.note(ended.publisher, expectedSigner);
      return [
        el("div", { className: "note success" }, [
          el("span", { className: "note-icon" }),
          el("span", { text: t("finished") }),
          el("span", { className: "note-path", title: ended.path, text: baseName(ended.path) }),
        ]),
        el("div", { className: "note signature " + said.tone }, [
          el("span", { className: "note-icon" }), el("span", { text: t(said.key, said.params) })]),
      ];
    }
    var message = outcomeMessage(ended);
    return message ? [el("div", { className: "note " + message.tone }, [
      el("span", { className: "note-icon" }), el("span", { text: message.text })])] : [];
  }

  return { progress: progress, endNotes: endNotes };
})();
