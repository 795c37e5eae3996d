#include "base/logcategories.h"

#include <QNetworkReply>
#include <QUrl>

Q_LOGGING_CATEGORY(lcApp, "tessaly.app")
Q_LOGGING_CATEGORY(lcHardware, "tessaly.hardware")
Q_LOGGING_CATEGORY(lcService, "tessaly.service")
Q_LOGGING_CATEGORY(lcAccount, "tessaly.account")
Q_LOGGING_CATEGORY(lcDownloads, "tessaly.downloads")
Q_LOGGING_CATEGORY(lcWebUi, "tessaly.webui")
Q_LOGGING_CATEGORY(lcChatter, "tessaly.chatter", QtInfoMsg)

namespace LogText {

QString address(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
        .toDisplayString();
}

int httpStatus(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString errorText(const QNetworkReply &reply)
{
    // Qt names the address whole in texts such as "Error transferring URL -
    // server replied: Not Found".
    QString text = reply.errorString();
    for (const QUrl &url : {reply.url(), reply.request().url()}) {
        for (const QString &form :
             {url.toString(), url.toDisplayString(), QString::fromLatin1(url.toEncoded())}) {
            if (!form.isEmpty())
                text.replace(form, address(url));
        }
    }
    return text;
}

} // namespace LogText
