// Installed into every frame whenever its window object is made. Defines the
// bound native functions and carries values to and from native code with
// their kinds, so undefined, null, numbers, booleans and strings stay apart.
(function (bridge) {
    'use strict';
    if (!bridge)
        return;

    // Objects passed to a running native call, by id, so native code can
    // hand them back or call them while the call runs.
    var refs = {};
    var nextRef = 1;

    function kindOf(v) {
        if (v === undefined)
            return 'u';
        if (v === null)
            return 'l';
        switch (typeof v) {
        case 'string':
            return 's';
        case 'number':
            return 'n';
        case 'boolean':
            return 'b';
        case 'function':
            return 'f';
        default:
            return Array.isArray(v) ? 'a' : 'o';
        }
    }

    function textOf(v) {
        try {
            return String(v);
        } catch (e) {
            return '';
        }
    }

    function pack(list, keep) {
        var out = { kinds: '', texts: [], numbers: [], made: [] };
        for (var i = 0; i < list.length; ++i) {
            var v = list[i];
            var k = kindOf(v);
            var n = 0;
            if (k === 'n') {
                n = v;
            } else if (k === 'b') {
                n = v ? 1 : 0;
            } else if (keep && (k === 'o' || k === 'a' || k === 'f')) {
                n = nextRef++;
                refs[n] = v;
                out.made.push(n);
            }
            out.kinds += k;
            out.texts.push(k === 's' ? v : textOf(v));
            out.numbers.push(n);
        }
        return out;
    }

    function unpack(kind, text, number) {
        switch (kind) {
        case 's':
            return String(text);
        case 'n':
            return Number(number);
        case 'b':
            return !!number;
        case 'l':
            return null;
        case 'r':
            return refs[number];
        default:
            return undefined;
        }
    }

    function invoke(name, args) {
        var p = pack(args, true);
        try {
            var r = bridge.invoke(name, p.kinds, p.texts, p.numbers);
            return unpack(r[0], r[1], r[2]);
        } finally {
            for (var i = 0; i < p.made.length; ++i)
                delete refs[p.made[i]];
        }
    }

    function bindAll() {
        var names = bridge.names();
        names.forEach(function (name) {
            window[name] = function () {
                return invoke(name, arguments);
            };
        });
    }

    // Carries out the request native code has put on the bridge. A page
    // function that throws leaves the answer undefined; the error is logged
    // like any uncaught one.
    function serve() {
        var req = bridge.request();
        if (!req || req.length < 6)
            return;
        var op = req[0];
        var target = op === 'callRef' ? refs[req[2]] : window[req[1]];
        var result;
        if (op === 'get') {
            result = target;
        } else if (typeof target === 'function') {
            var args = [];
            for (var i = 0; i < req[3].length; ++i)
                args.push(unpack(req[3].charAt(i), req[4][i], req[5][i]));
            try {
                result = target.apply(window, args);
            } catch (e) {
                var where = e instanceof Object ? e : {};
                bridge.scriptError(textOf(e), String(where.sourceURL || ''), Number(where.line) || 0);
            }
        }
        var p = pack([result], false);
        bridge.answer(p.kinds, p.texts[0], p.numbers[0]);
    }

    Object.defineProperty(window, '__tessalyWke', {
        value: { serve: serve, bindAll: bindAll },
        configurable: true
    });
    bindAll();
})(window.__tessalyBridge);
