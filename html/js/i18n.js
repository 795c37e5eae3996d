// The pages' own wording. The native side tells the country (countryID);
// Chinese is shown for China and English everywhere else.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.i18n = (function () {
  var CHINA = Tessaly.Protocol.countryChina;

  var texts = {
    zh: {
      tagline: "显卡驱动助手",
      account: "账号",
      signIn: "登录",
      minimize: "最小化",
      close: "关闭",
      tabDrivers: "显卡驱动",
      tabInventory: "硬件信息",
      tabProblems: "常见问题",
      linkService: "联系客服",
      linkManual: "使用教程",
      adaptersFound: "检测到 {n} 块显卡",
      adaptersHint: "已按型号为每块显卡匹配官方驱动",
      rescan: "重新检测",
      scanning: "正在检测显卡…",
      noAdaptersTitle: "没有检测到 NVIDIA、Intel 或 AMD 显卡",
      noAdaptersText: "这台电脑上没有找到可以匹配驱动的独立或集成显卡。可以查看硬件信息，确认电脑里装的是什么显卡。",
      adaptersUnavailableTitle: "暂时无法检测显卡",
      adaptersUnavailableText: "显卡检测没有返回结果。可以稍后重新检测，或先查看硬件信息。",
      showInventory: "查看硬件信息",
      unknownAdapter: "未知显卡",
      recommended: "推荐驱动",
      version: "版本 {v}",
      noDriverTitle: "暂未收录这块显卡的驱动",
      noDriverText: "可以联系客服，我们帮您找到合适的驱动。",
      download: "下载",
      downloadAgain: "重新下载",
      retry: "重试",
      cancel: "取消",
      cancelling: "正在取消…",
      connecting: "正在连接下载服务器…",
      busy: "请等待当前下载完成",
      progressOf: "{received} / {total}",
      remaining: "剩余 {time}",
      hour: "小时",
      minute: "分",
      second: "秒",
      finished: "下载完成",
      openFolder: "打开文件夹",
      openFolderFailed: "无法打开文件夹，请在文件管理器中打开：{path}",
      cancelled: "已取消下载，未保存的部分已删除",
      failed: "下载失败：网络或服务器出错，请稍后重试",
      failedDetail: "下载失败：{detail}",
      start1: "文件已经下载过了，已为您打开所在文件夹",
      start2: "无法在保存文件夹中创建文件，请检查权限或更换保存文件夹",
      start3: "下载请求无效，请重新打开程序后再试",
      startUnknown: "下载没有开始，请稍后重试",
      downloadUnavailable: "本机暂时无法下载，请稍后重试",
      saveFolder: "保存位置",
      folderUnknown: "未能读取保存位置",
      change: "更改",
      folderUnchanged: "保存位置没有更改",
      inventoryTitle: "本机硬件",
      inventoryHint: "检测结果仅在本机显示",
      refresh: "刷新",
      inventoryScanning: "正在检测硬件信息…",
      inventoryUnavailable: "暂时无法检测硬件信息，请稍后刷新",
      inventoryInvalid: "硬件信息读取失败，请刷新重试",
      inventorySlow: "检测时间比平常长，请稍候…",
      unknownValue: "未知",
      bitValue: "{n} 位",
      host: "计算机名",
      system: "操作系统",
      bit: "系统位数",
      cpu: "处理器",
      baseboard: "主板",
      videoController: "显卡",
      physicalMemory: "内存",
      diskDrive: "硬盘",
      monitor: "显示器",
      audioCard: "声卡",
      networkAdapter: "网卡",
      signedInAs: "{name}",
      signedInDefault: "已登录",
      problemsTitle: "常见问题",
      q1: "下载的驱动在哪里？",
      a1: "驱动安装程序保存在下方显示的保存位置。下载完成后点“打开文件夹”即可找到它，双击运行即可安装。",
      q2: "下载到一半可以停止吗？",
      a2: "可以，点“取消”即可。未下载完的部分会被删除，之后可以重新下载。",
      q3: "为什么没有找到我的显卡？",
      a3: "本工具支持 NVIDIA、Intel 和 AMD 显卡。虚拟机或远程桌面里的显卡无法匹配驱动。",
      q4: "安装驱动前需要卸载旧驱动吗？",
      a4: "一般不需要，官方安装程序会自动升级。安装过程中屏幕闪烁属于正常现象。",
      q5: "如何更改保存位置？",
      a5: "在“显卡驱动”页面底部点“更改”，选择新的文件夹即可。",
    },
    en: {
      tagline: "Graphics driver assistant",
      account: "Account",
      signIn: "Sign in",
      minimize: "Minimise",
      close: "Close",
      tabDrivers: "Drivers",
      tabInventory: "Hardware",
      tabProblems: "FAQ",
      linkService: "Support",
      linkManual: "Guide",
      adaptersFound: "{n} graphics adapters found",
      adaptersFound1: "1 graphics adapter found",
      adaptersHint: "Each adapter is matched with the vendor's official driver",
      rescan: "Scan again",
      scanning: "Looking for graphics adapters…",
      noAdaptersTitle: "No NVIDIA, Intel or AMD graphics adapter found",
      noAdaptersText: "This computer has no graphics adapter we can match a driver to. The hardware list shows which adapter it has.",
      adaptersUnavailableTitle: "Graphics adapters cannot be detected right now",
      adaptersUnavailableText: "The adapter scan gave no answer. Try again later, or look at the hardware list.",
      showInventory: "Show hardware",
      unknownAdapter: "Unknown adapter",
      recommended: "Driver",
      version: "Version {v}",
      noDriverTitle: "No driver for this adapter in our catalogue yet",
      noDriverText: "Contact support and we will help you find the right one.",
      download: "Download",
      downloadAgain: "Download again",
      retry: "Retry",
      cancel: "Cancel",
      cancelling: "Cancelling…",
      connecting: "Connecting to the download server…",
      busy: "Wait for the current download to finish",
      progressOf: "{received} of {total}",
      remaining: "{time} left",
      hour: "h",
      minute: "min",
      second: "s",
      finished: "Download complete",
      openFolder: "Open folder",
      openFolderFailed: "The folder could not be opened; find it at {path}",
      cancelled: "Download cancelled; the partial file was deleted",
      failed: "Download failed: network or server error. Please try again later",
      failedDetail: "Download failed: {detail}",
      start1: "This file was downloaded before; its folder has been opened",
      start2: "The file cannot be created in the save folder. Check its permissions or choose another folder",
      start3: "The download request was not valid. Restart the program and try again",
      startUnknown: "The download did not start. Please try again later",
      downloadUnavailable: "Downloads are not available right now. Please try again later",
      saveFolder: "Save to",
      folderUnknown: "Save folder unknown",
      change: "Change",
      folderUnchanged: "Save folder not changed",
      inventoryTitle: "This computer",
      inventoryHint: "The results stay on this computer",
      refresh: "Refresh",
      inventoryScanning: "Reading the hardware…",
      inventoryUnavailable: "The hardware cannot be read right now; refresh later",
      inventoryInvalid: "The hardware report could not be read; refresh to try again",
      inventorySlow: "This takes longer than usual, please wait…",
      unknownValue: "Unknown",
      bitValue: "{n}-bit",
      host: "Computer name",
      system: "Operating system",
      bit: "System type",
      cpu: "Processor",
      baseboard: "Mainboard",
      videoController: "Graphics",
      physicalMemory: "Memory",
      diskDrive: "Disk",
      monitor: "Monitor",
      audioCard: "Sound",
      networkAdapter: "Network",
      signedInAs: "{name}",
      signedInDefault: "Signed in",
      problemsTitle: "Frequently asked questions",
      q1: "Where is the downloaded driver?",
      a1: "Installers are saved in the save folder shown at the bottom. After the download, “Open folder” shows it; run it to install.",
      q2: "Can I stop a download?",
      a2: "Yes, press “Cancel”. The partial file is deleted and you can download again later.",
      q3: "Why is my graphics adapter missing?",
      a3: "Tessaly supports NVIDIA, Intel and AMD adapters. Adapters of virtual machines or remote desktops have no driver to match.",
      q4: "Do I need to remove the old driver first?",
      a4: "Usually not; the vendor's installer upgrades it. The screen may flicker while it installs.",
      q5: "How do I change the save folder?",
      a5: "Press “Change” at the bottom of the Drivers page and pick a folder.",
    },
  };

  var language = "zh";
  var listeners = [];

  function languageFor(country) {
    return country === CHINA ? "zh" : "en";
  }

  // {name} markers are filled from vars; a missing key shows the key itself
  // so a gap is visible rather than an empty line.
  function t(key, vars) {
    var table = texts[language];
    var text = table[key];
    if (key === "adaptersFound" && vars && vars.n === 1 && table.adaptersFound1)
      text = table.adaptersFound1;
    if (text === undefined) text = texts.zh[key] !== undefined ? texts.zh[key] : key;
    return text.replace(/\{(\w+)\}/g, function (whole, name) {
      return vars && vars[name] !== undefined ? String(vars[name]) : whole;
    });
  }

  function setCountry(country) {
    var next = languageFor(typeof country === "number" ? country : Number(country));
    var changed = next !== language;
    language = next;
    document.documentElement.lang = language === "zh" ? "zh-CN" : "en";
    if (changed) listeners.forEach(function (fn) { fn(language); });
    return language;
  }

  return {
    t: t,
    setCountry: setCountry,
    language: function () { return language; },
    languageFor: languageFor,
    onChange: function (fn) { listeners.push(fn); },
    keys: function (lang) { return Object.keys(texts[lang]); },
  };
})();
