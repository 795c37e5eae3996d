// The native bridge as the pages see it. Every native function may be missing
// (a plain browser, or a program built without that part), and every answer
// may be undefined; callers get undefined then and decide what to show.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.Native = {
  has: function (name) {
    return typeof window[name] === "function";
  },
  call: function (name) {
    if (!Tessaly.Native.has(name)) return undefined;
    var args = Array.prototype.slice.call(arguments, 1);
    try {
      return window[name].apply(window, args);
    } catch (e) {
      return undefined;
    }
  },
};

// The title bar moves the window: the native side follows the pointer's page
// coordinates from press to release.
Tessaly.attachTitleBarDrag = function (titleBar) {
  var Bound = Tessaly.Protocol.bound;
  var name = Tessaly.Protocol.elements.titleBar;
  var dragging = false;
  titleBar.addEventListener("mousedown", function (e) {
    if (e.button !== 0 || e.target.closest("button")) return;
    dragging = true;
    Tessaly.Native.call(Bound.mouseDown, name, e.clientX, e.clientY);
  });
  document.addEventListener("mousemove", function (e) {
    if (dragging) Tessaly.Native.call(Bound.mouseMove, name, e.clientX, e.clientY);
  });
  document.addEventListener("mouseup", function (e) {
    if (!dragging) return;
    dragging = false;
    Tessaly.Native.call(Bound.mouseRelease, name, e.clientX, e.clientY);
  });
};
