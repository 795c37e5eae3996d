#include "webui/windowstartup.h"

#include "account/user.h"
#include "service/networkhelper.h"
#include "webui/miniblinkdialog.h"

#include <QDebug>

WindowStartup::WindowStartup(MiniblinkDialog *window) : QObject(window), m_window(window)
{
    User *user = User::instance();
    connect(user, &User::update, this, &WindowStartup::pushSignIn);
    connect(user, &User::configReceived, this, &WindowStartup::configReceived);
    user->setErrorBoxParent(window);

    NetworkHelper *network = NetworkHelper::instance();
    network->queryConfig(user);
    // Each start counts as one opening and one view of the main page.
    network->sendStatistics(QStringLiteral("openness"));
    network->sendPageStatistics(NetworkHelper::MainPage);
    if (user->isLoggedIn())
        network->queryUserInfo(user->token(), window);
}

void WindowStartup::pageLoaded()
{
    qDebug() << "loadedjs";
    pushSignIn();
    m_pageLoaded = true;
    if (m_configReceived)
        m_window->notifySetting(true, true, true);
}

void WindowStartup::configReceived()
{
    m_configReceived = true;
    if (m_pageLoaded)
        m_window->notifySetting(true, true, true);
}

void WindowStartup::pushSignIn()
{
    const User *user = User::instance();
    m_window->userLogined(user->isLoggedIn(), user->nickname());
}
