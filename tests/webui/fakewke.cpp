#include "fakewke.h"

#include "webui/wkeapi.h"

#include <QUrl>

namespace {
FakeWke &fake()
{
    return FakeWke::instance();
}

// Opaque handles the double hands out.
wkeWebView fakeView()
{
    return reinterpret_cast<wkeWebView>(0x1000);
}
jsExecState fakeState()
{
    return reinterpret_cast<jsExecState>(0x2000);
}

void WKE_CALL initializeEx(const wkeSettings *) {}
wkeWebView WKE_CALL createWebWindow(wkeWindowType, wkeNativeWindow, int, int, int, int)
{
    ++fake().createdViews;
    return fakeView();
}
void WKE_CALL showWindow(wkeWebView, bool) {}
wkeNativeWindow WKE_CALL getWindowHandle(wkeWebView)
{
    return 0;
}
void WKE_CALL loadUrlW(wkeWebView, const wchar_t *url)
{
    fake().loadedUrls.emplace_back(url);
}
void WKE_CALL onLoadUrlBegin(wkeWebView, wkeLoadUrlBeginCallback cb, void *param)
{
    fake().m_hook = cb;
    fake().m_hookParam = param;
}
void WKE_CALL netSetData(wkeNetJob job, const void *buf, int len)
{
    auto *answer = reinterpret_cast<HookAnswer *>(job);
    answer->data = QByteArray(static_cast<const char *>(buf), len);
    answer->dataSet = true;
}
void WKE_CALL netSetMimeType(wkeNetJob job, const char *type)
{
    reinterpret_cast<HookAnswer *>(job)->mimeType = type;
}
void WKE_CALL netHookRequest(wkeNetJob job)
{
    reinterpret_cast<HookAnswer *>(job)->hooked = true;
}
const char *WKE_CALL decodeUrlEscape(const char *url)
{
    if (!url)
        return nullptr;
    fake().m_decoded = QByteArray::fromPercentEncoding(QByteArray(url));
    return fake().m_decoded.constData();
}
void WKE_CALL jsBindFunction(const char *name, wkeJsNativeFunction fn, void *param, unsigned count)
{
    fake().m_bindings[name] = {fn, param, count};
    fake().m_bindOrder.emplace_back(name);
}
int WKE_CALL argCount(jsExecState)
{
    return int(fake().m_args.size());
}
jsType WKE_CALL argType(jsExecState, int i)
{
    const auto &args = fake().m_args;
    return i >= 0 && size_t(i) < args.size() ? args[size_t(i)].type : JSTYPE_UNDEFINED;
}
jsValue WKE_CALL arg(jsExecState, int i)
{
    const auto &args = fake().m_args;
    return fake().store(i >= 0 && size_t(i) < args.size() ? args[size_t(i)] : FakeValue());
}
const char *WKE_CALL toTempString(jsExecState, jsValue v)
{
    const FakeValue &value = fake().valueOf(v);
    fake().m_tempString =
        value.type == JSTYPE_UNDEFINED ? QByteArray("undefined") : value.value.toString().toUtf8();
    return fake().m_tempString.constData();
}
int WKE_CALL toInt(jsExecState, jsValue v)
{
    return fake().valueOf(v).value.toInt();
}
bool WKE_CALL toBoolean(jsExecState, jsValue v)
{
    const FakeValue &value = fake().valueOf(v);
    switch (value.type) {
    case JSTYPE_BOOLEAN:
        return value.value.toBool();
    case JSTYPE_NUMBER:
        return value.value.toInt() != 0;
    case JSTYPE_STRING:
        return !value.value.toString().isEmpty();
    default:
        return false;
    }
}
jsValue WKE_CALL undefinedValue()
{
    return fake().store(FakeValue::undefined());
}
jsValue WKE_CALL trueValue()
{
    return fake().store(FakeValue::boolean(true));
}
jsValue WKE_CALL falseValue()
{
    return fake().store(FakeValue::boolean(false));
}
jsValue WKE_CALL intValue(int n)
{
    return fake().store(FakeValue::number(n));
}
jsValue WKE_CALL boolValue(bool b)
{
    return fake().store(FakeValue::boolean(b));
}
jsValue WKE_CALL stringValue(jsExecState, const char *utf8)
{
    return fake().store(FakeValue::string(QString::fromUtf8(utf8)));
}
jsExecState WKE_CALL globalExec(wkeWebView)
{
    return fakeState();
}
jsValue WKE_CALL getGlobal(jsExecState, const char *name)
{
    return fake().store(FakeValue{JSTYPE_FUNCTION, QString::fromUtf8(name)});
}
jsValue WKE_CALL callGlobal(jsExecState, jsValue fn, jsValue *args, int count)
{
    PageCall call;
    call.name = fake().valueOf(fn).value.toString().toStdString();
    for (int i = 0; i < count; ++i)
        call.args.push_back(fake().valueOf(args[i]));
    fake().pageCalls.push_back(call);
    const auto answer = fake().pageAnswers.find(call.name);
    return fake().store(answer == fake().pageAnswers.end() ? FakeValue() : answer->second);
}
} // namespace

FakeWke &FakeWke::instance()
{
    static FakeWke wke;
    return wke;
}

void FakeWke::install()
{
    *this = FakeWke();
    WkeApi &api = wkeApi();
    api.wkeInitializeEx = &initializeEx;
    api.wkeCreateWebWindow = &createWebWindow;
    api.wkeShowWindow = &showWindow;
    api.wkeGetWindowHandle = &getWindowHandle;
    api.wkeLoadURLW = &loadUrlW;
    api.wkeOnLoadUrlBegin = &onLoadUrlBegin;
    api.wkeNetSetData = &netSetData;
    api.wkeNetSetMIMEType = &netSetMimeType;
    api.wkeNetHookRequest = &netHookRequest;
    api.wkeUtilDecodeURLEscape = &decodeUrlEscape;
    api.wkeJsBindFunction = &jsBindFunction;
    api.jsArgCount = &argCount;
    api.jsArgType = &argType;
    api.jsArg = &arg;
    api.jsToTempString = &toTempString;
    api.jsToInt = &toInt;
    api.jsUndefined = &undefinedValue;
    api.jsTrue = &trueValue;
    api.jsFalse = &falseValue;
    api.jsInt = &intValue;
    api.jsString = &stringValue;
    api.wkeGlobalExec = &globalExec;
    api.jsGetGlobal = &getGlobal;
    api.jsBoolean = &boolValue;
    api.jsCallGlobal = &callGlobal;
    api.jsToBoolean = &toBoolean;
}

jsValue FakeWke::store(const FakeValue &v)
{
    m_values.push_back(v);
    return jsValue(m_values.size() - 1);
}

const FakeValue &FakeWke::valueOf(jsValue v) const
{
    static const FakeValue undefined;
    return v >= 0 && size_t(v) < m_values.size() ? m_values[size_t(v)] : undefined;
}

unsigned FakeWke::declaredCount(const std::string &name) const
{
    const auto it = m_bindings.find(name);
    return it == m_bindings.end() ? 0 : it->second.count;
}

FakeValue FakeWke::call(const std::string &name, const std::vector<FakeValue> &args)
{
    const auto it = m_bindings.find(name);
    if (it == m_bindings.end())
        return FakeValue::undefined();
    const std::vector<FakeValue> saved = m_args; // bound functions may nest
    m_args = args;
    const jsValue result = it->second.fn(fakeState(), it->second.param);
    m_args = saved;
    return valueOf(result);
}

HookAnswer FakeWke::request(const QByteArray &url)
{
    HookAnswer answer;
    if (m_hook)
        answer.handled =
            m_hook(fakeView(), m_hookParam, url.constData(), reinterpret_cast<wkeNetJob>(&answer));
    return answer;
}
