#include "hooknetworkmanager.h"

#include "hookreply.h"
#include "runtime.h"

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
    return QNetworkAccessManager::createRequest(op, request, outgoingData);
}
