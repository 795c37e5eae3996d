#include "runtime.h"

#include <QCoreApplication>
#include <QTimer>

Runtime &Runtime::instance()
{
    static Runtime runtime;
    return runtime;
}

void Runtime::bind(const QString &name, const Binding &binding)
{
    if (!m_bindings.contains(name))
        m_bindingOrder.append(name);
    m_bindings.insert(name, binding);
}

bool Runtime::binding(const QString &name, Binding *out) const
{
    const auto it = m_bindings.constFind(name);
    if (it == m_bindings.constEnd())
        return false;
    *out = it.value();
    return true;
}

WebView *Runtime::view(wkeWebView handle) const
{
    WebView *view = reinterpret_cast<WebView *>(handle);
    return m_views.contains(view) ? view : nullptr;
}

ExecState *Runtime::state(jsExecState handle) const
{
    ExecState *state = reinterpret_cast<ExecState *>(handle);
    return m_states.contains(state) ? state : nullptr;
}

NetJob *Runtime::job(wkeNetJob handle) const
{
    NetJob *job = reinterpret_cast<NetJob *>(handle);
    return m_jobs.contains(job) ? job : nullptr;
}

void Runtime::callFinished()
{
    if (--m_activeCalls == 0 && m_values.hasTopLevelValues())
        scheduleCleanup();
}

void Runtime::valueMade()
{
    if (m_values.scopeDepth() == 0)
        scheduleCleanup();
}

void Runtime::scheduleCleanup()
{
    if (m_cleanupScheduled || !QCoreApplication::instance())
        return;
    m_cleanupScheduled = true;
    // Values made outside any bound function call stay valid until control is
    // back in the event loop with no call running; the end of the last running
    // call schedules this again.
    QTimer::singleShot(0, QCoreApplication::instance(), [this] {
        m_cleanupScheduled = false;
        if (m_activeCalls == 0)
            m_values.releaseTopLevel();
    });
}

const char *Runtime::decodeUrlEscape(const char *url)
{
    if (!url)
        return nullptr;
    // Only well-formed escapes are decoded; a stray '%' stays as it is.
    const auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    m_decoded.clear();
    for (const char *p = url; *p; ++p) {
        if (*p == '%' && hex(p[1]) >= 0 && hex(p[2]) >= 0) {
            m_decoded += char(hex(p[1]) * 16 + hex(p[2]));
            p += 2;
        } else {
            m_decoded += *p;
        }
    }
    return m_decoded.constData();
}
