// The start page against the bridge double: what it shows for each answer of
// the native side, and what it asks of it.
"use strict";

const { test, before, after } = require("node:test");
const assert = require("node:assert/strict");
const { launch, openPage, calls, HTML_DIR } = require("./harness");
const { readProtocol } = require("./cpp-protocol");
const fs = require("node:fs");
const path = require("node:path");
const vm = require("node:vm");

const SAMPLE_ADAPTERS = JSON.stringify([
  { desc: "Intel Corporation CoffeeLake-S GT2 [UHD Graphics 630]", hardid: "PCI\\VEN_8086&DEV_3E92&SUBSYS_86941043&REV_00" },
  { desc: "NVIDIA Corporation GP107 [GeForce GTX 1050 Ti]", hardid: "PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1" },
  { desc: "Matrox G200eR2", hardid: "PCI\\VEN_102B&DEV_0534" },
], null, 4);

const REPORT = JSON.stringify({
  audioCard: "HDA Intel PCH", baseboard: "ASUSTeK COMPUTER INC. PRIME B365M-A", bit: 64,
  cpu: "Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz", diskDrive: "Samsung SSD 970 EVO Plus 500GB",
  host: "DESKTOP-TESSALY", monitor: "unknown", physicalMemory: "8GB(Kingston 2666MHz)单通道内存",
  system: "", videoController: "NVIDIA Corporation GP107 [GeForce GTX 1050 Ti]",
}, null, 4);

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

async function open(config) {
  const page = await openPage(browser, config);
  await page.waitForSelector(".card, .empty");
  return page;
}

const text = (page, selector) => page.locator(selector).innerText();
const card = (page, n) => page.locator(`.card[data-index="${n}"]`);

test("start-up: page functions exist before loadedjs, which is sent once", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  const bridge = await page.evaluate(() => window.__bridge.pageFunctionsAtLoad);
  assert.deepEqual(bridge, readProtocol().groups.PageFunction.map((entry) => entry[1]));
  assert.equal((await calls(page, "eMsg")).filter((a) => a[0] === "loadedjs").length, 1);
  assert.deepEqual(await calls(page, "countryID"), [[]]);
  assert.deepEqual(page.errors, []);
});

test("adapters are listed with their drivers; unknown ones offer support", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  assert.equal(await text(page, "#adapterSummary"), "检测到 3 块显卡");
  assert.equal(await page.locator(".card").count(), 3);
  assert.match(await card(page, 0).innerText(), /UHD Graphics 630[\s\S]*Intel 7th-10th Gen[\s\S]*31\.0\.101\.2145[\s\S]*2026-09[\s\S]*Windows 10\/11/);
  assert.match(await card(page, 1).innerText(), /GTX 1050 Ti[\s\S]*R580[\s\S]*582\.66[\s\S]*870 MB/);
  assert.equal(await card(page, 1).getAttribute("data-vendor"), "nvidia");
  assert.equal(await card(page, 2).getAttribute("data-kind"), "unknown");
  assert.match(await card(page, 2).innerText(), /没有这块显卡的已知驱动/);
  assert.equal(await card(page, 2).locator("button.btn").count(), 0, "no support button before the settings arrive");
  await page.evaluate(() => notifySettingByCpp(true, true, true, "graphics"));
  await card(page, 2).locator("button.btn").click();
  assert.deepEqual((await calls(page, "eMsg")).pop(), ["service"]);
  assert.deepEqual(await calls(page, "installedDrivers"), [[]], "asked once per scan");
});

test("a download runs, shows progress and speed, and ends with open folder", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  await page.clock.install({ time: 0 });
  await page.clock.pauseAt(10000);
  await card(page, 1).locator("button.download").click();
  const down = await calls(page, "Down");
  assert.deepEqual(down, [["https://us.download.nvidia.com/Windows/582.66/582.66-desktop-win10-win11-64bit-international-dch-whql.exe",
    "912109016", "582.66", "NVIDIA-GeForce-Driver-R580-582.66"]]);
  assert.match(await card(page, 1).innerText(), /正在连接下载服务器/);
  assert.equal(await card(page, 0).locator("button.download").isDisabled(), true, "one download at a time");
  assert.equal(await page.locator("#rescanBtn").isDisabled(), true);

  const total = 200 * 1048576;
  assert.equal(await page.evaluate((t) => progressCbkByCpp(0, t), total), true);
  await page.clock.runFor(2000);
  assert.equal(await page.evaluate((t) => progressCbkByCpp(50 * 1048576, t), total), true);
  await page.clock.runFor(300);
  const progress = await card(page, 1).locator(".progress").innerText();
  assert.match(progress, /25%/);
  assert.match(progress, /50 MB \/ 200 MB/);
  assert.match(progress, /25 MB\/s/);
  assert.match(progress, /剩余 6 秒/);
  assert.equal(await card(page, 1).locator(".bar .fill").evaluate((n) => n.style.width), "25%");

  await page.evaluate(() => finishCbkByCpp(0, "/home/user/Documents/驱动/582.66-desktop.exe", ""));
  const done = await card(page, 1).innerText();
  assert.match(done, /下载完成/);
  assert.match(done, /582\.66-desktop\.exe/);
  assert.equal(await card(page, 0).locator("button.download").isDisabled(), false);
  await card(page, 1).locator("button.open-folder").click();
  assert.deepEqual((await calls(page, "eMsg")).pop(), ["saveFolder"]);
  assert.equal(await page.locator("#toast").isHidden(), true);

  // A package whose size the catalogue does not know passes "" as the size.
  await card(page, 0).locator("button.download").click();
  assert.deepEqual((await calls(page, "Down")).pop(), ["https://downloadmirror.intel.com/929187/gfx_win_101.2145.exe", "",
    "31.0.101.2145", "Intel-7th-10th-Gen-Processor-Graphics-Driver-31.0.101.2145"]);
});

const MORE_ADAPTERS = JSON.stringify([
  { desc: "NVIDIA GeForce RTX 5090 Laptop GPU", hardid: "PCI\\VEN_10DE&DEV_2C58&SUBSYS_13A11043&REV_A1" },
  { desc: "NVIDIA GeForce GTX 480", hardid: "PCI\\VEN_10DE&DEV_06C0&SUBSYS_14801462&REV_A3" },
  { desc: "AMD Radeon RX 9070 XT", hardid: "PCI\\VEN_1002&DEV_7550&SUBSYS_24261DA2&REV_C0" },
  { desc: "Intel(R) HD Graphics 530", hardid: "PCI\\VEN_8086&DEV_1912&SUBSYS_86941043&REV_06" },
  { desc: "NVIDIA Quadro P400", hardid: "PCI\\VEN_10DE&DEV_1CB3&SUBSYS_11BE10DE&REV_A1" },
  { desc: "NVIDIA Graphics Device", hardid: "PCI\\VEN_10DE&DEV_2FFF&SUBSYS_00000000&REV_A1" },
]);

test("each kind of answer on its card: notebook, dropped, unconfirmed, end of life, professional, unknown", async () => {
  const page = await open({ answers: { graphicsList: MORE_ADAPTERS } });
  const kinds = await page.locator(".card").evaluateAll((cards) => cards.map((c) => c.getAttribute("data-kind")));
  assert.deepEqual(kinds, ["package", "dropped", "package", "package", "professional", "unknown"]);
  assert.match(await card(page, 0).innerText(), /notebooks[\s\S]*610\.88[\s\S]*笔记本版/);
  assert.equal(await card(page, 0).locator(".unconfirmed").count(), 0, "a confirmed address needs no warning");
  const fermi = await card(page, 1).innerText();
  assert.match(fermi, /厂商已不再为这块显卡提供驱动[\s\S]*最后一版：391\.35[\s\S]*2018-03[\s\S]*https:\/\/www\.nvidia\.com\/en-us\/drivers\//);
  assert.equal(await card(page, 1).locator("button.download").count(), 0);
  assert.match(await card(page, 2).locator(".unconfirmed").innerText(),
    /下载地址尚未经厂商确认[\s\S]*https:\/\/www\.amd\.com\/en\/support\/download\/drivers\.html/);
  assert.equal(await card(page, 2).locator("button.download").count(), 1, "still downloadable beside the warning");
  assert.match(await card(page, 3).locator(".eol").innerText(), /厂商已停止更新这一驱动/);
  assert.match(await card(page, 4).innerText(), /专业显卡[\s\S]*厂商专业版驱动页面/);
  assert.match(await card(page, 5).innerText(), /没有这块显卡的已知驱动[\s\S]*可在厂商网站查找：[\s\S]*nvidia\.com/);
  assert.deepEqual(page.errors, []);
});

test("a vendor page opens through the program, and says so when it cannot", async () => {
  const page = await open({ answers: { graphicsList: MORE_ADAPTERS, openVendorPage: false } });
  await card(page, 5).locator("a.address").click();
  assert.deepEqual(await calls(page, "openVendorPage"), [["https://www.nvidia.com/en-us/drivers/"]]);
  assert.match(await text(page, "#toast"), /无法打开网页，请在浏览器中打开：https:\/\/www\.nvidia\.com/);
  assert.deepEqual(page.errors, []);
});

test("the explanation is one line that opens to the family, the branch and the matched id", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  assert.match(await card(page, 1).locator(".why-summary").innerText(), /^Pascal \(GP107\)\s+·\s+NVIDIA R580 分支$/);
  assert.equal(await card(page, 1).locator(".why-detail").count(), 0, "closed at first");
  await card(page, 1).locator(".why-toggle").click();
  const detail = await card(page, 1).locator(".why-detail").innerText();
  assert.match(detail, /Pascal 架构：NVIDIA 于 2026 年将 GeForce 10 系列移到 R580 分支。/);
  assert.match(detail, /匹配的硬件 ID：VEN_10DE&DEV_1C82/);
  assert.equal(await card(page, 0).locator(".why-detail").count(), 0, "only that card opens");
  assert.match(await card(page, 2).locator(".why-summary").innerText(), /驱动目录中没有这个设备/);
  await card(page, 2).locator(".why-toggle").click();
  assert.match(await card(page, 2).locator(".why-detail").innerText(), /PCI ID 列表 2026\.08\.22/);
  // A download re-renders the cards; what is open stays open.
  await card(page, 1).locator("button.download").click();
  assert.equal(await card(page, 1).locator(".why-detail").count(), 1);
  await card(page, 1).locator(".why-toggle").click();
  assert.equal(await card(page, 1).locator(".why-detail").count(), 0);

  await page.evaluate(() => setCountry(1));
  await card(page, 1).locator(".why-toggle").click();
  assert.match(await card(page, 1).locator(".why-summary").innerText(), /^Pascal \(GP107\)\s+·\s+NVIDIA R580 branch$/);
  assert.match(await card(page, 1).locator(".why-detail").innerText(), /Pascal: NVIDIA moved GeForce 10 to the R580 branch in 2026\./);
});

test("the driver in use is shown beside the recommendation", async () => {
  const installed = JSON.stringify([
    // In another order than graphicsList: matched by hardware id.
    { hardid: "PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1", platform: "windows", provider: "NVIDIA",
      version: "32.0.15.6188", date: "2024-09-20", driver: "" },
    { hardid: "PCI\\VEN_8086&DEV_3E92&SUBSYS_86941043&REV_00", platform: "windows", provider: "Intel Corporation",
      version: "31.0.101.2145", date: "2026-09-01", driver: "" },
  ]);
  let page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS, installedDrivers: installed } });
  assert.match(await card(page, 1).locator(".installed").innerText(), /当前驱动\s*NVIDIA 561\.88（2024-09-20）\s*可更新：561\.88 → 582\.66/);
  assert.equal(await card(page, 1).locator(".installed").getAttribute("data-state"), "update");
  assert.match(await card(page, 0).locator(".installed").innerText(), /Intel Corporation 31\.0\.101\.2145[\s\S]*已是最新/);
  assert.equal(await card(page, 2).locator(".installed").count(), 0, "no entry, no line");

  const linux = JSON.stringify([
    { hardid: "PCI\\VEN_8086&DEV_3E92&SUBSYS_86941043&REV_00", platform: "linux", driver: "i915", version: "", date: "" },
    { hardid: "PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1", platform: "linux", driver: "nvidia", version: "550.54.14", date: "" },
    { hardid: "PCI\\VEN_102B&DEV_0534", platform: "linux", driver: "", version: "", date: "" },
  ]);
  page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS, installedDrivers: linux, countryID: 1 } });
  const nvidia = await card(page, 1).locator(".installed").innerText();
  assert.match(nvidia, /Installed\s*Linux kernel driver nvidia 550\.54\.14\s*not compared with the Windows package/);
  assert.doesNotMatch(nvidia, /update available/, "a Linux driver is never called outdated");
  assert.match(await card(page, 0).locator(".installed").innerText(), /Linux kernel driver i915/);
  assert.match(await card(page, 2).locator(".installed").innerText(), /No driver in use/);

  const unread = JSON.stringify([{ hardid: "PCI\\VEN_8086&DEV_3E92&SUBSYS_86941043&REV_00", platform: "", driver: "",
    provider: "", version: "", date: "" }]);
  for (const answer of [undefined, "not json", "{}", unread]) {
    const config = { answers: { graphicsList: SAMPLE_ADAPTERS } };
    if (answer === undefined) config.missing = ["installedDrivers"];
    else config.answers.installedDrivers = answer;
    page = await open(config);
    assert.equal(await page.locator(".installed").count(), 0, String(answer));
    assert.equal(await page.locator(".card").count(), 3);
    assert.deepEqual(page.errors, []);
  }
});

test("open folder refused by the system says so", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS, eMsg: { byMessage: { saveFolder: false, loadedjs: true } } } });
  await page.locator("#openFolderBtn").click();
  assert.match(await text(page, "#toast"), /无法打开文件夹.*\/home\/user\/Documents\/驱动/);
});

test("cancel answers false to the next progress report, then shows cancelled", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  await card(page, 0).locator("button.download").click();
  assert.equal(await page.evaluate(() => progressCbkByCpp(1000, 5000)), true);
  await card(page, 0).locator("button.cancel").click();
  await page.waitForFunction(() => /正在取消/.test(document.querySelector('.card[data-index="0"]').innerText));
  assert.equal(await page.evaluate(() => progressCbkByCpp(2000, 5000)), false);
  assert.equal(await page.evaluate(() => progressCbkByCpp(3000, 5000)), false);
  await page.evaluate(() => finishCbkByCpp(1, "", "用户取消了下载"));
  assert.match(await card(page, 0).innerText(), /已取消下载，未保存的部分已删除/);
  assert.equal(await card(page, 0).locator("button.download").innerText(), "下载");
});

test("unknown total shows received bytes and a moving bar", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  await card(page, 0).locator("button.download").click();
  await page.evaluate(() => { progressCbkByCpp(0, -1); progressCbkByCpp(3 * 1048576, -1); });
  await page.waitForFunction(() => /3 MB/.test(document.querySelector('.card[data-index="0"] .progress').innerText));
  assert.equal(await card(page, 0).locator(".bar.indeterminate").count(), 1);
  assert.match(await card(page, 0).locator(".progress").innerText(), /3 MB/);
  assert.doesNotMatch(await card(page, 0).locator(".progress").innerText(), /%/);
});

const START_CASES = [
  [1, /文件已经下载过了，已为您打开所在文件夹/],
  [2, /无法在保存文件夹中创建文件/],
  [3, /下载请求无效/],
  [undefined, /本机暂时无法下载/],
];
for (const [result, message] of START_CASES) {
  test(`start result ${result} gets its own message`, async () => {
    const config = { answers: { graphicsList: SAMPLE_ADAPTERS } };
    if (result === undefined) config.missing = ["Down"];
    else config.answers.Down = result;
    const page = await open(config);
    await card(page, 1).locator("button.download").click();
    assert.match(await card(page, 1).innerText(), message);
    assert.equal(await card(page, 0).locator("button.download").isDisabled(), false, "nothing is running");
    assert.equal(await page.evaluate(() => progressCbkByCpp(1, 2)), false);
  });
}

// [finish code, message, start result of a redirect's successor, what the card says, button]
const FINISH_CASES = [
  [2, "下载过程发生了错误", null, /下载失败：网络或服务器出错/, "重试"],
  [2, "下载过程发生了错误,错误值:1", 1, /文件已经下载过了/, "重试"],
  [2, "下载过程发生了错误,错误值:2", 2, /无法在保存文件夹中创建文件/, "重试"],
  [1, "用户取消了下载", null, /已取消下载/, "下载"],
];
for (const [code, message, redirect, shown, button] of FINISH_CASES) {
  test(`finish code ${code} "${message}"`, async () => {
    const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
    await card(page, 1).locator("button.download").click();
    await page.evaluate(([c, m, r]) => {
      if (r !== null) redirectFailedByCpp(r);
      finishCbkByCpp(c, "", m);
    }, [code, message, redirect]);
    assert.match(await card(page, 1).innerText(), shown);
    assert.equal(await card(page, 1).locator("button.download").innerText(), button);
  });
}

// The catalogue as shipped, NVIDIA's entry with the given expected signer
// (none: without one).
function catalogueWithSigner(signer) {
  const window = {};
  vm.runInNewContext(fs.readFileSync(path.join(HTML_DIR, "data/catalogue.js"), "utf8"), { window });
  const catalogue = JSON.parse(JSON.stringify(window.TessalyCatalogue));
  if (signer === undefined) delete catalogue.vendors["10de"].signer;
  else catalogue.vendors["10de"].signer = signer;
  return catalogue;
}

// [verdict, signer, what the card says, its tone]
const PUBLISHER_CASES = [
  ["signed", "NVIDIA Corporation", /由 NVIDIA Corporation 签名/, "success"],
  ["signed", "Evil Ltd", /签名者是 Evil Ltd，不是 NVIDIA Corporation/, "warn"],
  ["untrusted", "NVIDIA Corporation", /签名证书不受信任（NVIDIA Corporation）/, "warn"],
  ["broken", "", /数字签名已损坏/, "error"],
  ["unsigned", "", /没有数字签名/, "warn"],
  ["unchecked", "", /未能检查/, "info"],
];
for (const [verdict, signer, shown, tone] of PUBLISHER_CASES) {
  test(`a finished download's publisher: ${verdict} ${signer}`, async () => {
    const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS },
      catalogue: catalogueWithSigner("NVIDIA Corporation") });
    await card(page, 1).locator("button.download").click();
    await page.evaluate(() => finishCbkByCpp(0, "/d/552.22.exe", ""));
    assert.match(await card(page, 1).locator(".note.signature").innerText(), /正在核对安装程序的发布者/);
    // A report about another file changes nothing.
    await page.evaluate(() => publisherCbkByCpp("/d/other.exe", "broken", ""));
    assert.match(await card(page, 1).locator(".note.signature").innerText(), /正在核对/);
    assert.equal(await page.evaluate(([v, s]) => publisherCbkByCpp("/d/552.22.exe", v, s), [verdict, signer]), true);
    const note = card(page, 1).locator(".note.signature");
    assert.match(await note.innerText(), shown);
    assert.match(await note.getAttribute("class"), new RegExp(`\\b${tone}\\b`));
    assert.deepEqual(page.errors, []);
  });
}

test("without an expected signer in the catalogue, any trusted signer is named", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS }, catalogue: catalogueWithSigner() });
  await card(page, 1).locator("button.download").click();
  await page.evaluate(() => { finishCbkByCpp(0, "/d/552.22.exe", ""); publisherCbkByCpp("/d/552.22.exe", "signed", "Someone Else"); });
  assert.match(await card(page, 1).locator(".note.signature.success").innerText(), /由 Someone Else 签名/);
});

test("an empty adapter list says so and still offers the inventory", async () => {
  const page = await open({ answers: { graphicsList: "[\n]\n" } });
  assert.match(await text(page, ".empty"), /没有检测到 NVIDIA、Intel 或 AMD 显卡/);
  await page.locator("#emptyInventoryBtn").click();
  assert.equal(await page.locator("#view-inventory").isVisible(), true);
  assert.deepEqual((await calls(page, "eMsg")).pop(), ["scan"]);
  assert.match(await text(page, "#inventoryStatus"), /正在检测硬件信息/);
});

test("no scan at all (native part missing) is told apart from an empty list", async () => {
  const page = await open({ missing: ["graphicsList"] });
  assert.match(await text(page, ".empty"), /暂时无法检测显卡/);
  assert.equal(await page.locator("#emptyInventoryBtn").isVisible(), true);
});

test("inventory fills from the report, refreshes, and reads unknowns plainly", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  await page.locator('.tab[data-view="inventory"]').click();
  assert.equal((await calls(page, "eMsg")).filter((a) => a[0] === "scan").length, 1);
  assert.equal(await page.locator("#refreshBtn").isDisabled(), true);
  await page.evaluate((r) => scanCbkByCpp(r), REPORT);
  assert.equal(await page.locator(".tile").count(), 11);
  const value = (key) => page.locator(`.tile[data-key="${key}"] .tile-value`).innerText();
  assert.equal(await value("host"), "DESKTOP-TESSALY");
  assert.equal(await value("bit"), "64 位");
  assert.equal(await value("cpu"), "Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz");
  assert.equal(await value("monitor"), "未知");
  assert.equal(await value("system"), "未知");
  assert.equal(await value("networkAdapter"), "未知", "left out when every adapter is virtual");
  assert.equal(await page.locator("#inventoryStatus").isHidden(), true);

  // Switching views does not scan again; refresh does, and keeps the old
  // report on screen meanwhile.
  await page.locator('.tab[data-view="drivers"]').click();
  await page.locator('.tab[data-view="inventory"]').click();
  assert.equal((await calls(page, "eMsg")).filter((a) => a[0] === "scan").length, 1);
  await page.locator("#refreshBtn").click();
  assert.equal((await calls(page, "eMsg")).filter((a) => a[0] === "scan").length, 2);
  assert.equal(await page.locator(".tile").count(), 11);
  await page.evaluate(() => scanCbkByCpp("garbage"));
  assert.equal(await value("host"), "DESKTOP-TESSALY");
  assert.equal(await page.locator("#refreshBtn").isDisabled(), false);
});

test("inventory: a report that cannot be read, and a scan that cannot start", async () => {
  let page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  await page.locator('.tab[data-view="inventory"]').click();
  await page.evaluate(() => scanCbkByCpp("{not json"));
  assert.match(await text(page, "#inventoryStatus"), /硬件信息读取失败/);

  page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS, eMsg: { byMessage: { loadedjs: true } } } });
  await page.locator('.tab[data-view="inventory"]').click();
  assert.match(await text(page, "#inventoryStatus"), /暂时无法检测硬件信息/);
});

test("sign-in state and the account button", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  assert.equal(await text(page, "#userName"), "登录");
  assert.equal(await page.evaluate(() => userLoginByCpp(true, "小明同学")), true);
  assert.equal(await text(page, "#userName"), "小明同学");
  await page.evaluate(() => userLoginByCpp(true, ""));
  assert.equal(await text(page, "#userName"), "已登录");
  await page.evaluate(() => userLoginByCpp(false, "小明同学"));
  assert.equal(await text(page, "#userName"), "登录");

  await page.locator("#usericonBtn").hover();
  const enter = (await calls(page, "mouseenter")).pop();
  assert.equal(enter[0], "usericonBtn");
  assert.equal(enter.length, 5);
  assert.ok(enter.slice(1).every((n) => Number.isInteger(n)) && enter[3] > 0 && enter[4] === 40);
  await page.locator("#usericonBtn").click();
  await page.locator("#minimizeBtn").click();
  await page.locator("#closeBtn").click();
  assert.deepEqual(await calls(page, "click"), [["usericonBtn"], ["minimizeBtn"], ["closeBtn"]]);
});

test("without a service there is no sign-in entry", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS, hasService: false } });
  assert.equal(await page.locator("#usericonBtn").isHidden(), true);
});

test("a newer catalogue re-renders the cards and says where it came from; one the pages cannot read is not used", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  assert.equal(await text(page, "#catalogueInfo"), "驱动目录 2026-09 · 程序内置");
  const offer = (edit, on) => page.evaluate(([source, day]) => {
    const c = JSON.parse(JSON.stringify(window.TessalyCatalogue));
    new Function("c", source)(c);
    return catalogueByCpp(typeof c.broken === "string" ? c.broken : JSON.stringify(c), day);
  }, [edit, on]);
  assert.equal(await offer(`c.date = "2026-11-20"; c.branches["nvidia-r580"].package.version = "582.97";`, "2026-12-08"), true);
  assert.match(await card(page, 1).innerText(), /582\.97/);
  assert.equal(await text(page, "#catalogueInfo"), "驱动目录 2026-11-20 · 2026-12-08 从服务更新");
  for (const edit of [`c.format = 3; c.branches["nvidia-r580"].package.version = "1.0";`, `c.broken = "{";`])
    assert.equal(await offer(edit, "2026-12-09"), false, edit);
  assert.match(await card(page, 1).innerText(), /582\.97/);
  assert.deepEqual(page.errors, []);
});

test("the title bar drags the window from press to release only", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  await page.mouse.move(300, 300);
  await page.mouse.down();
  await page.mouse.up();
  await page.mouse.move(300, 20);
  await page.mouse.down();
  await page.mouse.move(320, 25);
  await page.mouse.up();
  await page.mouse.move(340, 30);
  assert.deepEqual(await calls(page, "mousedown"), [["titleBar", 300, 20]]);
  assert.deepEqual(await calls(page, "mousemove"), [["titleBar", 320, 25]]);
  assert.deepEqual(await calls(page, "mouserelease"), [["titleBar", 320, 25]]);
});

test("help links follow the settings", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  for (const id of ["#serviceLink", "#manualLink", "#problemsTab"])
    assert.equal(await page.locator(id).isHidden(), true, id);
  assert.equal(await page.evaluate(() => notifySettingByCpp(true, false, true, "graphics")), true);
  assert.equal(await page.locator("#serviceLink").isVisible(), true);
  assert.equal(await page.locator("#manualLink").isHidden(), true);
  await page.locator("#problemsTab").click();
  const faq = await page.locator(".faq-item").allInnerTexts();
  assert.equal(faq.length, 5);
  assert.deepEqual(faq.filter((item) => /faq/.test(item)), [], "a missing text shows its key");
  await page.evaluate(() => notifySettingByCpp(true, true, false, "graphics"));
  assert.equal(await page.locator("#view-drivers").isVisible(), true, "a view that goes away leaves");
  await page.locator("#serviceLink").click();
  await page.locator("#manualLink").click();
  assert.deepEqual((await calls(page, "eMsg")).slice(-2), [["service"], ["tutorial"]]);
});

test("wording follows the country", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS, countryID: 224 } });
  assert.equal(await text(page, "#adapterSummary"), "3 graphics adapters found");
  assert.equal(await text(page, '.tab[data-view="inventory"]'), "Hardware");
  assert.equal(await page.evaluate(() => setCountry(44)), true);
  assert.equal(await text(page, "#adapterSummary"), "检测到 3 块显卡");
  assert.equal(await text(page, "#folderBar .folder-label"), "保存位置");
  await page.evaluate(() => setCountry(1));
  assert.equal(await text(page, "#folderBar .folder-label"), "Save to");
  assert.equal(await page.evaluate(() => document.documentElement.lang), "en");
});

test("save folder: shown, changed, and kept when the chooser is cancelled", async () => {
  const page = await open({
    answers: {
      graphicsList: SAMPLE_ADAPTERS,
      downDir: function (folder) {
        if (folder === undefined) return window.__folder || "/home/user/Documents/驱动";
        if (typeof folder !== "string") return undefined;
        window.__folder = folder;
        return true;
      },
      selectDir: function () {
        var next = window.__nextChoice;
        window.__folder = next;
        return next;
      },
    },
  });
  assert.equal(await text(page, "#folderPath"), "/home/user/Documents/驱动");
  await page.evaluate(() => { window.__nextChoice = "/data/drivers"; });
  await page.locator("#changeFolderBtn").click();
  assert.equal(await text(page, "#folderPath"), "/data/drivers");
  await page.evaluate(() => { window.__nextChoice = ""; });
  await page.locator("#changeFolderBtn").click();
  assert.equal(await text(page, "#folderPath"), "/data/drivers");
  assert.deepEqual((await calls(page, "downDir")).filter((a) => a.length > 0), [["/data/drivers"]]);
  assert.match(await text(page, "#toast"), /保存位置没有更改/);
});

test("save folder unknown when the native side has none", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS }, missing: ["downDir", "selectDir"] });
  assert.equal(await text(page, "#folderPath"), "未能读取保存位置");
  await page.locator("#changeFolderBtn").click();
  assert.equal(await text(page, "#folderPath"), "未能读取保存位置");
  assert.deepEqual(page.errors, []);
});

test("each card keeps how its own last download ended", async () => {
  const page = await open({ answers: { graphicsList: SAMPLE_ADAPTERS } });
  await card(page, 1).locator("button.download").click();
  await page.evaluate(() => finishCbkByCpp(0, "/d/582.66.exe", ""));
  await card(page, 0).locator("button.download").click();
  assert.match(await card(page, 1).innerText(), /下载完成/, "while the other card downloads");
  await page.evaluate(() => finishCbkByCpp(1, "", "用户取消了下载"));
  assert.match(await card(page, 1).innerText(), /下载完成[\s\S]*582\.66\.exe/);
  assert.match(await card(page, 0).innerText(), /已取消下载/);
  await card(page, 1).locator("button.download").click();
  assert.doesNotMatch(await card(page, 1).innerText(), /下载完成/, "a new download replaces the old outcome");
  assert.match(await card(page, 0).innerText(), /已取消下载/);
});
