#include "hookreply.h"

#include <QTimer>

#include <cstring>

HookReply::HookReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request,
                     const QByteArray &body, const QByteArray &mimeType, QObject *parent)
    : QNetworkReply(parent), m_body(body)
{
    setOperation(operation);
    setRequest(request);
    setUrl(request.url());
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, 200);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, QByteArrayLiteral("OK"));
    setHeader(QNetworkRequest::ContentLengthHeader, m_body.size());
    if (!mimeType.isEmpty())
        setRawHeader("Content-Type", mimeType);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    // The receiver connects to the reply's signals after it is returned.
    QTimer::singleShot(0, this, &HookReply::deliver);
}

void HookReply::deliver()
{
    if (isFinished())
        return;
    emit metaDataChanged();
    if (!m_body.isEmpty()) {
        emit readyRead();
        emit downloadProgress(m_body.size(), m_body.size());
    }
    setFinished(true);
    emit finished();
}

void HookReply::abort()
{
    if (isFinished())
        return;
    setError(OperationCanceledError, QStringLiteral("Operation canceled"));
    setFinished(true);
    emit errorOccurred(OperationCanceledError);
    emit finished();
}

qint64 HookReply::bytesAvailable() const
{
    return m_body.size() - m_offset + QNetworkReply::bytesAvailable();
}

qint64 HookReply::readData(char *data, qint64 maxSize)
{
    const qint64 n = qMin(maxSize, qint64(m_body.size()) - m_offset);
    if (n <= 0)
        return isFinished() ? -1 : 0;
    std::memcpy(data, m_body.constData() + m_offset, size_t(n));
    m_offset += n;
    return n;
}
