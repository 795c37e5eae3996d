#pragma once
// The window's first exchanges: the configuration query, the start pings and,
// for a persisted sign-in, the user information query; then the handshake that
// pushes the sign-in state and the display settings once both the page and
// the configuration are ready. Without a service none of that is sent: the
// page gets the settings that need no service as soon as it is ready. The
// driver catalogue is read, and asked of the service, once the page is ready.

#include <QObject>

class DriverCatalogue;
class MiniblinkDialog;

class WindowStartup final : public QObject {
    Q_OBJECT

public:
    // A child of the window; sends the first requests at once.
    explicit WindowStartup(MiniblinkDialog *window);

    // The page has reported that it is ready ("loadedjs").
    void pageLoaded();

    DriverCatalogue *catalogue() const { return m_catalogue; }

private:
    void configReceived();
    void pushSignIn();
    void pushCatalogue();
    void startCatalogue();

    MiniblinkDialog *m_window;
    DriverCatalogue *m_catalogue;
    bool m_hasService;
    bool m_pageLoaded = false;
    bool m_configReceived = false;
};
