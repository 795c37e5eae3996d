#pragma once
// Tag attached to every service request: which request it was and who gets
// the reply. The request client deletes it once the reply has been handed over.

#include <QObject>
#include <QPointer>

class HttpHandler;

class RequestName final : public QObject {
    Q_OBJECT

public:
    enum Name {
        Config,
        LoginQrCode,
        LoginStatus,
        UserInfo,
        Catalogue,
    };
    Q_ENUM(Name)

    RequestName(Name name, HttpHandler *handler);
    ~RequestName() override;

    Name name() const { return m_name; }
    // None once the handler is gone (known of handlers that are QObjects, as
    // all of the program's are; others must outlive their requests).
    HttpHandler *handler() const { return !m_tracked || m_handlerObject ? m_handler : nullptr; }

    // For testing: how many tags exist, i.e. service requests not yet dispatched.
    static int liveCount();

private:
    const Name m_name;
    HttpHandler *const m_handler; // not owned
    const QPointer<QObject> m_handlerObject;
    const bool m_tracked;
};
