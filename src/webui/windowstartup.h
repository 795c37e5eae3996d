#pragma once
// The window's first exchanges: the configuration query, the start pings and,
// for a persisted sign-in, the user information query; then the handshake that
// pushes the sign-in state and the display settings once both the page and
// the configuration are ready.

#include <QObject>

class MiniblinkDialog;

class WindowStartup final : public QObject {
    Q_OBJECT

public:
    // A child of the window; sends the first requests at once.
    explicit WindowStartup(MiniblinkDialog *window);

    // The page has reported that it is ready ("loadedjs").
    void pageLoaded();

private:
    void configReceived();
    void pushSignIn();

    MiniblinkDialog *m_window;
    bool m_pageLoaded = false;
    bool m_configReceived = false;
};
