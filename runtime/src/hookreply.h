#pragma once
// The reply to a request the load hook answered itself: exactly the bytes and
// the MIME type the hook set, delivered from the event loop like a network
// reply.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>

class HookReply final : public QNetworkReply {
    Q_OBJECT

public:
    HookReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request,
              const QByteArray &body, const QByteArray &mimeType, QObject *parent);

    void abort() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;

private:
    void deliver();

    QByteArray m_body;
    qint64 m_offset = 0;
};
