"use strict";

function wireWindowButtons() {
  for (const id of ["minimizeBtn", "closeBtn", "usericonBtn"]) {
    document.getElementById(id).addEventListener("click", () => Native.call("click", id));
  }
  const user = document.getElementById("usericonBtn");
  user.addEventListener("mouseenter", (e) => {
    const r = user.getBoundingClientRect();
    Native.call("mouseenter", "usericonBtn", Math.round(r.left), Math.round(r.top),
                Math.round(r.width), Math.round(r.height));
  });
}

// Page functions the native side calls.
window.userLoginByCpp = function (signedIn, nickname) { return true; };
window.notifySettingByCpp = function (contact, manual, problems, product) { return true; };
window.setCountry = function (country) { return true; };

document.addEventListener("DOMContentLoaded", () => {
  attachTitleBarDrag(document.getElementById("titleBar"));
  wireWindowButtons();
  Native.call("eMsg", "loadedjs");
});
