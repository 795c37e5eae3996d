// Remote control for the end-to-end test, added to a copy of the start page:
// the test writes JavaScript into e2e/cmd-N beside the program; the page runs
// it and logs the result as "E2E-REPLY N <url-encoded JSON>".
(function () {
  var next = 0;
  function read(path) {
    var xhr = new XMLHttpRequest();
    xhr.open("GET", path, false);
    try {
      xhr.send();
    } catch (e) {
      return "";
    }
    return xhr.responseText;
  }
  function poll() {
    var source = read("e2e/cmd-" + next);
    if (!source) {
      setTimeout(poll, 30);
      return;
    }
    var reply;
    try {
      var value = (0, eval)(source);
      reply = { ok: true, value: value === undefined ? null : value };
    } catch (e) {
      reply = { ok: false, error: String(e) };
    }
    console.log("E2E-REPLY " + next + " " + encodeURIComponent(JSON.stringify(reply)));
    next += 1;
    setTimeout(poll, 0);
  }
  document.addEventListener("DOMContentLoaded", function () {
    setTimeout(poll, 0);
  });
})();
