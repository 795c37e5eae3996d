// The page scripts' own logic, run in the browser engine: catalogue matching,
// version comparison, number formatting, and the download's state and counters.
"use strict";

const { test, before, after } = require("node:test");
const assert = require("node:assert/strict");
const { launch, openPage } = require("./harness");

let browser;
let page;
before(async () => {
  browser = await launch();
  page = await openPage(browser);
});
after(async () => {
  await browser.close();
});

test("sizes, speeds, durations and percentages", async () => {
  const got = await page.evaluate(() => {
    const f = Tessaly.format;
    const zh = { hour: "小时", minute: "分", second: "秒" };
    return {
      sizes: [0, 1, 1023, 1024, 1536, 1048575, 5767168, 157286400, 689446912, 3221225472, -1, NaN, "12"]
        .map(f.size),
      speeds: [0, 1536, 12.5 * 1048576, -5].map(f.speed),
      durations: [0, 0.2, 5, 59.5, 65, 600, 3599, 3700].map((s) => f.duration(s, zh)),
      percents: [[0, 100], [50, 200], [199, 200], [300, 200], [5, 0], [5, -1]].map((p) => f.percent(p[0], p[1])),
      dates: ["2024-04-16", "April 2024", 7].map(f.date),
    };
  });
  assert.deepEqual(got.sizes, ["0 B", "1 B", "1023 B", "1 KB", "1.5 KB", "1 MB", "5.5 MB", "150 MB",
    "658 MB", "3 GB", "", "", ""]);
  assert.deepEqual(got.speeds, ["0 B/s", "1.5 KB/s", "12.5 MB/s", ""]);
  assert.deepEqual(got.durations, ["0 秒", "1 秒", "5 秒", "1 分 00 秒", "1 分 05 秒", "10 分 00 秒",
    "59 分 59 秒", "1 小时 01 分"]);
  assert.deepEqual(got.percents, [0, 25, 99, 100, 0, 0]);
  assert.deepEqual(got.dates, ["2024-04-16", "April 2024", ""]);
});

test("adapter list answers of every kind", async () => {
  const got = await page.evaluate(() => [
    undefined, "", "not json", "{}", "null", "[\n]\n",
    JSON.stringify([{ desc: " NVIDIA GeForce GTX 1050 Ti ", hardid: "PCI\\VEN_10DE&DEV_1C82" }, 5, null,
      { desc: 7, hardid: null }]),
  ].map((answer) => Tessaly.drivers.parseAdapterList(answer)));
  assert.deepEqual(got.map((r) => [r.ok, r.reason, r.adapters.length]), [
    [false, "unavailable", 0], [false, "invalid", 0], [false, "invalid", 0], [false, "invalid", 0],
    [false, "invalid", 0], [true, "", 0], [true, "", 2],
  ]);
  assert.deepEqual(got[6].adapters, [
    { desc: "NVIDIA GeForce GTX 1050 Ti", hardid: "PCI\\VEN_10DE&DEV_1C82" },
    { desc: "", hardid: "" },
  ]);
});

test("hardware ids and vendors", async () => {
  const got = await page.evaluate(() => {
    const d = Tessaly.drivers;
    return {
      ids: ["PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1", "pci\\ven_8086&dev_3e92", "PCI\\VEN_10DE",
        "PCI\\VEN_10DEF&DEV_12", "", undefined].map(d.parseHardwareId),
      vendors: [
        { desc: "whatever", hardid: "PCI\\VEN_1002&DEV_73BF" },
        { desc: "NVIDIA GeForce RTX 3060", hardid: "" },
        { desc: "AMD Radeon(TM) Graphics", hardid: "ACPI\\VEN_ABCD" },
        { desc: "Intel(R) UHD Graphics 630", hardid: "" },
        { desc: "Microsoft Basic Display Adapter", hardid: "ROOT\\BasicDisplay" },
        { desc: "VMware SVGA 3D", hardid: "PCI\\VEN_15AD&DEV_0405" },
      ].map(d.vendorOf),
      candidates: ["PCI\\VEN_10de&DEV_1c82&SUBSYS_8c961462&REV_a1", "PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462",
        "PCI\\VEN_10DE&DEV_1C82&REV_A1", "PCI\\VEN_10DE&DEV_1C82", "PCI\\VEN_10DE"].map(d.candidateIds),
    };
  });
  assert.deepEqual(got.ids, [
    { vendor: "10de", device: "1c82", subsys: "8c961462", rev: "a1" },
    { vendor: "8086", device: "3e92", subsys: "", rev: "" },
    { vendor: "10de", device: "", subsys: "", rev: "" },
    { vendor: "", device: "", subsys: "", rev: "" }, { vendor: "", device: "", subsys: "", rev: "" },
    { vendor: "", device: "", subsys: "", rev: "" },
  ]);
  assert.deepEqual(got.vendors, ["1002", "10de", "1002", "8086", "", "15ad"]);
  assert.deepEqual(got.candidates, [
    ["VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1", "VEN_10DE&DEV_1C82&SUBSYS_8C961462", "VEN_10DE&DEV_1C82&REV_A1",
      "VEN_10DE&DEV_1C82"],
    ["VEN_10DE&DEV_1C82&SUBSYS_8C961462", "VEN_10DE&DEV_1C82"],
    ["VEN_10DE&DEV_1C82&REV_A1", "VEN_10DE&DEV_1C82"],
    ["VEN_10DE&DEV_1C82"],
    [],
  ]);
});

test("the shipped catalogue: the branch of every family, answers, and no guesses", async () => {
  const cases = [
    ["PCI\\VEN_10DE&DEV_2C58&SUBSYS_13A11043&REV_A1", "RTX 5090 Laptop", "package", "nvidia-main/notebook"],
    ["PCI\\VEN_10DE&DEV_2684&SUBSYS_16F310DE&REV_A1", "RTX 4090", "package", "nvidia-main"],
    ["PCI\\VEN_10DE&DEV_1F82", "GTX 1650", "package", "nvidia-main"],
    ["PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1", "GTX 1050 Ti", "package", "nvidia-r580"],
    ["pci\\ven_10de&dev_1c82&subsys_8c961462&rev_a1", "GTX 1050 Ti, lower case", "package", "nvidia-r580"],
    ["PCI\\VEN_10DE&DEV_1C8C", "GTX 1050 Ti Mobile", "package", "nvidia-r580/notebook"],
    ["PCI\\VEN_10DE&DEV_1004", "GTX 780", "package", "nvidia-r470"],
    ["PCI\\VEN_10DE&DEV_0FD1", "GT 650M (Kepler notebook)", "dropped", "kepler-notebook"],
    ["PCI\\VEN_10DE&DEV_06C0", "GTX 480", "dropped", "fermi"],
    ["PCI\\VEN_10DE&DEV_1CB3", "Quadro P400", "professional", "pascal"],
    ["PCI\\VEN_10DE&DEV_2330", "H100", "professional", "nvidia-datacenter"],
    ["PCI\\VEN_1002&DEV_7550&SUBSYS_24261DA2&REV_C0", "RX 9070 XT", "package", "amd-main"],
    ["PCI\\VEN_1002&DEV_66AF", "Radeon VII", "package", "amd-polaris-vega"],
    ["PCI\\VEN_1002&DEV_67DF", "RX 580", "package", "amd-polaris-vega"],
    ["PCI\\VEN_1002&DEV_6798", "HD 7970", "package", "amd-gcn-legacy"],
    ["PCI\\VEN_1002&DEV_6719", "HD 6950 (TeraScale)", "dropped", "terascale2"],
    ["PCI\\VEN_8086&DEV_E20B", "Arc B580", "package", "intel-arc"],
    ["PCI\\VEN_8086&DEV_9A49", "Iris Xe (Tiger Lake)", "package", "intel-11-14"],
    ["PCI\\VEN_8086&DEV_8A52", "Iris Plus G7 (Ice Lake)", "package", "intel-7-10"],
    ["PCI\\VEN_8086&DEV_3E92", "UHD 630", "package", "intel-7-10"],
    ["PCI\\VEN_8086&DEV_1912", "HD 530 (Skylake)", "package", "intel-6"],
    ["PCI\\VEN_8086&DEV_0162", "HD 4000 (Ivy Bridge)", "dropped", "gen7"],
    ["PCI\\VEN_10DE&DEV_10F0", "GP104 HD audio", "unknown", ""],
    ["PCI\\VEN_10DE&DEV_0000", "unknown NVIDIA", "unknown", ""],
    ["PCI\\VEN_15AD&DEV_0405", "VMware SVGA", "unknown", ""],
    ["", "NVIDIA GeForce GTX 1050 Ti", "unknown", ""],
  ];
  const got = await page.evaluate((list) => list.map(([hardid, desc]) => {
    const m = Tessaly.drivers.match(window.TessalyCatalogue, { hardid, desc });
    return [m.kind, m.kind === "package" ? m.packageId : m.familyId, m.page];
  }), cases);
  assert.deepEqual(got.map((g) => g.slice(0, 2)), cases.map((c) => [c[2], c[3]]));
  const pages = Object.fromEntries(cases.map((c, i) => [c[1], got[i][2]]));
  assert.equal(pages["unknown NVIDIA"], "https://www.nvidia.com/en-us/drivers/", "the vendor's search page");
  assert.equal(pages["NVIDIA GeForce GTX 1050 Ti"], "https://www.nvidia.com/en-us/drivers/", "known by name only");
  assert.equal(pages["VMware SVGA"], "", "no vendor, no page");
  assert.match(pages["Quadro P400"], /^https:\/\/www\.nvidia\.com\//);

  const fermi = await page.evaluate(() => Tessaly.drivers.match(TessalyCatalogue, { hardid: "PCI\\VEN_10DE&DEV_06C0", desc: "" }));
  assert.deepEqual([fermi.last.version, fermi.chip, fermi.matchedId], ["391.35", "GF100", "VEN_10DE&DEV_06C0"]);

  const incomplete = await page.evaluate(() => {
    const bad = [];
    Object.keys(TessalyCatalogue.branches).forEach((id) => {
      const b = TessalyCatalogue.branches[id];
      [b.package, b.notebook].filter(Boolean).forEach((p) => {
        if (!(typeof p.name === "string" && /^\d[\d.]*$/.test(p.version) && /^(\d{4}-\d{2}(-\d{2})?)?$/.test(p.date) &&
          (p.size === "unknown" || p.size > 1048576) && /^https:\/\/[a-z0-9.-]+\/\S+\.(exe|zip)$/.test(p.url) &&
          typeof p.unconfirmed === "boolean" && Array.isArray(p.windows) && p.windows.length > 0))
          bad.push(id);
      });
    });
    return bad;
  });
  assert.deepEqual(incomplete, [], "every package has a name, version, date, size, Windows versions and address");
});

test("matching: the most specific hardware id wins, like Windows ranks drivers", async () => {
  const got = await page.evaluate(() => {
    const pkg = (name, url) => ({ name, version: "1.0", url, size: 1 });
    const cat = {
      base: "http://127.0.0.1:18080/",
      vendors: { "10de": { search: "https://www.nvidia.com/s", professional: "https://www.nvidia.com/p" } },
      branches: {
        plain: { vendor: "10de", package: pkg("plain", "/plain.exe") },
        rev: { vendor: "10de", package: pkg("rev", "https://x/rev.exe") },
        subsys: { vendor: "10de", package: pkg("subsys", "https://x/subsys.exe") },
        both: { vendor: "10de", package: pkg("both", "https://x/both.exe") },
        laptop: { vendor: "10de", package: pkg("desktop", "https://x/d.exe"), notebook: pkg("notebook", "https://x/n.exe") },
        broken: { vendor: "10de", package: pkg("broken", "") },
      },
      families: {
        plain: { vendor: "10de", branch: "plain" }, rev: { vendor: "10de", branch: "rev" },
        subsys: { vendor: "10de", branch: "subsys" }, both: { vendor: "10de", branch: "both" },
        laptop: { vendor: "10de", branch: "laptop" }, gone: { vendor: "10de", answer: "dropped", last: { version: "1" } },
        broken: { vendor: "10de", branch: "broken" },
      },
      ids: {
        "VEN_10DE&DEV_1000": ["plain", "X"],
        "VEN_10DE&DEV_1000&REV_A1": ["rev", "X"],
        "VEN_10DE&DEV_1000&SUBSYS_11112222": ["subsys", "X"],
        "VEN_10DE&DEV_1000&SUBSYS_11112222&REV_A1": ["both", "X"],
        "VEN_10DE&DEV_1000&SUBSYS_33334444": ["no-such-family", "X"],
        "VEN_10DE&DEV_2000": ["laptop", "X", "notebook"],
        "VEN_10DE&DEV_2001": ["laptop", "X"],
        "VEN_10DE&DEV_2002": ["laptop", "X", "professional"],
        "VEN_10DE&DEV_2003": ["gone", "X", "professional"],
        "VEN_10DE&DEV_2004": ["broken", "X"],
      },
    };
    const m = (hardid) => Tessaly.drivers.match(cat, { hardid, desc: "" });
    const out = {};
    [
      "PCI\\VEN_10DE&DEV_1000&SUBSYS_11112222&REV_A1", "PCI\\VEN_10DE&DEV_1000&SUBSYS_11112222&REV_B1",
      "PCI\\VEN_10DE&DEV_1000&SUBSYS_55556666&REV_A1", "PCI\\VEN_10DE&DEV_1000&SUBSYS_55556666",
      "pci\\ven_10de&dev_1000&subsys_11112222&rev_a1", "PCI\\VEN_10DE&DEV_1000&SUBSYS_33334444",
      "PCI\\VEN_10DE&DEV_2000", "PCI\\VEN_10DE&DEV_2001", "PCI\\VEN_10DE&DEV_2002", "PCI\\VEN_10DE&DEV_2003",
      "PCI\\VEN_10DE&DEV_2004",
    ].forEach((id) => {
      const r = m(id);
      out[id] = [r.kind, r.package ? r.package.name : "", r.matchedId, r.page];
    });
    out.urls = ["plain", "rev"].map((b) => Tessaly.drivers.downloadUrl(cat, cat.branches[b].package));
    out.none = [undefined, {}, { ids: {} }].map((c) => Tessaly.drivers.match(c, { hardid: "PCI\\VEN_10DE&DEV_1000", desc: "" }).kind);
    return out;
  });
  const row = (id) => got[id];
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_1000&SUBSYS_11112222&REV_A1").slice(0, 3),
    ["package", "both", "VEN_10DE&DEV_1000&SUBSYS_11112222&REV_A1"]);
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_1000&SUBSYS_11112222&REV_B1").slice(0, 3),
    ["package", "subsys", "VEN_10DE&DEV_1000&SUBSYS_11112222"]);
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_1000&SUBSYS_55556666&REV_A1").slice(0, 3),
    ["package", "rev", "VEN_10DE&DEV_1000&REV_A1"]);
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_1000&SUBSYS_55556666").slice(0, 3), ["package", "plain", "VEN_10DE&DEV_1000"]);
  assert.deepEqual(row("pci\\ven_10de&dev_1000&subsys_11112222&rev_a1").slice(0, 2), ["package", "both"], "any letter case");
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_1000&SUBSYS_33334444").slice(0, 3), ["package", "plain", "VEN_10DE&DEV_1000"],
    "an entry of an unknown family is passed over");
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_2000").slice(0, 2), ["package", "notebook"]);
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_2001").slice(0, 2), ["package", "desktop"]);
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_2002"), ["professional", "", "VEN_10DE&DEV_2002", "https://www.nvidia.com/p"]);
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_2003").slice(0, 1), ["dropped"], "a dropped family stays dropped for professional cards");
  assert.deepEqual(row("PCI\\VEN_10DE&DEV_2004"), ["unknown", "", "VEN_10DE&DEV_2004", "https://www.nvidia.com/s"],
    "a package without an address is never offered");
  assert.deepEqual(got.urls, ["http://127.0.0.1:18080/plain.exe", "https://x/rev.exe"]);
  assert.deepEqual(got.none, ["unknown", "unknown", "unknown"]);
});

test("the size for Down, and names for files without one", async () => {
  const got = await page.evaluate(() => ({
    sizes: [912109016, "unknown", 0, -5, 1.5e9, NaN, "912109016", undefined].map((size) => Tessaly.drivers.sizeArgument({ size })),
    none: Tessaly.drivers.sizeArgument(null),
    names: [{ name: "NVIDIA GeForce Driver (R580)", version: "582.66" }, { name: "中文 驱动" }, null].map(Tessaly.drivers.fallbackName),
  }));
  assert.deepEqual(got.sizes, ["912109016", "", "", "", "1500000000", "", "", ""]);
  assert.equal(got.none, "");
  assert.deepEqual(got.names, ["NVIDIA-GeForce-Driver-R580-582.66", "driver", "driver"]);
});

test("installed against offered: each vendor's numbering", async () => {
  const got = await page.evaluate(() => {
    const v = Tessaly.versions;
    const nv = { version: "582.66" };
    const intel = { version: "31.0.101.2145" };
    const amd = { version: "26.9.2", driverVersion: "32.0.32015.2008" };
    const win = (provider, version) => ({ platform: "windows", provider, version, date: "2024-09-20" });
    const verdict = (scheme, installed, pkg) => {
      const r = v.verdict(scheme, installed, pkg);
      return [r.state, r.installedText, r.offeredText];
    };
    return {
      releases: ["32.0.15.6188", "32.0.16.1088", "31.0.15.5222", "27.21.14.5671", "32.0.15.6094", "32.0.15", "x", "32.0.15.60940"]
        .map(v.nvidiaRelease),
      verdicts: [
        verdict("nvidia", win("NVIDIA", "32.0.15.6188"), nv),
        verdict("nvidia", win("NVIDIA", "32.0.15.8266"), nv),
        verdict("nvidia", win("NVIDIA", "32.0.16.1088"), nv),
        verdict("nvidia", win("Microsoft", "10.0.19041.3636"), nv),
        verdict("nvidia", { platform: "linux", driver: "nouveau", version: "" }, nv),
        verdict("nvidia", { platform: "linux", driver: "", version: "" }, nv),
        verdict("nvidia", { platform: "windows", provider: "", version: "" }, nv),
        verdict("intel", win("Intel Corporation", "31.0.101.2127"), intel),
        verdict("intel", win("Intel Corporation", "31.0.101.2145"), intel),
        verdict("intel", win("Intel Corporation", "32.0.101.2115"), { version: "31.0.101.2145" }),
        verdict("intel", win("Intel Corporation", "27.20.100.9466"), intel),
        verdict("package", win("Advanced Micro Devices, Inc.", "32.0.21025.1024"), amd),
        verdict("package", win("Advanced Micro Devices, Inc.", "32.0.32015.2008"), amd),
        verdict("package", win("Advanced Micro Devices, Inc.", "32.0.21025.1024"), { version: "25.5.1" }),
        verdict("nvidia", win("NVIDIA", "32.0.15.6188"), null),
        verdict("nvidia", null, nv),
      ],
    };
  });
  assert.deepEqual(got.releases, ["561.88", "610.88", "552.22", "456.71", "560.94", "", "", ""]);
  assert.deepEqual(got.verdicts, [
    ["update", "561.88", "582.66"],
    ["current", "582.66", "582.66"],
    ["current", "610.88", "582.66"],
    ["other", "10.0.19041.3636", "582.66"],
    ["linux", "", "582.66"],
    ["none", "", "582.66"],
    ["none", "", "582.66"],
    ["update", "31.0.101.2127", "31.0.101.2145"],
    ["current", "31.0.101.2145", "31.0.101.2145"],
    ["update", "32.0.101.2115", "31.0.101.2145"],
    ["update", "27.20.100.9466", "31.0.101.2145"],
    ["update", "32.0.21025.1024", "26.9.2 (32.0.32015.2008)"],
    ["current", "32.0.32015.2008", "26.9.2 (32.0.32015.2008)"],
    ["unknown", "32.0.21025.1024", "25.5.1"],
    ["unknown", "561.88", ""],
    ["unknown", "", "582.66"],
  ]);
});

test("download counters, speed and end states", async () => {
  const got = await page.evaluate(() => {
    let now = 1000;
    const clock = () => now;
    const out = {};

    const d = new Tessaly.Download(clock);
    out.idleProgress = d.progress(10, 100);
    out.start = d.started(0, 0, 100);
    now += 250; d.progress(10, 100);
    out.speedTooEarly = d.speed();
    now += 750; out.keep = d.progress(60, 100);
    out.speed = d.speed();
    out.left = d.secondsLeft();
    out.cancel = d.cancel();
    now += 100; out.afterCancel = d.progress(70, 100);
    out.end = d.finished(1, "", "用户取消了下载");

    // Counts past 2 GiB arrive as negative 32-bit numbers.
    const big = new Tessaly.Download(clock);
    big.started(1, 0, 0);
    big.progress(2147483000, -1);
    big.progress(-2147483000, -1);
    out.wrapped = big.received;
    out.unknownTotal = big.total;
    big.progress(-2147482000, -1294967296);
    out.bigTotal = big.total;

    const done = new Tessaly.Download(clock);
    done.started(0, 0, 0);
    done.progress(500, 1000);
    out.done = [done.finished(0, "/d/a.exe", ""), done.received, done.path];

    const failed = new Tessaly.Download(clock);
    failed.started(0, 0, 0);
    failed.redirectFailed(1);
    out.failed = [failed.finished(2, "", "下载过程发生了错误,错误值:1"), failed.redirectStartResult()];
    // The number comes from its own report, never from the wording.
    const worded = new Tessaly.Download(clock);
    worded.started(0, 0, 0);
    out.worded = [worded.finished(2, "", "下载过程发生了错误,错误值:1"), worded.redirectStartResult()];
    out.refused = [1, 2, 3, undefined].map((r) => {
      const x = new Tessaly.Download(clock);
      return [x.started(0, r, 0), x.active()];
    });
    return out;
  });
  assert.equal(got.idleProgress, false, "no download, no reason to go on");
  assert.equal(got.start, "running");
  assert.equal(got.speedTooEarly, null);
  assert.equal(got.keep, true);
  assert.equal(got.speed, 60);
  assert.equal(got.left, 40 / 60);
  assert.equal(got.cancel, "cancelling");
  assert.equal(got.afterCancel, false, "the next progress answer cancels");
  assert.equal(got.end, "cancelled");
  assert.equal(got.wrapped, 4294967296 - 2147483000);
  assert.equal(got.unknownTotal, -1);
  assert.equal(got.bigTotal, 3000000000);
  assert.deepEqual(got.done, ["done", 1000, "/d/a.exe"]);
  assert.deepEqual(got.failed, ["failed", 1]);
  assert.deepEqual(got.worded, ["failed", null]);
  assert.deepEqual(got.refused, [["failed", false], ["failed", false], ["failed", false], ["failed", false]]);
});

test("every text exists in both languages", async () => {
  const got = await page.evaluate(() => {
    const zh = Tessaly.i18n.keys("zh");
    const en = Tessaly.i18n.keys("en");
    return { onlyZh: zh.filter((k) => en.indexOf(k) < 0), onlyEn: en.filter((k) => zh.indexOf(k) < 0 && k !== "adaptersFound1") };
  });
  assert.deepEqual(got, { onlyZh: [], onlyEn: [] });
  const picked = await page.evaluate(() => {
    const text = { zh: "中文", en: "English" };
    const out = [Tessaly.i18n.pick(text), Tessaly.i18n.pick({ en: "only" }), Tessaly.i18n.pick(null)];
    Tessaly.i18n.setCountry(1);
    out.push(Tessaly.i18n.pick(text), Tessaly.i18n.pick({ zh: "只有中文" }), Tessaly.i18n.pick("plain"));
    Tessaly.i18n.setCountry(44);
    return out;
  });
  assert.deepEqual(picked, ["中文", "", "", "English", "只有中文", "plain"]);
});
