#include "webview.h"

#include "hooknetworkmanager.h"
#include "webpage.h"
#include "x11focus.h"

#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWebFrame>
#include <QWidget>
#include <QWindow>

WebView::WebView() : QWebView(nullptr)
{
    auto *page = new WebPage(this);
    m_network = new HookNetworkManager(handle(), page);
    page->setNetworkAccessManager(m_network);
    setPage(page);
    m_globalState.frame = page->mainFrame();
    Runtime::instance().addView(this);
    Runtime::instance().addState(&m_globalState);
}

WebView::~WebView()
{
    Runtime::instance().removeState(&m_globalState);
    Runtime::instance().removeView(this);
    detachFromParent();
}

void WebView::setLoadHook(wkeLoadUrlBeginCallback callback, void *param)
{
    m_network->setHook(callback, param);
}

void WebView::placeIn(wkeNativeWindow parent)
{
    setAttribute(Qt::WA_NativeWindow);
    winId();
    // Our window hangs off a wrapper of the parent that we own, never off the
    // parent's own QWindow, so the parent's teardown does not take our window
    // object with it.
    m_parentWrapper = QWindow::fromWinId(parent);
    windowHandle()->setParent(m_parentWrapper);

    const auto windows = QGuiApplication::allWindows();
    for (QWindow *w : windows) {
        if (w != m_parentWrapper && w->handle() && w->winId() == parent) {
            m_parentWindow = w;
            w->installEventFilter(this);
            QObject *owner = QWidget::find(parent);
            connect(owner ? owner : w, &QObject::destroyed, this, &WebView::parentGone);
            break;
        }
    }
}

bool WebView::eventFilter(QObject *watched, QEvent *event)
{
    // The system destroys child windows with their parent: take ours out
    // first so that it is still there when the view itself goes.
    if (watched == m_parentWindow && event->type() == QEvent::PlatformSurface &&
        static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
        detachFromParent();
    }
    return QWebView::eventFilter(watched, event);
}

void WebView::mousePressEvent(QMouseEvent *event)
{
    // Qt may count the view as active while the system's focus is elsewhere.
    if (m_parentWrapper)
        takeX11InputFocus(winId());
    QWebView::mousePressEvent(event);
}

void WebView::detachFromParent()
{
    if (m_parentWindow)
        m_parentWindow->removeEventFilter(this);
    m_parentWindow = nullptr;
    if (!m_parentWrapper)
        return;
    if (QWindow *own = windowHandle()) {
        own->hide();
        own->setParent(nullptr);
    }
    delete m_parentWrapper;
    m_parentWrapper = nullptr;
}

void WebView::parentGone()
{
    detachFromParent();
    // Script of this view may be waiting on a native call further up the stack.
    if (Runtime::instance().inCall())
        deleteLater();
    else
        delete this;
}
