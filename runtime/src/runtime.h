#pragma once
// The state of the runtime library shared by every view: the native functions
// bound for page script, the script values native code holds, the handles it
// may pass back to us, and the requests native code has open on a page.

#include "valuestore.h"

#include <wke.h>

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

class QWebFrame;
class WebView;

// What a jsExecState stands for: the frame script runs in and, inside a bound
// function call, that call's arguments.
struct ExecState {
    QPointer<QWebFrame> frame;
    QVector<jsValue> args;
};

// One answer of a request hook, collected while the hook runs.
struct NetJob {
    QByteArray data;
    QByteArray mimeType;
    bool hooked = false;
};

struct Binding {
    wkeJsNativeFunction function = nullptr;
    void *param = nullptr;
    unsigned int argCount = 0;
};

// A request native code has put to a page (look a global up, call a function)
// and the page's answer.
struct PageRequest {
    QString op;
    QString name;
    int refId = 0;
    QString kinds;
    QStringList texts;
    QVariantList numbers;
    ScriptValue answer;
};

class Runtime final {
public:
    static Runtime &instance();

    ValueStore &values() { return m_values; }

    void bind(const QString &name, const Binding &binding);
    bool binding(const QString &name, Binding *out) const;
    QStringList bindingNames() const { return m_bindingOrder; }

    void addView(WebView *view) { m_views.insert(view); }
    void removeView(WebView *view) { m_views.remove(view); }
    WebView *view(wkeWebView handle) const;
    const QSet<WebView *> &views() const { return m_views; }

    void addState(ExecState *state) { m_states.insert(state); }
    void removeState(ExecState *state) { m_states.remove(state); }
    ExecState *state(jsExecState handle) const;

    void addJob(NetJob *job) { m_jobs.insert(job); }
    void removeJob(NetJob *job) { m_jobs.remove(job); }
    NetJob *job(wkeNetJob handle) const;

    QVector<PageRequest> &requests() { return m_requests; }

    // Script calls into native code and native calls into script that are
    // running; values are only freed while none is.
    void callStarted() { ++m_activeCalls; }
    void callFinished();
    bool inCall() const { return m_activeCalls > 0; }
    // Called after making a value, so top-level values are freed later.
    void valueMade();

    const char *decodeUrlEscape(const char *url);

private:
    Runtime() = default;
    void scheduleCleanup();

    ValueStore m_values;
    QHash<QString, Binding> m_bindings;
    QStringList m_bindingOrder;
    QSet<WebView *> m_views;
    QSet<ExecState *> m_states;
    QSet<NetJob *> m_jobs;
    QVector<PageRequest> m_requests;
    int m_activeCalls = 0;
    bool m_cleanupScheduled = false;
    QByteArray m_decoded;
};

// Keeps a native-to-script or script-to-native call counted while it runs.
class CallGuard final {
public:
    CallGuard() { Runtime::instance().callStarted(); }
    ~CallGuard() { Runtime::instance().callFinished(); }
    CallGuard(const CallGuard &) = delete;
    CallGuard &operator=(const CallGuard &) = delete;
};
