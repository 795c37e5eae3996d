#include "webui/windowstartup.h"

#include "account/user.h"
#include "base/buildconfig.h"
#include "base/logcategories.h"
#include "base/pageprotocol.h"
#include "service/drivercatalogue.h"
#include "service/networkhelper.h"
#include "webui/miniblinkdialog.h"
#include "webui/pagecaller.h"

#include <QCoreApplication>
#include <QDebug>
#include <QStandardPaths>
#include <QTimer>

WindowStartup::WindowStartup(MiniblinkDialog *window)
    : QObject(window), m_window(window),
      m_catalogue(new DriverCatalogue(
          QCoreApplication::applicationDirPath() + QStringLiteral("/html/data/catalogue.js"),
          QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), this)),
      m_hasService(NetworkHelper::instance()->hasService())
{
    User *user = User::instance();
    connect(user, &User::update, this, &WindowStartup::pushSignIn);
    connect(user, &User::configReceived, this, &WindowStartup::configReceived);
    connect(m_catalogue, &DriverCatalogue::updatedChanged, this, &WindowStartup::pushCatalogue);
    user->setErrorBoxParent(window);

    if (!m_hasService) {
        qCInfo(lcWebUi) << "no service configured: no requests, no sign-in";
        return;
    }
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
    qCDebug(lcWebUi) << "loadedjs";
    pushSignIn();
    m_pageLoaded = true;
    if (!m_hasService) {
        // No configuration will come: the contact link leads to the built-in
        // chat page when there is one; the tutorial has no address.
        m_window->notifySetting(!QString::fromUtf8(TESSALY_CHAT_URL).isEmpty(), false, true);
    } else if (m_configReceived) {
        m_window->notifySetting(true, true, true);
    }
    // After the page's first paint: reading and checking the catalogue is
    // not on the way to the first cards.
    QTimer::singleShot(0, this, &WindowStartup::startCatalogue);
}

void WindowStartup::startCatalogue()
{
    m_catalogue->load();
    pushCatalogue();
    if (m_hasService)
        m_catalogue->fetch();
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

void WindowStartup::pushCatalogue()
{
    if (!m_pageLoaded || m_catalogue->updated().isEmpty())
        return;
    callPageFunction(m_window->webView(), PageProtocol::PageFunction::kCatalogue,
                     {QString::fromUtf8(m_catalogue->updated()),
                      m_catalogue->updatedOn().toString(Qt::ISODate)});
}
