// One driver download as the page follows it. The native side reports
// progress and the end without saying which download they belong to, so the
// page runs one download at a time.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.Download = (function () {
  var StartResult = Tessaly.Protocol.startResult;
  var FinishCode = Tessaly.Protocol.finishCode;
  var TWO_32 = 4294967296;
  var WINDOW_MS = 3000;

  // now: a function giving milliseconds (tests pass their own clock).
  function Download(now) {
    this.now = now || function () { return Date.now(); };
    this.reset();
  }

  Download.prototype.reset = function () {
    this.state = "idle"; // idle running cancelling done cancelled failed
    this.owner = null; // which card started it
    this.received = 0;
    this.total = -1;
    this.rawReceived = 0;
    this.wraps = 0;
    this.samples = [];
    this.path = "";
    this.message = "";
    this.startResult = null;
    this.redirectResult = null;
    this.reason = "";
    this.sizeHint = 0;
  };

  Download.prototype.active = function () {
    return this.state === "running" || this.state === "cancelling";
  };

  // result: the answer of Down (0 started; 1, 2, 3 refused; undefined when
  // the native side has no downloads).
  Download.prototype.started = function (owner, result, sizeHint) {
    this.reset();
    this.owner = owner;
    this.sizeHint = sizeHint > 0 ? sizeHint : 0;
    this.startResult = result;
    if (result === StartResult.started) {
      this.state = "running";
      this.samples.push({ t: this.now(), bytes: 0 });
    } else {
      this.state = "failed";
    }
    return this.state;
  };

  // Counts arrive as the low 32 bits of the real counts, signed; files past
  // 2 GiB would otherwise go negative. The total is -1 while unknown.
  Download.prototype.progress = function (received, total) {
    if (!this.active()) return false;
    var raw = Number(received) >>> 0;
    if (raw < this.rawReceived) this.wraps += 1;
    this.rawReceived = raw;
    this.received = raw + this.wraps * TWO_32;
    var t = Number(total);
    if (t === -1 || isNaN(t)) {
      this.total = -1;
    } else {
      var unsigned = t >>> 0;
      while (this.sizeHint > TWO_32 && unsigned + TWO_32 <= this.sizeHint * 1.5) unsigned += TWO_32;
      this.total = unsigned >= this.received ? unsigned : -1;
    }
    var stamp = this.now();
    this.samples.push({ t: stamp, bytes: this.received });
    while (this.samples.length > 2 && stamp - this.samples[1].t >= WINDOW_MS) this.samples.shift();
    return this.state === "running";
  };

  Download.prototype.cancel = function () {
    if (this.state === "running") this.state = "cancelling";
    return this.state;
  };

  // code: 0 done, 1 cancelled, 2 failed.
  Download.prototype.finished = function (code, path, message) {
    this.path = typeof path === "string" ? path : "";
    this.message = typeof message === "string" ? message : "";
    if (code === FinishCode.done) {
      this.state = "done";
      if (this.total >= 0) this.received = this.total;
    } else if (code === FinishCode.cancelled) {
      this.state = "cancelled";
    } else {
      this.state = "failed";
    }
    return this.state;
  };

  // Bytes per second over the last few seconds; null until there is a fair
  // measure (half a second of data).
  Download.prototype.speed = function () {
    if (this.samples.length < 2) return null;
    var first = this.samples[0];
    var last = this.samples[this.samples.length - 1];
    var dt = last.t - first.t;
    if (dt < 500) return null;
    return ((last.bytes - first.bytes) * 1000) / dt;
  };

  Download.prototype.secondsLeft = function () {
    var speed = this.speed();
    if (!(this.total >= 0) || !speed) return null;
    return Math.max(0, (this.total - this.received) / speed);
  };

  // The native side tells the start result of a redirect's successor that
  // could not start just before it reports the failure.
  Download.prototype.redirectFailed = function (result) {
    if (this.active() && typeof result === "number") this.redirectResult = result;
  };

  // Why the download failed, told just before the failure report.
  Download.prototype.failReason = function (reason) {
    if (this.active() && typeof reason === "string") this.reason = reason;
  };

  // That start result for a failed redirected download; else null.
  Download.prototype.redirectStartResult = function () {
    return this.state === "failed" ? this.redirectResult : null;
  };

  return Download;
})();
