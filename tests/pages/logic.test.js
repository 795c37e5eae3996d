// The page scripts' own logic, run in the browser engine: catalogue matching,
// number formatting, and the download's state and counters.
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
    };
  });
  assert.deepEqual(got.ids, [
    { vendor: "10de", device: "1c82" }, { vendor: "8086", device: "3e92" }, { vendor: "10de", device: "" },
    { vendor: "", device: "" }, { vendor: "", device: "" }, { vendor: "", device: "" },
  ]);
  assert.deepEqual(got.vendors, ["1002", "10de", "1002", "8086", "", "15ad"]);
});

test("the shipped catalogue picks the right package", async () => {
  const cases = [
    ["PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1", "GeForce GTX 1050 Ti", "nvidia-game-ready"],
    ["PCI\\VEN_10DE&DEV_2684", "GeForce RTX 4090", "nvidia-game-ready"],
    ["PCI\\VEN_10DE&DEV_1180", "GeForce GTX 680", "nvidia-kepler"],
    ["PCI\\VEN_10DE&DEV_0FC6", "GeForce GTX 650", "nvidia-kepler"],
    ["PCI\\VEN_8086&DEV_3E92", "UHD Graphics 630", "intel-uhd-legacy"],
    ["PCI\\VEN_8086&DEV_9A49", "Iris Xe Graphics", "intel-arc-xe"],
    ["PCI\\VEN_8086&DEV_56A0", "Arc A770", "intel-arc-xe"],
    ["PCI\\VEN_1002&DEV_73BF", "Radeon RX 6800", "amd-adrenalin"],
    ["PCI\\VEN_1002&DEV_744C", "Radeon RX 7900 XTX", "amd-adrenalin"],
    ["PCI\\VEN_1002&DEV_67DF", "Radeon RX 580", "amd-adrenalin"],
    ["PCI\\VEN_1002&DEV_6798", "Radeon HD 7970", "amd-gcn-legacy"],
    ["PCI\\VEN_10DE&DEV_0000", "unknown NVIDIA", ""],
    ["PCI\\VEN_15AD&DEV_0405", "VMware SVGA", ""],
    ["", "NVIDIA GeForce GTX 1050 Ti", ""],
  ];
  const got = await page.evaluate((list) => list.map(([hardid, desc]) =>
    Tessaly.drivers.match(window.TessalyCatalogue, { hardid, desc }).packageId), cases);
  assert.deepEqual(got, cases.map((c) => c[2]));

  const complete = await page.evaluate(() => Object.keys(TessalyCatalogue.packages).filter((id) => {
    const p = TessalyCatalogue.packages[id];
    return !(typeof p.name === "string" && /^\d[\d.]*$/.test(p.version) && /^\d{4}-\d{2}-\d{2}$/.test(p.date) &&
      p.size > 1048576 && /^https:\/\/[a-z0-9.-]+\/\S+\.exe$/.test(p.url));
  }));
  assert.deepEqual(complete, [], "every package has a name, version, date, size and vendor address");
});

test("rules: order, ranges, lists, whole vendors and broken entries", async () => {
  const got = await page.evaluate(() => {
    const cat = {
      base: "http://127.0.0.1:18080/",
      packages: {
        a: { name: "A", url: "/drivers/a.exe" }, b: { name: "B", url: "https://x/b.exe" },
        c: { name: "C", url: "" }, whole: { name: "W", url: "https://x/w.exe" },
      },
      rules: [
        null,
        { vendor: "10DE", devices: ["1000 - 10FF", "2000"], package: "a" },
        { vendor: "10de", devices: ["1050"], package: "b" },
        { vendor: "10de", devices: ["zz-10", "3000-2000", 17], package: "b" },
        { vendor: "10de", devices: ["4000"], package: "c" },
        { vendor: "10de", devices: ["4000"], package: "missing" },
        { vendor: "1002", package: "whole" },
      ],
    };
    const m = (hardid, desc) => Tessaly.drivers.match(cat, { hardid, desc: desc || "" });
    return {
      picks: [m("PCI\\VEN_10DE&DEV_1050"), m("PCI\\VEN_10DE&DEV_10ff"), m("PCI\\VEN_10DE&DEV_2000"),
        m("PCI\\VEN_10DE&DEV_2500"), m("PCI\\VEN_10DE&DEV_4000"), m("PCI\\VEN_10DE&DEV_0017"),
        m("PCI\\VEN_1002&DEV_1234"), m("", "AMD Radeon")].map((r) => r.packageId),
      urls: ["a", "b"].map((id) => Tessaly.drivers.downloadUrl(cat, cat.packages[id])),
      names: [{ name: "NVIDIA GeForce Game Ready Driver", version: "552.22" }, { name: "中文 驱动" }, null]
        .map(Tessaly.drivers.fallbackName),
      nothing: Tessaly.drivers.match(undefined, { hardid: "PCI\\VEN_10DE&DEV_1050", desc: "" }).packageId,
    };
  });
  assert.deepEqual(got.picks, ["a", "a", "a", "", "", "", "whole", "whole"]);
  assert.deepEqual(got.urls, ["http://127.0.0.1:18080/drivers/a.exe", "https://x/b.exe"]);
  assert.deepEqual(got.names, ["NVIDIA-GeForce-Game-Ready-Driver-552.22", "driver", "driver"]);
  assert.equal(got.nothing, "");
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
});
