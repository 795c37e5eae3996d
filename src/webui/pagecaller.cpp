#include "webui/pagecaller.h"

#include "webui/wkeapi.h"

namespace {
struct ToJsValue {
    jsExecState es;
    jsValue operator()(bool b) const { return wkeCall(&WkeApi::jsBoolean, b); }
    jsValue operator()(int n) const { return wkeCall(&WkeApi::jsInt, n); }
    jsValue operator()(const QString &s) const
    {
        const QByteArray utf8 = s.toUtf8();
        return wkeCall(&WkeApi::jsString, es, utf8.constData());
    }
};
} // namespace

bool callPageFunction(wkeWebView view, const char *name, const std::vector<PageArgument> &args)
{
    if (!view)
        return false;
    const jsExecState es = wkeCall(&WkeApi::wkeGlobalExec, view);
    const jsValue fn = wkeCall(&WkeApi::jsGetGlobal, es, name);
    std::vector<jsValue> values;
    values.reserve(args.size());
    for (const PageArgument &arg : args)
        values.push_back(std::visit(ToJsValue{es}, arg));
    const jsValue answer =
        wkeCall(&WkeApi::jsCallGlobal, es, fn, values.data(), static_cast<int>(values.size()));
    return wkeCall(&WkeApi::jsToBoolean, es, answer);
}
