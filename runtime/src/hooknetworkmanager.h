#pragma once
// The network access of one view: every request the page makes (the page
// itself, its resources, XMLHttpRequest) is offered to the view's load hook,
// which may answer it. The engine is no longer maintained, so nothing else
// reaches it: a request the hook declines is refused, whatever its scheme
// (network, file:, ftp:), and only data: addresses, which carry their content
// in themselves, are read (the pages' style sheets draw their icons with them;
// data: documents are refused by the page).

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
