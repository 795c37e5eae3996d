// Numbers as the pages show them: sizes, speeds, durations, dates.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.format = (function () {
  var UNITS = ["B", "KB", "MB", "GB", "TB"];

  function fixed(value, digits) {
    var text = value.toFixed(digits);
    // 12.0 MB reads worse than 12 MB.
    return digits > 0 ? text.replace(/\.0+$/, "") : text;
  }

  // Binary units (1 MB = 1024 KB), as file managers on Windows show them.
  function size(bytes) {
    if (typeof bytes !== "number" || !isFinite(bytes) || bytes < 0) return "";
    var unit = 0;
    var value = bytes;
    while (value >= 1024 && unit < UNITS.length - 1) {
      value /= 1024;
      unit += 1;
    }
    if (unit === 0) return Math.round(value) + " B";
    var digits = value >= 100 ? 0 : 1;
    // 1023.96 KB would round to "1024 KB".
    if (Number(value.toFixed(digits)) >= 1024 && unit < UNITS.length - 1) {
      value /= 1024;
      unit += 1;
      digits = 1;
    }
    return fixed(value, digits) + " " + UNITS[unit];
  }

  function speed(bytesPerSecond) {
    if (typeof bytesPerSecond !== "number" || !isFinite(bytesPerSecond) || bytesPerSecond < 0)
      return "";
    return size(bytesPerSecond) + "/s";
  }

  // "1 分 05 秒" / "1 min 05 s"; words come from the caller's language.
  function duration(seconds, words) {
    if (typeof seconds !== "number" || !isFinite(seconds) || seconds < 0) return "";
    var s = Math.ceil(seconds);
    var h = Math.floor(s / 3600);
    var m = Math.floor((s % 3600) / 60);
    var rest = s % 60;
    function two(n) {
      return n < 10 ? "0" + n : String(n);
    }
    if (h > 0) return h + " " + words.hour + " " + two(m) + " " + words.minute;
    if (m > 0) return m + " " + words.minute + " " + two(rest) + " " + words.second;
    return rest + " " + words.second;
  }

  function percent(received, total) {
    if (!(total > 0) || !(received >= 0)) return 0;
    return Math.max(0, Math.min(100, Math.floor((received * 100) / total)));
  }

  // "2024-04-16" stays as written; anything else is shown as given.
  function date(text) {
    if (typeof text !== "string") return "";
    var m = /^(\d{4})-(\d{2})-(\d{2})$/.exec(text);
    return m ? m[1] + "-" + m[2] + "-" + m[3] : text;
  }

  return { size: size, speed: speed, duration: duration, percent: percent, date: date };
})();
