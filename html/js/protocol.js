// The names and numbers the pages share with the native side, written once.
// src/base/pageprotocol.h holds the same list; a test keeps the two in agreement.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.Protocol = Object.freeze({
  // Native functions the pages call, in binding order.
  bound: Object.freeze({
    eMsg: "eMsg",
    graphicsList: "graphicsList",
    downDir: "downDir",
    selectDir: "selectDir",
    isLogin: "isLogin",
    down: "Down",
    countryId: "countryID",
    click: "click",
    mouseDown: "mousedown",
    mouseMove: "mousemove",
    mouseRelease: "mouserelease",
    mouseHover: "mousehover",
    mouseEnter: "mouseenter",
    mouseLeave: "mouseleave",
    appType: "appType",
    // The driver each adapter of graphicsList uses now (JSON text).
    installedDrivers: "installedDrivers",
    openVendorPage: "openVendorPage",
    // Whether there is a web service (false: no sign-in, no links that need it).
    hasService: "hasService",
  }),
  // Page functions the native side calls.
  pageFunctions: Object.freeze({
    userLogin: "userLoginByCpp",
    notifySetting: "notifySettingByCpp",
    scanResult: "scanCbkByCpp",
    setCountry: "setCountry",
    progress: "progressCbkByCpp",
    finish: "finishCbkByCpp",
    redirectFailed: "redirectFailedByCpp",
    publisher: "publisherCbkByCpp",
    // A newer driver catalogue (JSON text) and the day it was taken.
    catalogue: "catalogueByCpp",
    failReason: "failReasonByCpp",
  }),
  // Why a download failed, told just before its failure report.
  failReason: Object.freeze({
    httpStatus: "httpStatus",
    closedEarly: "closedEarly",
    diskFull: "diskFull",
    notWritable: "notWritable",
    proxyAuth: "proxyAuth",
    somethingElse: "somethingElse",
    changed: "changed",
    empty: "empty",
    wrongSize: "wrongSize",
    badRedirect: "badRedirect",
    stalled: "stalled",
    network: "network",
  }),
  // Verdicts of publisherCbkByCpp.
  publisher: Object.freeze({
    signed: "signed",
    untrusted: "untrusted",
    broken: "broken",
    unsigned: "unsigned",
    unchecked: "unchecked",
  }),
  // Messages of eMsg.
  messages: Object.freeze({
    service: "service",
    tutorial: "tutorial",
    scan: "scan",
    saveFolder: "saveFolder",
    loginPage: "loginPage",
    loaded: "loadedjs",
  }),
  // Element names the window acts on.
  elements: Object.freeze({
    titleBar: "titleBar",
    userIcon: "usericonBtn",
    minimize: "minimizeBtn",
    close: "closeBtn",
  }),
  // Answers of Down.
  startResult: Object.freeze({ started: 0, alreadyDownloaded: 1, cannotSave: 2, badArguments: 3 }),
  // Codes of finishCbkByCpp.
  finishCode: Object.freeze({ done: 0, cancelled: 1, failed: 2 }),
  // The driver catalogue format the pages read.
  catalogueFormat: 2,
  // The country number the native side gives for China (Qt's numbering).
  countryChina: 44,
  // The product code of appType and notifySettingByCpp.
  productCode: "graphics",
});
