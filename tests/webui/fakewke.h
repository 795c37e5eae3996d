#pragma once
// An in-process stand-in for the web runtime's function table: tests call bound
// functions with any argument kinds and see which page functions were called.

#include <wke.h>

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <map>
#include <string>
#include <vector>

struct FakeValue {
    jsType type = JSTYPE_UNDEFINED;
    QVariant value; // QString, int or bool

    static FakeValue undefined() { return {}; }
    static FakeValue string(const QString &s) { return {JSTYPE_STRING, s}; }
    static FakeValue number(int n) { return {JSTYPE_NUMBER, n}; }
    static FakeValue boolean(bool b) { return {JSTYPE_BOOLEAN, b}; }
    bool operator==(const FakeValue &o) const { return type == o.type && value == o.value; }
};

struct PageCall {
    std::string name;
    std::vector<FakeValue> args;
};

struct HookAnswer {
    bool handled = false;
    bool hooked = false;
    QByteArray data;
    QByteArray mimeType;
    bool dataSet = false;
};

class FakeWke {
public:
    static FakeWke &instance();
    // Fills the process-wide function table with this double and forgets all state.
    void install();

    // Calls a bound function as page script would.
    FakeValue call(const std::string &name, const std::vector<FakeValue> &args);
    bool isBound(const std::string &name) const { return m_bindings.count(name) > 0; }
    std::vector<std::string> bindOrder() const { return m_bindOrder; }
    unsigned declaredCount(const std::string &name) const;

    // Runs the registered load hook for an address.
    HookAnswer request(const QByteArray &url);

    std::vector<PageCall> pageCalls;
    std::map<std::string, FakeValue> pageAnswers; // what page functions return
    std::vector<std::wstring> loadedUrls;
    int createdViews = 0;

    // Internals used by the C entry points.
    struct Binding {
        wkeJsNativeFunction fn = nullptr;
        void *param = nullptr;
        unsigned count = 0;
    };
    std::map<std::string, Binding> m_bindings;
    std::vector<std::string> m_bindOrder;
    std::vector<FakeValue> m_values;
    std::vector<FakeValue> m_args;
    QByteArray m_tempString;
    QByteArray m_decoded;
    wkeLoadUrlBeginCallback m_hook = nullptr;
    void *m_hookParam = nullptr;
    HookAnswer *m_currentJob = nullptr;

    jsValue store(const FakeValue &v);
    const FakeValue &valueOf(jsValue v) const;
};
