#include "hooknetworkmanager.h"

#include "hookreply.h"
#include "refusedreply.h"
#include "runtime.h"

#include <QDebug>

HookNetworkManager::HookNetworkManager(wkeWebView view, QObject *parent)
    : QNetworkAccessManager(parent), m_view(view)
{
}

void HookNetworkManager::setHook(wkeLoadUrlBeginCallback callback, void *param)
{
    m_callback = callback;
    m_param = param;
}

QNetworkReply *HookNetworkManager::createRequest(Operation op, const QNetworkRequest &request,
                                                 QIODevice *outgoingData)
{
    if (m_callback) {
        Runtime &rt = Runtime::instance();
        NetJob job;
        const QByteArray url = request.url().toEncoded();
        rt.addJob(&job);
        const bool answered =
            m_callback(m_view, m_param, url.constData(), reinterpret_cast<wkeNetJob>(&job));
        rt.removeJob(&job);
        if (answered)
            return new HookReply(op, request, job.data, job.mimeType, this);
    }
    if (request.url().scheme() == QLatin1String("data"))
        return QNetworkAccessManager::createRequest(op, request, outgoingData);
    // Without query or fragment: those may carry what is nobody's business here.
    qWarning().noquote() << "wke: refused"
                         << request.url().toDisplayString(QUrl::RemoveQuery | QUrl::RemoveFragment |
                                                          QUrl::RemoveUserInfo);
    return new RefusedReply(op, request, this);
}
