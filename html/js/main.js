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
// The signed-in user's name sits beside the account icon.
window.userLoginByCpp = function (signedIn, nickname) {
  let name = document.getElementById("userName");
  if (!name) {
    name = document.createElement("span");
    name.id = "userName";
    name.className = "user-name";
    const user = document.getElementById("usericonBtn");
    user.parentNode.insertBefore(name, user);
  }
  name.textContent = signedIn ? nickname : "";
  document.getElementById("usericonBtn").title = signedIn ? nickname : "账号";
  return true;
};
window.notifySettingByCpp = function (contact, manual, problems, product) { return true; };
window.setCountry = function (country) { return true; };

document.addEventListener("DOMContentLoaded", () => {
  attachTitleBarDrag(document.getElementById("titleBar"));
  wireWindowButtons();
  Native.call("eMsg", "loadedjs");
});
