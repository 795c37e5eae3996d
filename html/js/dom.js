// Building the pages' elements, shared by the views.
"use strict";

var Tessaly = window.Tessaly || (window.Tessaly = {});

Tessaly.dom = (function () {
  function byId(id) {
    return document.getElementById(id);
  }

  // attrs: "text" sets the text, "className" the class, "onclick" and the
  // like add a listener; false, null and undefined leave an attribute out.
  // children: elements or strings, falsy ones skipped.
  function el(tag, attrs, children) {
    var node = document.createElement(tag);
    Object.keys(attrs || {}).forEach(function (name) {
      var value = attrs[name];
      if (value === undefined || value === null || value === false) return;
      if (name === "text") node.textContent = value;
      else if (name === "className") node.className = value;
      else if (name.slice(0, 2) === "on") node.addEventListener(name.slice(2), value);
      else node.setAttribute(name, value === true ? "" : value);
    });
    (children || []).forEach(function (child) {
      if (child) node.appendChild(typeof child === "string" ? document.createTextNode(child) : child);
    });
    return node;
  }

  return { byId: byId, el: el };
})();
