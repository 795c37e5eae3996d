#include "webview.h"

#include "hooknetworkmanager.h"
#include "nativefocus.h"
#include "webpage.h"

#include <QGuiApplication>
#include <QWebFrame>
#include <QWidget>
#include <QWindow>

WebView::WebView() : QWebView(nullptr)
{
    // Made a top-level window and then put into its parent: on Windows a frame
    // it started with would stay around it there, and the page would not fill
    // its place.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
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
    // parent's own QWindow, whose teardown would delete our window object.
    m_parentWrapper = QWindow::fromWinId(parent);
    windowHandle()->setParent(m_parentWrapper);

    // A parent of this process takes the view with it.
    QObject *owner = QWidget::find(parent);
    const auto windows = QGuiApplication::allWindows();
    for (int i = 0; !owner && i < windows.size(); ++i) {
        if (windows.at(i) != m_parentWrapper && windows.at(i)->handle() &&
            windows.at(i)->winId() == parent)
            owner = windows.at(i);
    }
    if (owner)
        connect(owner, &QObject::destroyed, this, &WebView::parentGone);

    // Under Windows the widget can take the size its parent gives the native
    // window without a resize event, and the page would keep laying out (and
    // painting) at the size it was made with.
    connect(windowHandle(), &QWindow::widthChanged, this, &WebView::followWindowSize);
    connect(windowHandle(), &QWindow::heightChanged, this, &WebView::followWindowSize);
}

void WebView::mousePressEvent(QMouseEvent *event)
{
    // Qt may count the view as active while the system's focus is elsewhere.
    if (m_parentWrapper)
        takeInputFocus(winId());
    QWebView::mousePressEvent(event);
}

void WebView::followWindowSize()
{
    const QSize size = windowHandle()->size();
    if (page()->viewportSize() == size)
        return;
    resize(size);
    page()->setViewportSize(size);
    update();
}

void WebView::detachFromParent()
{
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
