// The drivers tab: one card per graphics adapter with the driver offered for
// it (or why there is none), the driver in use, why this one, and its
// download.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

// app: the page's state and catalogue, and the actions the cards start
// (main.js gives them).
Tessaly.adapterCards = function (app) {
  var StartResult = Tessaly.Protocol.startResult;
  var t = Tessaly.i18n.t;
  var fmt = Tessaly.format;
  var drivers = Tessaly.drivers;
  var $ = Tessaly.dom.byId;
  var el = Tessaly.dom.el;
  var downloadView = Tessaly.downloadView;
  var state = app.state;
  var catalogue = app.catalogue;

  // How current the catalogue is, and where it came from.
  function catalogueLine() {
    var current = catalogue();
    if (!current) return "";
    var date = typeof current.date === "string" ? current.date : String(current.pciIds || "");
    return state.updatedCatalogue
      ? t("catalogueUpdated", { date: date, on: state.updatedOn })
      : t("catalogueBuiltIn", { date: date });
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
            onclick: function () { app.showView("inventory"); } }),
          el("button", { className: "btn ghost", text: t("rescan"), onclick: app.scanAdapters }),
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
        onclick: app.contactService })
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
        app.openVendorPage(url);
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
      row.appendChild(downloadView.progress(dl, app.cancelDownload));
      return row;
    }

    var actions = el("div", { className: "driver-actions" });
    var done = !!ended && ended.state === "done";
    var notes = ended
      ? downloadView.endNotes(ended, done ? Tessaly.publisher.expectedSigner(catalogue(), found.vendor) : "")
      : [];
    if (done) {
      actions.appendChild(el("button", { className: "btn primary open-folder", text: t("openFolder"),
        onclick: app.openFolder }));
      actions.appendChild(el("button", { className: "btn ghost download", text: t("downloadAgain"),
        onclick: function () { app.startDownload(index); } }));
    } else {
      var label = ended && ended.state === "failed" && ended.startResult === StartResult.started ? t("retry") : t("download");
      var other = dl.active();
      actions.appendChild(el("button", { className: "btn primary download", text: label,
        disabled: other, title: other ? t("busy") : null,
        onclick: function () { app.startDownload(index); } }));
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
    notes.forEach(function (note) { row.appendChild(note); });
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

  return { render: renderAdapters };
};
