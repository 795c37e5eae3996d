// A double of the native bridge, installed before the page's own scripts.
// Every bound function records its call and answers from window.__bridge.answers
// (a value, or a function of the arguments). Names listed in config.missing
// are not bound at all, as on a program built without that part.
(function (config) {
  var names = ["eMsg", "graphicsList", "downDir", "selectDir", "isLogin", "Down", "countryID",
    "click", "mousedown", "mousemove", "mouserelease", "mousehover", "mouseenter", "mouseleave",
    "appType", "installedDrivers", "openVendorPage", "hasService"];
  var defaults = {
    eMsg: true,
    graphicsList: "[\n]\n",
    downDir: function (folder) { return folder === undefined ? "/home/user/Documents/驱动" : true; },
    selectDir: "",
    isLogin: false,
    Down: 0,
    countryID: 44,
    click: true,
    mousedown: true,
    mousemove: true,
    mouserelease: true,
    mousehover: true,
    mouseenter: true,
    mouseleave: true,
    appType: "graphics",
    installedDrivers: "[\n]\n",
    openVendorPage: true,
    hasService: true,
  };
  var bridge = {
    calls: [],
    answers: Object.assign({}, defaults, config.answers || {}),
    // What the page's own functions were when "loadedjs" arrived.
    pageFunctionsAtLoad: null,
    callsTo: function (name) {
      return bridge.calls.filter(function (c) { return c.name === name; }).map(function (c) { return c.args; });
    },
  };
  window.__bridge = bridge;
  names.forEach(function (name) {
    if ((config.missing || []).indexOf(name) >= 0) return;
    window[name] = function () {
      var args = Array.prototype.slice.call(arguments);
      bridge.calls.push({ name: name, args: args });
      if (name === "eMsg" && args[0] === "loadedjs") {
        bridge.pageFunctionsAtLoad = (config.pageFunctions || []).filter(function (f) {
          return typeof window[f] === "function";
        });
      }
      var answer = bridge.answers[name];
      if (typeof answer === "function") return answer.apply(null, args);
      if (answer && typeof answer === "object" && answer.byMessage) return answer.byMessage[args[0]];
      return answer;
    };
  });
})
