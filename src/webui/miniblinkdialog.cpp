#include "webui/miniblinkdialog.h"

#include "account/loginwidget.h"
#include "account/user.h"
#include "account/userinfowidget.h"
#include "base/appinfo.h"
#include "base/logcategories.h"
#include "base/pageprotocol.h"
#include "downloads/taskbarprogress.h"
#include "hardware/workerthread.h"
#include "service/networkhelper.h"
#include "webui/mainwindowref.h"
#include "webui/pagebridge.h"
#include "webui/pagecaller.h"
#include "webui/pagehook.h"
#include "webui/windowstartup.h"
#include "webui/wkeapi.h"
#include "widgets/frameless.h"

#include <QApplication>
#include <QCursor>
#include <QDebug>
#include <QPalette>
#include <QResizeEvent>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <cstring>

namespace {
MiniblinkDialog *g_mainWindow = nullptr;
constexpr int kPageWidth = 800;
constexpr int kPageHeight = 600;
} // namespace

MiniblinkDialog *mainWindow()
{
    return g_mainWindow;
}

void setMainWindow(MiniblinkDialog *window)
{
    g_mainWindow = window;
}

MiniblinkDialog::MiniblinkDialog(QWidget *parent) : QDialog(parent)
{
    // Owned for the window's lifetime without a Qt parent: it filters the window's events.
    m_frameless = new FrameLess(this);
    m_userInfoWidget = new UserInfoWidget(this);

    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setContentsMargins(0, 0, 0, 0);

    m_webView = wkeCall(&WkeApi::wkeCreateWebWindow, WKE_WINDOW_TYPE_CONTROL,
                        static_cast<wkeNativeWindow>(winId()), 0, 0, 0, 0);
    bindPageBridge(this);

    wkeCall(&WkeApi::wkeOnLoadUrlBegin, m_webView, &PageHook::onLoadUrlBegin,
            static_cast<void *>(m_webView));
    wkeCall(&WkeApi::wkeShowWindow, m_webView, true);
    const std::wstring startPage = QString::fromLatin1(PageHook::kPagePrefix)
                                       .append(QStringLiteral("index.html"))
                                       .toStdWString();
    wkeCall(&WkeApi::wkeLoadURLW, m_webView, startPage.c_str());

    const wkeNativeWindow nativeView = wkeCall(&WkeApi::wkeGetWindowHandle, m_webView);
    auto *host = new QWidget(this);
    host->setStyleSheet(QStringLiteral("QWidget {border: none;}"));
    if (nativeView) {
        QWindow *viewWindow = QWindow::fromWinId(static_cast<WId>(nativeView));
        m_webContainer = QWidget::createWindowContainer(viewWindow, host);
        m_webContainer->setWindowModality(Qt::NonModal);
        m_webContainer->setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    }

    auto *layout = new QVBoxLayout;
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(host);
    setLayout(layout);

    setMinimumHeight(kFrameWidth + kPageHeight);
    setMinimumWidth(kFrameWidth + kPageWidth);
    if (m_webContainer)
        m_webContainer->show();
    resize(kFrameWidth + kPageWidth, kFrameWidth + kPageHeight);

    m_startup = new WindowStartup(this);

    QPalette framePalette = palette();
    framePalette.setBrush(QPalette::All, QPalette::Window, QColor(QStringLiteral("#aaaaaa")));
    setPalette(framePalette);
    setAutoFillBackground(true);

    TaskbarProgress::instance().setWindow(static_cast<std::uintptr_t>(winId()));
    // The taskbar's shell object goes while COM still runs.
    connect(qApp, &QCoreApplication::aboutToQuit, this,
            [] { TaskbarProgress::instance().release(); });
}

MiniblinkDialog::~MiniblinkDialog()
{
    // Inventory workers still building a report finish before anything of the
    // window goes away; each one waits for its thread when deleted.
    qDeleteAll(findChildren<WorkerThread *>(QString(), Qt::FindDirectChildrenOnly));
    // The controller filters this window's events, so it goes first.
    delete m_frameless;
}

void MiniblinkDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_webContainer) {
        m_webContainer->setGeometry(kFrameWidth / 2, kFrameWidth / 2,
                                    event->size().width() - kFrameWidth,
                                    event->size().height() - kFrameWidth);
    }
}

void MiniblinkDialog::clickEvent(std::string objectName)
{
    if (objectName == PageProtocol::Element::kUserIcon) {
        if (!User::instance()->isLoggedIn())
            showLoginPage();
    } else if (objectName == PageProtocol::Element::kMinimize) {
        showMinimized();
    } else if (objectName == PageProtocol::Element::kClose) {
        User::instance()->saveUserFile();
        QApplication::quit();
    }
}

bool MiniblinkDialog::showLoginPage()
{
    // Signing in needs the service; without one there is nothing to open.
    if (!NetworkHelper::instance()->hasService())
        return false;
    if (!m_loginWidget)
        m_loginWidget = new LoginWidget(this);
    return m_loginWidget->exec() == QDialog::Accepted;
}

void MiniblinkDialog::pageMouseEvent(MouseAction action, const std::string &elementName, int x,
                                     int y)
{
    if (elementName != PageProtocol::Element::kTitleBar)
        return;
    switch (action) {
    case MouseAction::Press:
        m_dragging = true;
        m_windowPosAtPress = pos();
        m_pressPoint = QPoint(x, y);
        qCDebug(lcChatter) << "blkLeftMousePressEvent" << m_windowPosAtPress << x << y;
        break;
    case MouseAction::Move: {
        if (!m_dragging)
            return;
        const QPoint offset(x - m_pressPoint.x(), y - m_pressPoint.y());
        move(pos() + offset);
        m_windowPosAtPress = pos();
        qCDebug(lcChatter) << "blkMouseMoveEvent" << m_windowPosAtPress << offset;
        break;
    }
    case MouseAction::Release:
        m_pressPoint = QPoint(x, y);
        m_dragging = false;
        qCDebug(lcChatter) << "blkMouseReleaseEvent" << m_windowPosAtPress;
        break;
    }
}

void MiniblinkDialog::showUserinfoWidget(int xPos, int yPos, int width, int height)
{
    m_userIconRect = QRect(xPos, yPos, width, height);
    const User *user = User::instance();
    if (!user->isLoggedIn())
        return;
    const QString head = QStringLiteral(":img/defaultHeadimg.png");
    m_userInfoWidget->setHeaderImage(head);
    m_userInfoWidget->setNickname(user->nickname(), false);
    m_userInfoWidget->SetUserIDLbl(user->userId());
    m_userInfoWidget->move(QCursor::pos());
    m_userInfoWidget->show();
    // Hovering again while the popup is up must not leave the earlier poll
    // running unseen.
    if (m_popupTimerId)
        killTimer(m_popupTimerId);
    m_popupTimerId = startTimer(1000, Qt::CoarseTimer);
}

void MiniblinkDialog::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_popupTimerId || m_popupTimerId == 0) {
        QDialog::timerEvent(event);
        return;
    }
    if (!User::instance()->isLoggedIn()) {
        m_userInfoWidget->hide();
    } else if (m_userInfoWidget->isVisible()) {
        const QPoint pointer = QCursor::pos();
        const QPoint p = mapFromGlobal(pointer);
        const QPoint q = m_userInfoWidget->mapFromGlobal(pointer);
        const QRect &icon = m_userIconRect;
        qCDebug(lcChatter) << "selfpoint" << p << " m_xPos: " << icon.x()
                           << " width:" << icon.width() << " m_yPos: " << icon.y()
                           << " height:" << icon.height();
        // Edges included on both rectangles.
        if (icon.x() <= p.x() && p.x() <= icon.x() + icon.width() && icon.y() <= p.y() &&
            p.y() <= icon.y() + icon.height())
            return;
        if (m_userInfoWidget->rect().contains(q))
            return;
        m_userInfoWidget->hide();
    }
    killTimer(m_popupTimerId);
    m_popupTimerId = 0;
}

void MiniblinkDialog::pciinfoResults(QString pcinfo)
{
    callPageFunction(m_webView, PageProtocol::PageFunction::kScanResult, {pcinfo});
}

void MiniblinkDialog::userLogined(bool islogined, QString nickname)
{
    callPageFunction(m_webView, PageProtocol::PageFunction::kUserLogin, {islogined, nickname});
}

bool MiniblinkDialog::notifySetting(bool showContactUs, bool showManual, bool showCommonProblem)
{
    return callPageFunction(
        m_webView, PageProtocol::PageFunction::kNotifySetting,
        {showContactUs, showManual, showCommonProblem, QString::fromLatin1(AppInfo::kProductCode)});
}

bool MiniblinkDialog::setfrontendCountry(QLocale::Country country)
{
    return callPageFunction(m_webView, PageProtocol::PageFunction::kSetCountry,
                            {static_cast<int>(country)});
}

void MiniblinkDialog::handleHttpResponse(RequestName::Name name, const QByteArray &body)
{
    if (name == RequestName::UserInfo)
        User::instance()->handleHttpResponse(name, body);
}

int MiniblinkDialog::handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                                     const QString &errorMsg, QWidget *)
{
    return HttpHandler::handleHttpError(name, error, errorMsg, this);
}

int MiniblinkDialog::handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                                     const QString &errorMsg)
{
    return HttpHandler::handleHttpError(name, error, errorMsg, this);
}
