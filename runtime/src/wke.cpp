// The C interface of the runtime library. Every function accepts null or
// stale handles and then does nothing (or gives undefined).

#include "hooknetworkmanager.h"
#include "runtime.h"
#include "scriptbridge.h"
#include "webview.h"

#include <wke.h>

#include <QApplication>
#include <QUrl>
#include <QWebFrame>

namespace {

jsValue keep(ScriptValue value)
{
    Runtime &rt = Runtime::instance();
    const jsValue handle = rt.values().make(std::move(value));
    rt.valueMade();
    return handle;
}

QWebFrame *frameOf(jsExecState es)
{
    ExecState *state = Runtime::instance().state(es);
    return state ? state->frame.data() : nullptr;
}

} // namespace

extern "C" {

WKE_API void WKE_CALL wkeInitializeEx(const wkeSettings *settings)
{
    Q_UNUSED(settings)
    Runtime::instance();
}

WKE_API wkeWebView WKE_CALL wkeCreateWebWindow(wkeWindowType type, wkeNativeWindow parent, int x,
                                               int y, int width, int height)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    auto *view = new WebView;
    if (type == WKE_WINDOW_TYPE_CONTROL && parent)
        view->placeIn(parent);
    if (width > 0 && height > 0)
        view->setGeometry(x, y, width, height);
    return view->handle();
}

WKE_API void WKE_CALL wkeShowWindow(wkeWebView webView, bool show)
{
    if (WebView *view = Runtime::instance().view(webView))
        view->setVisible(show);
}

WKE_API wkeNativeWindow WKE_CALL wkeGetWindowHandle(wkeWebView webView)
{
    WebView *view = Runtime::instance().view(webView);
    return view ? wkeNativeWindow(view->winId()) : 0;
}

WKE_API void WKE_CALL wkeLoadURLW(wkeWebView webView, const wchar_t *url)
{
    WebView *view = Runtime::instance().view(webView);
    if (!view || !url)
        return;
    const QString text = QString::fromWCharArray(url);
    const QUrl parsed(text);
    view->load(parsed.scheme().isEmpty() ? QUrl::fromUserInput(text) : parsed);
}

WKE_API void WKE_CALL wkeOnLoadUrlBegin(wkeWebView webView, wkeLoadUrlBeginCallback callback,
                                        void *param)
{
    if (WebView *view = Runtime::instance().view(webView))
        view->setLoadHook(callback, param);
}

WKE_API void WKE_CALL wkeNetSetData(wkeNetJob job, const void *buf, int len)
{
    NetJob *j = Runtime::instance().job(job);
    if (!j)
        return;
    if (!buf || len <= 0)
        j->data.clear();
    else
        j->data = QByteArray(static_cast<const char *>(buf), len);
}

WKE_API void WKE_CALL wkeNetSetMIMEType(wkeNetJob job, const char *type)
{
    if (NetJob *j = Runtime::instance().job(job))
        j->mimeType = type ? QByteArray(type) : QByteArray();
}

WKE_API void WKE_CALL wkeNetHookRequest(wkeNetJob job)
{
    if (NetJob *j = Runtime::instance().job(job))
        j->hooked = true;
}

WKE_API const char *WKE_CALL wkeUtilDecodeURLEscape(const char *url)
{
    return Runtime::instance().decodeUrlEscape(url);
}

WKE_API void WKE_CALL wkeJsBindFunction(const char *name, wkeJsNativeFunction fn, void *param,
                                        unsigned int argCount)
{
    if (!name || !*name || !fn)
        return;
    Runtime &rt = Runtime::instance();
    rt.bind(QString::fromUtf8(name), {fn, param, argCount});
    // Pages already shown get it now; later documents get it as they are made.
    const QSet<WebView *> views = rt.views();
    for (WebView *view : views) {
        QList<QWebFrame *> frames{view->page()->mainFrame()};
        while (!frames.isEmpty()) {
            QWebFrame *frame = frames.takeFirst();
            if (ScriptBridge *bridge = ScriptBridge::of(frame))
                bridge->bindAll();
            frames += frame->childFrames();
        }
    }
}

WKE_API int WKE_CALL jsArgCount(jsExecState es)
{
    ExecState *state = Runtime::instance().state(es);
    return state ? state->args.size() : 0;
}

WKE_API jsType WKE_CALL jsArgType(jsExecState es, int argIdx)
{
    return Runtime::instance().values().type(jsArg(es, argIdx));
}

WKE_API jsValue WKE_CALL jsArg(jsExecState es, int argIdx)
{
    ExecState *state = Runtime::instance().state(es);
    if (!state || argIdx < 0 || argIdx >= state->args.size())
        return ValueStore::undefinedValue();
    return state->args.at(argIdx);
}

WKE_API const char *WKE_CALL jsToTempString(jsExecState es, jsValue v)
{
    Q_UNUSED(es)
    ValueStore &values = Runtime::instance().values();
    return values.tempUtf8(values.toString(v));
}

WKE_API int WKE_CALL jsToInt(jsExecState es, jsValue v)
{
    Q_UNUSED(es)
    return Runtime::instance().values().toInt(v);
}

WKE_API bool WKE_CALL jsToBoolean(jsExecState es, jsValue v)
{
    Q_UNUSED(es)
    return Runtime::instance().values().toBoolean(v);
}

WKE_API jsValue WKE_CALL jsUndefined(void)
{
    return ValueStore::undefinedValue();
}

WKE_API jsValue WKE_CALL jsTrue(void)
{
    return ValueStore::boolValue(true);
}

WKE_API jsValue WKE_CALL jsFalse(void)
{
    return ValueStore::boolValue(false);
}

WKE_API jsValue WKE_CALL jsInt(int n)
{
    return ValueStore::intValue(n);
}

WKE_API jsValue WKE_CALL jsBoolean(bool b)
{
    return ValueStore::boolValue(b);
}

WKE_API jsValue WKE_CALL jsString(jsExecState es, const char *utf8)
{
    Q_UNUSED(es)
    ScriptValue v;
    v.type = JSTYPE_STRING;
    v.text = QString::fromUtf8(utf8 ? utf8 : "");
    return keep(std::move(v));
}

WKE_API jsExecState WKE_CALL wkeGlobalExec(wkeWebView webView)
{
    WebView *view = Runtime::instance().view(webView);
    return view ? reinterpret_cast<jsExecState>(view->globalState()) : nullptr;
}

WKE_API jsValue WKE_CALL jsGetGlobal(jsExecState es, const char *name)
{
    QWebFrame *frame = frameOf(es);
    if (!frame || !name)
        return ValueStore::undefinedValue();
    PageRequest request;
    request.op = QStringLiteral("get");
    request.name = QString::fromUtf8(name);
    ScriptValue found = ScriptBridge::ask(frame, request);
    if (found.type == JSTYPE_FUNCTION) {
        found.frame = frame;
        found.globalName = request.name;
    }
    return keep(std::move(found));
}

WKE_API jsValue WKE_CALL jsCallGlobal(jsExecState es, jsValue func, jsValue *args, int argCount)
{
    Runtime &rt = Runtime::instance();
    const ScriptValue function = rt.values().value(func);
    QWebFrame *frame =
        function.frame ? qobject_cast<QWebFrame *>(function.frame.data()) : frameOf(es);
    if (!frame || function.type != JSTYPE_FUNCTION)
        return ValueStore::undefinedValue();

    PageRequest request;
    if (function.refId > 0) {
        request.op = QStringLiteral("callRef");
        request.refId = function.refId;
    } else {
        request.op = QStringLiteral("call");
        request.name = function.globalName;
    }
    for (int i = 0; args && i < argCount; ++i) {
        const QVariantList encoded = valueToPage(rt.values().value(args[i]), frame);
        request.kinds += encoded.at(0).toString();
        request.texts += encoded.at(1).toString();
        request.numbers += encoded.at(2);
    }
    return keep(ScriptBridge::ask(frame, std::move(request)));
}

} // extern "C"
