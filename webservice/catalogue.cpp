#include "catalogue.h"

#include "secrets.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

CatalogueSource::CatalogueSource(QByteArray builtIn, QString path)
    : m_path(std::move(path)), m_builtIn(std::move(builtIn))
{
    use(m_builtIn, QStringLiteral("built-in"));
    reload();
}

bool CatalogueSource::isValid(const QByteArray &text, QString &why)
{
    if (text.size() > kMaxBytes) {
        why = QStringLiteral("larger than %1 bytes").arg(kMaxBytes);
        return false;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        why = QStringLiteral("not JSON: broken at offset %1").arg(error.offset);
        return false;
    }
    if (!document.isObject()) {
        why = QStringLiteral("not a JSON object");
        return false;
    }
    const QJsonValue format = document.object().value(QStringLiteral("format"));
    if (!format.isDouble() || format.toDouble() != kFormat) {
        why = QStringLiteral("\"format\" is not %1").arg(kFormat);
        return false;
    }
    return true;
}

bool CatalogueSource::reload()
{
    if (m_path.isEmpty())
        return false;
    const QFileInfo info(m_path);
    QFileInfoList candidates;
    if (info.isDir())
        candidates = QDir(m_path).entryInfoList({QStringLiteral("*.json")}, QDir::Files,
                                                QDir::Time);
    else
        candidates = {info};
    // Newest first: a half-written or broken newer file leaves the last good
    // one in service.
    for (const QFileInfo &candidate : candidates) {
        QFile file(candidate.filePath());
        if (candidate.size() > kMaxBytes || !file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "catalogue %s skipped: unreadable or too large\n",
                         qUtf8Printable(candidate.fileName()));
            continue;
        }
        const QByteArray body = file.read(kMaxBytes + 1);
        QString why;
        if (!isValid(body, why)) {
            std::fprintf(stderr, "catalogue %s skipped: %s\n", qUtf8Printable(candidate.fileName()),
                         qUtf8Printable(why));
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_current.body == body)
                return false;
        }
        use(body, candidate.filePath());
        std::fprintf(stderr, "catalogue now %s\n", qUtf8Printable(candidate.fileName()));
        return true;
    }
    return false;
}

void CatalogueSource::use(const QByteArray &body, const QString &origin)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_current.body = body;
    m_current.etag = "\"" + secrets::sha256Hex(body.toStdString()).substr(0, 32) + "\"";
    m_current.origin = origin;
}

CatalogueSource::Snapshot CatalogueSource::current() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_current;
}
