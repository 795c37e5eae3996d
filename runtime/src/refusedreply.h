#pragma once
// The answer to a request the runtime will not let the engine make: it fails
// from the event loop, as a network error would, without touching the network.

#include <QNetworkAccessManager>
#include <QNetworkReply>

class RefusedReply final : public QNetworkReply {
    Q_OBJECT

public:
    RefusedReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request,
                 QObject *parent);

    void abort() override {}

protected:
    qint64 readData(char *, qint64) override { return -1; }

private:
    void fail();
};
