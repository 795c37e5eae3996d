// The hardware tab: a line on how the scan goes and one tile per part of the
// native side's report.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.inventoryView = (function () {
  var t = Tessaly.i18n.t;
  var $ = Tessaly.dom.byId;
  var el = Tessaly.dom.el;

  var INVENTORY_KEYS = ["host", "system", "bit", "cpu", "baseboard", "videoController",
    "physicalMemory", "diskDrive", "monitor", "audioCard", "networkAdapter"];

  function inventoryValue(key, report) {
    var value = report[key];
    if (key === "bit") return typeof value === "number" ? t("bitValue", { n: value }) : t("unknownValue");
    if (typeof value !== "string") return t("unknownValue");
    var text = value.trim();
    if (text === "" || text === "unknown") return t("unknownValue");
    return text;
  }

  // inv: the page's inventory state ({status, report, slow}).
  function render(inv) {
    var status = $("inventoryStatus");
    var grid = $("inventoryGrid");
    var busy = inv.status === "scanning" || inv.status === "refreshing";
    var message = "";
    var tone = "info";
    if (busy) message = inv.slow ? t("inventorySlow") : t("inventoryScanning");
    else if (inv.status === "unavailable") { message = t("inventoryUnavailable"); tone = "error"; }
    else if (inv.status === "invalid") { message = t("inventoryInvalid"); tone = "error"; }
    status.textContent = "";
    if (message) {
      status.appendChild(el("span", { className: busy ? "spinner" : "note-icon" }));
      status.appendChild(el("span", { text: message }));
    }
    status.className = "status-line " + tone + (message ? "" : " hidden");
    $("refreshBtn").disabled = busy;

    grid.textContent = "";
    if (!inv.report) return;
    INVENTORY_KEYS.forEach(function (key) {
      var value = inventoryValue(key, inv.report);
      grid.appendChild(el("div", { className: "tile " + key, "data-key": key }, [
        el("span", { className: "tile-icon" }),
        el("div", { className: "tile-text" }, [
          el("div", { className: "tile-label", text: t(key) }),
          el("div", { className: "tile-value" + (value === t("unknownValue") ? " muted" : ""),
            title: value, text: value }),
        ]),
      ]));
    });
  }

  return { render: render };
})();
