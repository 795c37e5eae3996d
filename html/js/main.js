// The start page: its state, the bridge both ways and the wiring of the
// views. The adapters with their drivers (adaptercards.js, downloadview.js),
// one download at a time, the save folder, the hardware inventory
// (inventoryview.js), the account and the help links.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.app = (function () {
  var Native = Tessaly.Native;
  var Bound = Tessaly.Protocol.bound;
  var Msg = Tessaly.Protocol.messages;
  var Elements = Tessaly.Protocol.elements;
  var t = Tessaly.i18n.t;
  var drivers = Tessaly.drivers;
  var $ = Tessaly.dom.byId;
  var el = Tessaly.dom.el;

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

  // The cards act through the page: its state, its downloads and the bridge.
  var cards = Tessaly.adapterCards({
    state: state,
    catalogue: catalogue,
    showView: showView,
    scanAdapters: scanAdapters,
    startDownload: startDownload,
    cancelDownload: cancelDownload,
    openFolder: openFolder,
    contactService: contactService,
    openVendorPage: openVendorPage,
  });

  function renderAdapters() {
    cards.render();
  }

  function contactService() {
    Native.call(Bound.eMsg, Msg.service);
  }

  // A refusal is said; the address stays on its card to be copied.
  function openVendorPage(url) {
    if (Native.call(Bound.openVendorPage, url) !== true) toast(t("openPageFailed", { url: url }), "error");
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

  function renderInventory() {
    Tessaly.inventoryView.render(state.inventory);
  }


  // --- account and settings ----------------------------------------------

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
    $("serviceLink").addEventListener("click", contactService);
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
