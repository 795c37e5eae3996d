// The start page: the adapters with their drivers, one download at a time,
// the save folder, the hardware inventory, the account and the help links.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.app = (function () {
  var Native = Tessaly.Native;
  var Bound = Tessaly.Protocol.bound;
  var Msg = Tessaly.Protocol.messages;
  var Elements = Tessaly.Protocol.elements;
  var StartResult = Tessaly.Protocol.startResult;
  var t = Tessaly.i18n.t;
  var fmt = Tessaly.format;
  var drivers = Tessaly.drivers;

  var INVENTORY_KEYS = ["host", "system", "bit", "cpu", "baseboard", "videoController",
    "physicalMemory", "diskDrive", "monitor", "audioCard", "networkAdapter"];
  // The questions of the problems tab, in their order (faqQuestion_/faqAnswer_ texts).
  var FAQ_TOPICS = ["savedWhere", "stopDownload", "adapterMissing", "oldDriver", "changeFolder"];
  var RENDER_INTERVAL_MS = 150;
  var SLOW_SCAN_MS = 20000;
  var TOAST_MS = 5000;

  var state = {
    view: "drivers",
    scan: { ok: false, reason: "pending", adapters: [] },
    matches: [],
    installed: [], // card index -> the driver in use, or null
    expanded: {}, // card index -> explanation opened
    outcomes: {}, // card index -> how its last download ended (see remember)
    download: new Tessaly.Download(),
    folder: undefined,
    signedIn: false,
    nickname: "",
    inventory: { status: "idle", report: null, pending: 0 },
    settings: { contact: false, manual: false, problems: false },
    // False when the program has no web service: no sign-in then.
    service: true,
    // A newer catalogue the native side took from the service, the day it
    // did, and one that arrived during a download, adopted when it ends.
    updatedCatalogue: null,
    updatedOn: "",
    pendingCatalogue: null,
  };

  // The catalogue in use: the newer one from the service, else the built-in one.
  function catalogue() {
    return state.updatedCatalogue || window.TessalyCatalogue;
  }

  function $(id) {
    return document.getElementById(id);
  }

  function el(tag, attrs, children) {
    var node = document.createElement(tag);
    Object.keys(attrs || {}).forEach(function (name) {
      var value = attrs[name];
      if (value === undefined || value === null || value === false) return;
      if (name === "text") node.textContent = value;
      else if (name === "className") node.className = value;
      else if (name.slice(0, 2) === "on") node.addEventListener(name.slice(2), value);
      else node.setAttribute(name, value === true ? "" : value);
    });
    (children || []).forEach(function (child) {
      if (child) node.appendChild(typeof child === "string" ? document.createTextNode(child) : child);
    });
    return node;
  }

  function durationWords() {
    return { hour: t("hour"), minute: t("minute"), second: t("second") };
  }

  // --- toast -------------------------------------------------------------

  var toastTimer = null;
  function toast(text, tone) {
    var node = $("toast");
    node.textContent = text;
    node.className = "toast " + (tone || "info");
    clearTimeout(toastTimer);
    toastTimer = setTimeout(function () { node.className = "toast hidden"; }, TOAST_MS);
  }

  // --- static texts ------------------------------------------------------

  function applyTexts() {
    Array.prototype.forEach.call(document.querySelectorAll("[data-i18n]"), function (node) {
      node.textContent = t(node.getAttribute("data-i18n"));
    });
    Array.prototype.forEach.call(document.querySelectorAll("[data-i18n-title]"), function (node) {
      node.title = t(node.getAttribute("data-i18n-title"));
    });
    document.title = "Tessaly";
  }

  // --- views -------------------------------------------------------------

  function showView(name) {
    state.view = name;
    ["drivers", "inventory", "problems"].forEach(function (view) {
      $("view-" + view).classList.toggle("hidden", view !== name);
    });
    Array.prototype.forEach.call(document.querySelectorAll(".tab"), function (tab) {
      tab.classList.toggle("active", tab.getAttribute("data-view") === name);
    });
    $("folderBar").classList.toggle("hidden", name !== "drivers");
    if (name === "inventory" && state.inventory.status === "idle") requestInventory();
  }

  // --- adapters ----------------------------------------------------------

  function matchAdapters() {
    state.matches = state.scan.adapters.map(function (adapter) {
      return drivers.match(catalogue(), adapter);
    });
  }

  function scanAdapters() {
    if (state.download.active()) return;
    state.scan = drivers.parseAdapterList(Native.call(Bound.graphicsList));
    matchAdapters();
    state.installed = installedFor(state.scan.adapters, Native.call(Bound.installedDrivers));
    state.outcomes = {};
    state.expanded = {};
    state.download.reset();
    renderAdapters();
    if (window.console) console.info("adapters shown: " + state.scan.adapters.length);
  }

  // The answer of the installed-driver function: JSON text of one entry per
  // adapter of graphicsList, in its order. An entry is paired with the adapter
  // at its place when the hardware ids agree, else with the adapter whose id
  // it names; anything else is left out.
  function installedFor(adapters, answer) {
    var list = [];
    try {
      list = typeof answer === "string" ? JSON.parse(answer) : [];
    } catch (e) {
      list = [];
    }
    if (!Array.isArray(list)) list = [];
    return adapters.map(function (adapter, index) {
      // An entry without a platform is an adapter whose driver could not be read.
      var same = function (entry) {
        return entry && typeof entry === "object" && typeof entry.hardid === "string" &&
          (entry.platform === "windows" || entry.platform === "linux") &&
          entry.hardid.trim().toUpperCase() === adapter.hardid.toUpperCase();
      };
      if (same(list[index])) return list[index];
      for (var i = 0; i < list.length; i++) if (same(list[i])) return list[i];
      return null;
    });
  }

  function renderAdapters() {
    var list = $("adapterList");
    list.textContent = "";
    var scan = state.scan;
    var count = scan.adapters.length;
    $("rescanBtn").disabled = state.download.active();
    $("rescanBtn").classList.toggle("hidden", scan.reason === "pending");
    // The empty state carries its own heading and buttons.
    $("driversHead").classList.toggle("hidden", scan.reason !== "pending" && (!scan.ok || count === 0));

    $("catalogueInfo").textContent = "";
    if (scan.reason === "pending") {
      $("adapterSummary").textContent = t("scanning");
      $("adapterHint").textContent = "";
      return;
    }
    if (!scan.ok || count === 0) {
      var unavailable = !scan.ok;
      $("adapterSummary").textContent = "";
      $("adapterHint").textContent = "";
      list.appendChild(el("div", { className: "empty" }, [
        el("div", { className: "empty-art" }),
        el("h3", { text: t(unavailable ? "adaptersUnavailableTitle" : "noAdaptersTitle") }),
        el("p", { className: "muted", text: t(unavailable ? "adaptersUnavailableText" : "noAdaptersText") }),
        el("div", { className: "empty-actions" }, [
          el("button", { className: "btn primary", id: "emptyInventoryBtn", text: t("showInventory"),
            onclick: function () { showView("inventory"); } }),
          el("button", { className: "btn ghost", text: t("rescan"), onclick: scanAdapters }),
        ]),
      ]));
      return;
    }
    $("adapterSummary").textContent = t("adaptersFound", { n: count });
    $("adapterHint").textContent = t("adaptersHint");
    $("catalogueInfo").textContent = catalogueLine();
    scan.adapters.forEach(function (adapter, index) {
      list.appendChild(adapterCard(adapter, state.matches[index], index));
    });
  }

  function adapterCard(adapter, found, index) {
    var vendor = drivers.vendorInfo(found.vendor);
    var head = el("div", { className: "card-head" }, [
      el("div", { className: "chip " + vendor.key }, [el("span", { text: vendor.label || "GPU" })]),
      el("div", { className: "card-title" }, [
        el("div", { className: "adapter-name", text: adapter.desc || t("unknownAdapter") }),
        el("div", { className: "hardid", text: adapter.hardid }),
      ]),
    ]);
    var body = found.kind === "package" ? driverRow(found, index) : answerRow(found);
    return el("div", { className: "card", "data-index": String(index), "data-vendor": vendor.key,
      "data-kind": found.kind }, [head, body, detailRows(found, index)]);
  }

  // A card without a package: why, and where to look instead.
  function answerRow(found) {
    var title = t("answer_" + found.kind);
    var meta = "";
    if (found.kind === "dropped") {
      meta = found.last && found.last.version
        ? t("lastVersion", { v: found.last.version }) + (found.last.date ? "  ·  " + fmt.date(found.last.date) : "")
        : t("noWindowsDriver");
    }
    var contact = found.kind === "unknown" && state.settings.contact
      ? el("button", { className: "btn ghost", text: t("linkService"),
        onclick: function () { Native.call(Bound.eMsg, Msg.service); } })
      : null;
    return el("div", { className: "driver none" }, [
      el("div", { className: "driver-info" }, [
        el("div", { className: "driver-name", text: title }),
        meta ? el("div", { className: "driver-meta", text: meta }) : null,
        found.page ? pageLine(found.kind === "professional" ? "professionalPage" : "vendorSearchPage", found.page) : null,
      ]),
      el("div", { className: "driver-actions" }, [contact]),
    ]);
  }

  // A vendor page: the address is shown in full and opens in the browser.
  function pageLine(labelKey, url) {
    return el("div", { className: "page-line" }, [
      el("span", { text: t(labelKey) + " " }),
      vendorLink(url),
    ]);
  }

  // An address the native side opens in the browser when it is a vendor's
  // own page; where it cannot, the text stays there to be copied.
  function vendorLink(url) {
    return el("a", { className: "address", href: "#", title: url, text: url,
      onclick: function (e) {
        e.preventDefault();
        if (Native.call(Bound.openVendorPage, url) !== true) toast(t("openPageFailed", { url: url }), "error");
      } });
  }

  function driverMeta(pkg, notebook) {
    var parts = [];
    if (pkg.version) parts.push(t("version", { v: pkg.version }));
    if (pkg.date) parts.push(fmt.date(pkg.date));
    if (typeof pkg.size === "number" && pkg.size > 0) parts.push(fmt.size(pkg.size));
    if (Array.isArray(pkg.windows) && pkg.windows.length)
      parts.push("Windows " + pkg.windows.join("/"));
    if (notebook) parts.push(t("notebookEdition"));
    return parts.join("  ·  ");
  }

  function driverRow(found, index) {
    var pkg = found.package;
    var dl = state.download;
    var running = dl.owner === index && dl.active();
    var ended = running ? null : state.outcomes[index];
    var info = el("div", { className: "driver-info" }, [
      el("div", { className: "driver-name" }, [
        el("span", { className: "tag", text: t("recommended") }), pkg.name]),
      el("div", { className: "driver-meta", text: driverMeta(pkg, found.package === found.branch.notebook) }),
    ]);
    var row = el("div", { className: "driver" }, [info]);

    if (running) {
      row.classList.add("busy");
      row.appendChild(progressBlock(dl));
      return row;
    }

    var actions = el("div", { className: "driver-actions" });
    var note = null;
    var signature = null;
    if (ended && ended.state === "done") {
      note = el("div", { className: "note success" }, [
        el("span", { className: "note-icon" }),
        el("span", { text: t("finished") }),
        el("span", { className: "note-path", title: ended.path, text: baseName(ended.path) }),
      ]);
      var said = Tessaly.publisher.note(ended.publisher,
        Tessaly.publisher.expectedSigner(catalogue(), found.vendor));
      signature = el("div", { className: "note signature " + said.tone }, [
        el("span", { className: "note-icon" }), el("span", { text: t(said.key, said.params) })]);
      actions.appendChild(el("button", { className: "btn primary open-folder", text: t("openFolder"),
        onclick: openFolder }));
      actions.appendChild(el("button", { className: "btn ghost download", text: t("downloadAgain"),
        onclick: function () { startDownload(index); } }));
    } else {
      var message = ended ? outcomeMessage(ended) : null;
      if (message) {
        note = el("div", { className: "note " + message.tone }, [
          el("span", { className: "note-icon" }), el("span", { text: message.text })]);
      }
      var label = ended && ended.state === "failed" && ended.startResult === StartResult.started ? t("retry") : t("download");
      var other = dl.active();
      actions.appendChild(el("button", { className: "btn primary download", text: label,
        disabled: other, title: other ? t("busy") : null,
        onclick: function () { startDownload(index); } }));
    }
    row.appendChild(actions);
    if (pkg.unconfirmed) {
      row.appendChild(el("div", { className: "note warn unconfirmed" }, [
        el("span", { className: "note-icon" }),
        el("span", { className: "note-text" }, [t("checkVendorPage") + " ",
          vendorLink(pkg.details || found.page)]),
      ]));
    }
    if (found.branch.endOfLife) {
      row.appendChild(el("div", { className: "note eol" }, [
        el("span", { className: "note-icon" }), el("span", { text: t("endOfLife") })]));
    }
    if (note) row.appendChild(note);
    if (signature) row.appendChild(signature);
    return row;
  }

  // Below the driver: what is installed now, and the one line that explains
  // the choice, expanded on demand.
  function detailRows(found, index) {
    var rows = el("div", { className: "details" });
    var installed = installedLine(found, state.installed ? state.installed[index] : null);
    if (installed) rows.appendChild(installed);
    rows.appendChild(whyBlock(found, index));
    return rows;
  }

  function installedLine(found, installed) {
    if (!installed) return null;
    var vendors = catalogue() && catalogue().vendors;
    var scheme = vendors && vendors[found.vendor] ? vendors[found.vendor].scheme : "";
    var v = Tessaly.versions.verdict(scheme, installed, found.kind === "package" ? found.package : null);
    var text;
    var tone = "";
    if (v.state === "linux") {
      text = t("installedLinux", { driver: installed.driver }) +
        (v.installedText ? " " + v.installedText : "");
    } else if (v.state === "none") {
      text = t("installedNone");
    } else {
      var who = installed.provider ? installed.provider + " " : "";
      text = who + v.installedText + (installed.date ? t("installedOn", { date: fmt.date(installed.date) }) : "");
    }
    var verdict = null;
    if (v.state === "current") {
      verdict = t("upToDate");
      tone = "current";
    } else if (v.state === "update" || v.state === "other") {
      verdict = t("updateAvailable", { installed: v.installedText || installed.provider || "", offered: v.offeredText });
      tone = "update";
    } else if (v.state === "linux" && found.kind === "package") {
      verdict = t("linuxNotCompared");
    }
    return el("div", { className: "installed " + tone, "data-state": v.state }, [
      el("span", { className: "label", text: t("installedLabel") }),
      el("span", { className: "value", text: text }),
      verdict ? el("span", { className: "verdict", text: verdict }) : null,
    ]);
  }

  function whyBlock(found, index) {
    var open = !!(state.expanded && state.expanded[index]);
    var pick = Tessaly.i18n.pick;
    var summary;
    var lines = [];
    if (found.family) {
      var family = found.family;
      var where = found.kind === "package" ? pick(found.branch.title) : t("answerShort_" + found.kind);
      summary = family.name + (found.chip ? " (" + found.chip + ")" : "") + "  ·  " + where;
      lines.push(pick(family.why));
      if (found.kind === "professional" && family.answer !== "professional") {
        var answers = catalogue().answers || {};
        var pro = answers.professional && answers.professional[found.vendor];
        if (pro) lines.push(pick(pro));
      }
      if (found.kind === "package" && found.notebook && found.package === found.branch.notebook)
        lines.push(t("whyNotebook"));
      lines.push({ text: t("matchedId", { id: found.matchedId }), className: "matched" });
    } else {
      summary = t("whyUnknownSummary");
      var list = catalogue() && catalogue().pciIds;
      lines.push(t("whyUnknown", { list: list || "" }));
    }
    var toggle = el("button", { className: "why-toggle" + (open ? " open" : ""), "aria-expanded": open ? "true" : "false",
      onclick: function () {
        state.expanded = state.expanded || {};
        state.expanded[index] = !open;
        renderAdapters();
      } }, [
      el("span", { className: "why-label", text: t("whyLabel") }),
      el("span", { className: "why-summary", text: summary }),
    ]);
    return el("div", { className: "why" }, [toggle, open
      ? el("div", { className: "why-detail" }, lines.map(function (line) {
        return typeof line === "string" ? el("p", { text: line }) : el("p", { className: line.className, text: line.text });
      }))
      : null]);
  }

  // How a card's last download ended, kept when another card downloads.
  function remember(dl) {
    if (dl.owner === null || dl.active()) return;
    state.outcomes[dl.owner] = {
      state: dl.state, startResult: dl.startResult, path: dl.path,
      redirected: dl.redirectStartResult(),
      reason: dl.state === "failed" ? dl.reason : "",
      publisher: null, // {verdict, signer} once the signature has been checked
    };
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

  function progressBlock(dl) {
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
          disabled: dl.state === "cancelling", onclick: cancelDownload }),
      ]),
    ]);
  }

  function baseName(path) {
    var parts = String(path || "").split(/[\\/]/);
    return parts[parts.length - 1];
  }

  // --- downloads ---------------------------------------------------------

  function startDownload(index) {
    var dl = state.download;
    if (dl.active()) {
      toast(t("busy"), "info");
      return;
    }
    var adapter = state.scan.adapters[index];
    var pkg = state.matches[index] && state.matches[index].package;
    if (!adapter || !pkg) return;
    var url = drivers.downloadUrl(catalogue(), pkg);
    // The size goes along so that the native side can check what arrives.
    var result = Native.call(Bound.down, url, drivers.sizeArgument(pkg), pkg.version || "",
      drivers.fallbackName(pkg));
    delete state.outcomes[index];
    dl.started(index, typeof result === "number" ? result : undefined, pkg.size);
    remember(dl);
    renderAdapters();
  }

  function cancelDownload() {
    state.download.cancel();
    renderAdapters();
  }

  function openFolder() {
    var accepted = Native.call(Bound.eMsg, Msg.saveFolder);
    if (accepted !== true) toast(t("openFolderFailed", { path: state.folder || "" }), "error");
  }

  var renderTimer = null;
  function renderSoon() {
    if (renderTimer !== null) return;
    renderTimer = setTimeout(function () {
      renderTimer = null;
      renderAdapters();
    }, RENDER_INTERVAL_MS);
  }

  // --- save folder -------------------------------------------------------

  function readFolder() {
    var folder = Native.call(Bound.downDir);
    state.folder = typeof folder === "string" && folder !== "" ? folder : undefined;
    renderFolder();
  }

  function renderFolder() {
    var node = $("folderPath");
    node.textContent = state.folder || t("folderUnknown");
    node.title = state.folder || "";
    node.classList.toggle("muted", !state.folder);
  }

  function changeFolder() {
    var before = state.folder;
    var chosen = Native.call(Bound.selectDir);
    if (typeof chosen !== "string" || chosen === "") {
      // A cancelled chooser empties the stored folder; the user meant to keep it.
      if (chosen === "" && before) Native.call(Bound.downDir, before);
      toast(t("folderUnchanged"), "info");
    }
    readFolder();
  }

  // --- inventory ---------------------------------------------------------

  var slowTimer = null;
  function requestInventory() {
    var inv = state.inventory;
    var started = Native.call(Bound.eMsg, Msg.scan);
    if (started !== true) {
      if (inv.pending === 0) inv.status = "unavailable";
      renderInventory();
      return;
    }
    inv.pending += 1;
    inv.status = "scanning";
    renderInventory();
    clearTimeout(slowTimer);
    slowTimer = setTimeout(function () {
      if (state.inventory.pending > 0) {
        state.inventory.slow = true;
        renderInventory();
      }
    }, SLOW_SCAN_MS);
  }

  function receiveInventory(text) {
    var inv = state.inventory;
    inv.pending = Math.max(0, inv.pending - 1);
    inv.slow = false;
    var report = null;
    try {
      report = JSON.parse(String(text));
    } catch (e) {
      report = null;
    }
    if (report && typeof report === "object" && !Array.isArray(report)) {
      inv.report = report;
      inv.status = "ready";
    } else if (!inv.report) {
      inv.status = "invalid";
    } else {
      inv.status = "ready";
    }
    if (inv.pending > 0) inv.status = inv.report ? "refreshing" : "scanning";
    renderInventory();
  }

  function inventoryValue(key, report) {
    var value = report[key];
    if (key === "bit") return typeof value === "number" ? t("bitValue", { n: value }) : t("unknownValue");
    if (typeof value !== "string") return t("unknownValue");
    var text = value.trim();
    if (text === "" || text === "unknown") return t("unknownValue");
    return text;
  }

  function renderInventory() {
    var inv = state.inventory;
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

  // --- account and settings ----------------------------------------------

  // How current the catalogue is, and where it came from.
  function catalogueLine() {
    var current = catalogue();
    if (!current) return "";
    var date = typeof current.date === "string" ? current.date : String(current.pciIds || "");
    return state.updatedCatalogue
      ? t("catalogueUpdated", { date: date, on: state.updatedOn })
      : t("catalogueBuiltIn", { date: date });
  }

  // A catalogue the native side took from the service; the cards follow it
  // at once, or after the download that is running.
  function adoptCatalogue(value, updatedOn) {
    if (state.download.active()) {
      state.pendingCatalogue = { value: value, updatedOn: updatedOn };
      return;
    }
    state.pendingCatalogue = null;
    if (typeof window.TessalyCatalogueOverlay === "function") window.TessalyCatalogueOverlay(value);
    state.updatedCatalogue = value;
    state.updatedOn = updatedOn;
    if (state.scan.reason === "pending") return;
    matchAdapters();
    state.expanded = {};
    renderAdapters();
  }

  function renderAccount() {
    $(Elements.userIcon).classList.toggle("hidden", !state.service);
    var name = $("userName");
    name.textContent = state.signedIn ? (state.nickname || t("signedInDefault")) : t("signIn");
    $(Elements.userIcon).classList.toggle("signed-in", state.signedIn);
  }

  function renderSettings() {
    $("serviceLink").classList.toggle("hidden", !state.settings.contact);
    $("manualLink").classList.toggle("hidden", !state.settings.manual);
    $("problemsTab").classList.toggle("hidden", !state.settings.problems);
    if (!state.settings.problems && state.view === "problems") showView("drivers");
  }

  function renderProblems() {
    var list = $("problemList");
    list.textContent = "";
    FAQ_TOPICS.forEach(function (topic) {
      list.appendChild(el("div", { className: "faq-item" }, [
        el("div", { className: "faq-q", text: t("faqQuestion_" + topic) }),
        el("div", { className: "faq-a", text: t("faqAnswer_" + topic) }),
      ]));
    });
  }

  function renderAll() {
    applyTexts();
    renderAdapters();
    renderFolder();
    renderInventory();
    renderAccount();
    renderSettings();
    renderProblems();
  }

  // --- wiring --------------------------------------------------------------

  function wireWindow() {
    Tessaly.attachTitleBarDrag($(Elements.titleBar));
    [Elements.minimize, Elements.close, Elements.userIcon].forEach(function (id) {
      $(id).addEventListener("click", function () { Native.call(Bound.click, id); });
    });
    var user = $(Elements.userIcon);
    user.addEventListener("mouseenter", function () {
      var r = user.getBoundingClientRect();
      Native.call(Bound.mouseEnter, Elements.userIcon, Math.round(r.left), Math.round(r.top),
        Math.round(r.width), Math.round(r.height));
    });
    user.addEventListener("mouseleave", function () {
      Native.call(Bound.mouseLeave, Elements.userIcon);
    });
  }

  function wirePage() {
    Array.prototype.forEach.call(document.querySelectorAll(".tab"), function (tab) {
      tab.addEventListener("click", function () { showView(tab.getAttribute("data-view")); });
    });
    $("serviceLink").addEventListener("click", function () { Native.call(Bound.eMsg, Msg.service); });
    $("manualLink").addEventListener("click", function () { Native.call(Bound.eMsg, Msg.tutorial); });
    $("rescanBtn").addEventListener("click", scanAdapters);
    $("refreshBtn").addEventListener("click", requestInventory);
    $("changeFolderBtn").addEventListener("click", changeFolder);
    $("openFolderBtn").addEventListener("click", openFolder);
    Tessaly.i18n.onChange(renderAll);
  }

  // Page functions the native side calls.
  var Fn = Tessaly.Protocol.pageFunctions;
  window[Fn.userLogin] = function (signedIn, nickname) {
    state.signedIn = signedIn === true;
    state.nickname = typeof nickname === "string" ? nickname : "";
    renderAccount();
    return true;
  };
  window[Fn.notifySetting] = function (contact, manual, problems, product) {
    // Settings meant for another product of the family are not ours.
    if (typeof product === "string" && product !== Tessaly.Protocol.productCode) return false;
    state.settings = { contact: contact === true, manual: manual === true, problems: problems === true };
    renderSettings();
    renderAdapters();
    return true;
  };
  window[Fn.setCountry] = function (country) {
    Tessaly.i18n.setCountry(country);
    return true;
  };
  window[Fn.scanResult] = function (report) {
    receiveInventory(report);
    return true;
  };
  window[Fn.progress] = function (received, total) {
    var keepGoing = state.download.progress(received, total);
    renderSoon();
    return keepGoing;
  };
  window[Fn.redirectFailed] = function (result) {
    state.download.redirectFailed(result);
    return true;
  };
  window[Fn.failReason] = function (reason) {
    state.download.failReason(reason);
    return true;
  };
  window[Fn.publisher] = function (path, verdict, signer) {
    Object.keys(state.outcomes).forEach(function (index) {
      var ended = state.outcomes[index];
      if (ended.state === "done" && ended.path === path)
        ended.publisher = { verdict: verdict, signer: typeof signer === "string" ? signer : "" };
    });
    renderAdapters();
    return true;
  };
  window[Fn.finish] = function (code, path, message) {
    if (state.download.active()) {
      state.download.finished(code, path, message);
      remember(state.download);
    }
    clearTimeout(renderTimer);
    renderTimer = null;
    if (state.pendingCatalogue) adoptCatalogue(state.pendingCatalogue.value, state.pendingCatalogue.updatedOn);
    renderAdapters();
    return true;
  };
  window[Fn.catalogue] = function (text, updatedOn) {
    var value;
    try {
      value = JSON.parse(text);
    } catch (e) {
      return false;
    }
    // The native side checked it; a format these pages do not read is still not used.
    if (!value || typeof value !== "object" || value.format !== Tessaly.Protocol.catalogueFormat) return false;
    adoptCatalogue(value, typeof updatedOn === "string" ? updatedOn : "");
    return true;
  };

  function start() {
    // Without a native side (a plain browser) the page speaks the product's home language.
    var country = Native.call(Bound.countryId);
    Tessaly.i18n.setCountry(typeof country === "number" ? country : Tessaly.Protocol.countryChina);
    state.service = Native.call(Bound.hasService) !== false;
    wireWindow();
    wirePage();
    renderAll();
    // Said on the console too: start-up is timed by it on every platform.
    if (window.console) console.info(Msg.loaded);
    Native.call(Bound.eMsg, Msg.loaded);
    readFolder();
    // Let the first frame paint before the catalogue, the page's heaviest
    // part, is read and the (synchronous) adapter scan runs.
    setTimeout(function () { loadCatalogue(scanAdapters); }, 0);
  }

  // The built-in catalogue (data/catalogue.js); done runs once it is there,
  // or without it when it cannot be read.
  function loadCatalogue(done) {
    if (window.TessalyCatalogue) {
      done();
      return;
    }
    var script = document.createElement("script");
    script.src = "data/catalogue.js";
    script.onload = script.onerror = function () { done(); };
    document.body.appendChild(script);
  }

  return {
    start: start,
    state: state,
    showView: showView,
    scanAdapters: scanAdapters,
    startDownload: startDownload,
    cancelDownload: cancelDownload,
    requestInventory: requestInventory,
  };
})();

document.addEventListener("DOMContentLoaded", Tessaly.app.start);
