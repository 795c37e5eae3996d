#pragma once
// The network access of one view: every request the page makes (the page
// itself, its resources, XMLHttpRequest) is first offered to the view's load
// hook, which may answer it; only requests it declines go to the network.

#include <wke.h>

#include <QNetworkAccessManager>

class HookNetworkManager final : public QNetworkAccessManager {
    Q_OBJECT

public:
    HookNetworkManager(wkeWebView view, QObject *parent);

    void setHook(wkeLoadUrlBeginCallback callback, void *param);

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData) override;

private:
    wkeWebView m_view;
    wkeLoadUrlBeginCallback m_callback = nullptr;
    void *m_param = nullptr;
};
