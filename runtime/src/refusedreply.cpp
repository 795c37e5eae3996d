#include "refusedreply.h"

#include <QTimer>

RefusedReply::RefusedReply(QNetworkAccessManager::Operation operation,
                           const QNetworkRequest &request, QObject *parent)
    : QNetworkReply(parent)
{
    setOperation(operation);
    setRequest(request);
    setUrl(request.url());
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    // The receiver connects to the reply's signals after it is returned.
    QTimer::singleShot(0, this, &RefusedReply::fail);
}

void RefusedReply::fail()
{
    if (isFinished())
        return;
    setError(ContentAccessDenied, QStringLiteral("Refused by the web runtime"));
    setFinished(true);
    emit errorOccurred(ContentAccessDenied);
    emit finished();
}
