#pragma once
// One web view of the runtime: a native window showing a page, with its load
// hook and the execution state of its main frame.

#include "runtime.h"

#include <wke.h>

#include <QWebView>

class HookNetworkManager;
class QWindow;

class WebView final : public QWebView {
    Q_OBJECT

public:
    WebView();
    ~WebView() override;

    wkeWebView handle() { return reinterpret_cast<wkeWebView>(this); }
    ExecState *globalState() { return &m_globalState; }
    void setLoadHook(wkeLoadUrlBeginCallback callback, void *param);

    // Makes the view's native window a child of the given one; when that is a
    // window of this process, the view goes with it.
    void placeIn(wkeNativeWindow parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void followWindowSize();
    void detachFromParent();
    void parentGone();

    HookNetworkManager *m_network;
    ExecState m_globalState;
    QWindow *m_parentWrapper = nullptr;
};
