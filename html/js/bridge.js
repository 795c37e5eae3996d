// Thin wrappers over the native bridge functions, so the pages still load in a
// plain browser (where the natives are absent) without throwing.
"use strict";

const Native = {
  has(name) { return typeof window[name] === "function"; },
  call(name, ...args) { return Native.has(name) ? window[name](...args) : undefined; },
};

// The title bar moves the window: the native side follows the pointer's page
// coordinates from press to release.
function attachTitleBarDrag(titleBar) {
  let dragging = false;
  titleBar.addEventListener("mousedown", (e) => {
    if (e.button !== 0 || e.target.closest("button")) return;
    dragging = true;
    Native.call("mousedown", "titleBar", e.clientX, e.clientY);
  });
  document.addEventListener("mousemove", (e) => {
    if (dragging) Native.call("mousemove", "titleBar", e.clientX, e.clientY);
  });
  document.addEventListener("mouseup", (e) => {
    if (!dragging) return;
    dragging = false;
    Native.call("mouserelease", "titleBar", e.clientX, e.clientY);
  });
}
