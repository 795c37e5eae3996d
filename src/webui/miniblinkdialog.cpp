#include "webui/miniblinkdialog.h"

#include "app/appinfo.h"
#include "downloads/taskbarprogress.h"
#include "hardware/workerthread.h"
#include "service/networkhelper.h"
#include "service/responseenvelope.h"
#include "webui/mainwindowref.h"
#include "webui/pagebridge.h"
#include "webui/pagecaller.h"
#include "webui/pagehook.h"
#include "webui/wkeapi.h"
#include "widgets/frameless.h"

#include <QApplication>
#include <QDebug>
#include <QPalette>
#include <QResizeEvent>
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

    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setContentsMargins(0, 0, 0, 0);

    m_webView = wkeCall(&WkeApi::wkeCreateWebWindow, WKE_WINDOW_TYPE_CONTROL,
                        static_cast<wkeNativeWindow>(winId()), 0, 0, 0, 0);
    bindPageBridge(this);

    wkeCall(&WkeApi::wkeOnLoadUrlBegin, m_webView, &PageHook::onLoadUrlBegin,
            static_cast<void *>(m_webView));
    wkeCall(&WkeApi::wkeShowWindow, m_webView, true);
    const std::wstring startPage =
        QString::fromLatin1(PageHook::kPagePrefix).append(QStringLiteral("index.html")).toStdWString();
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

    // Each start counts as one opening and one view of the main page.
    NetworkHelper::instance()->sendStatistics(QStringLiteral("openness"));
    NetworkHelper::instance()->sendPageStatistics(NetworkHelper::MainPage);

    QPalette framePalette = palette();
    framePalette.setBrush(QPalette::All, QPalette::Window, QColor(QStringLiteral("#aaaaaa")));
    setPalette(framePalette);
    setAutoFillBackground(true);

    TaskbarProgress::instance().setWindow(static_cast<std::uintptr_t>(winId()));
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
    if (objectName == "minimizeBtn") {
        showMinimized();
    } else if (objectName == "closeBtn") {
        QApplication::quit();
    }
}

void MiniblinkDialog::pageMouseEvent(MouseAction action, const std::string &elementName, int x,
                                     int y)
{
    if (elementName != "titleBar")
        return;
    switch (action) {
    case MouseAction::Press:
        m_dragging = true;
        m_windowPosAtPress = pos();
        m_pressPoint = QPoint(x, y);
        qDebug() << "blkLeftMousePressEvent" << m_windowPosAtPress << x << y;
        break;
    case MouseAction::Move: {
        if (!m_dragging)
            return;
        const QPoint offset(x - m_pressPoint.x(), y - m_pressPoint.y());
        move(pos() + offset);
        m_windowPosAtPress = pos();
        qDebug() << "blkMouseMoveEvent" << m_windowPosAtPress << offset;
        break;
    }
    case MouseAction::Release:
        m_pressPoint = QPoint(x, y);
        m_dragging = false;
        qDebug() << "blkMouseReleaseEvent" << m_windowPosAtPress;
        break;
    }
}

void MiniblinkDialog::showUserinfoWidget(int xPos, int yPos, int width, int height)
{
    m_userIconRect = QRect(xPos, yPos, width, height);
}

void MiniblinkDialog::pageLoaded()
{
    qDebug() << "loadedjs";
    m_pageLoaded = true;
    if (m_configReceived)
        notifySetting(true, true, true);
}

void MiniblinkDialog::configReceived()
{
    m_configReceived = true;
    if (m_pageLoaded)
        notifySetting(true, true, true);
}

void MiniblinkDialog::pciinfoResults(QString pcinfo)
{
    callPageFunction(m_webView, "scanCbkByCpp", {pcinfo});
}

void MiniblinkDialog::userLogined(bool islogined, QString nickname)
{
    callPageFunction(m_webView, "userLoginByCpp", {islogined, nickname});
}

bool MiniblinkDialog::notifySetting(bool showContactUs, bool showManual, bool showCommonProblem)
{
    return callPageFunction(
        m_webView, "notifySettingByCpp",
        {showContactUs, showManual, showCommonProblem, QString::fromLatin1(AppInfo::kProductCode)});
}

bool MiniblinkDialog::setfrontendCountry(QLocale::Country country)
{
    return callPageFunction(m_webView, "setCountry", {static_cast<int>(country)});
}

void MiniblinkDialog::handleHttpResponse(RequestName::Name name, const QByteArray &data)
{
    if (name != RequestName::UserInfo)
        return;
    const ResponseEnvelope envelope = ResponseEnvelope::parse(data);
    if (!envelope.succeeded()) {
        handleHttpError(name, static_cast<QNetworkReply::NetworkError>(envelope.code),
                        envelope.msg);
        return;
    }
    emit userInfoReceived(envelope.data);
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
