#include "downloads/partfile.h"

#include "base/buildconfig.h"
#include "base/logcategories.h"
#include "downloads/downloadfilename.h"
#include "downloads/filesync.h"
#include "downloads/savedfiles.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStorageInfo>

#include <algorithm>
#include <vector>

namespace {

// Part files older than this, and beyond this total, go when a download starts.
constexpr int kMaxAgeDays = 7;
// Written data is sent on to the disk every so often, not all at the end.
constexpr qint64 kWriteBackBytes = 16 * 1024 * 1024;
constexpr qint64 kMaxBytes = qint64(TESSALY_PART_FILES_MAX_MIB) * 1024 * 1024;

QString sidecarName(const QString &key)
{
    return QLatin1Char('.') + key + QStringLiteral(".partinfo");
}

// "<name>.<key>.part" → key; empty for any other name.
QString keyOfPart(const QString &partName)
{
    static const QRegularExpression form(QStringLiteral("\\.([0-9a-f]{8})\\.part$"));
    const QRegularExpressionMatch match = form.match(partName);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool lockSidecar(QFile &sidecar)
{
    return sidecar.open(QIODevice::ReadWrite) &&
           FileSync::lock(sidecar.handle(), sidecar.fileName().toStdU16String());
}

} // namespace

PartFile::PartFile(const QString &folder, const QString &name, const QString &address)
    : m_part(folder + QLatin1Char('/') + DownloadFileName::partName(name, address)),
      m_sidecar(folder + QLatin1Char('/') + sidecarName(DownloadFileName::addressKey(address))),
      m_address(address)
{
}

PartFile::~PartFile()
{
    if (!m_part.isOpen())
        return;
    m_part.close();
    if (m_size == 0)
        discard();
}

PartFile::Open PartFile::open()
{
    cleanUp(QFileInfo(m_part).path(), kMaxAgeDays, kMaxBytes, &SavedFiles::savedAt);
    if (!lockSidecar(m_sidecar)) {
        const bool opened = m_sidecar.isOpen();
        m_sidecar.close();
        return opened ? Open::Busy : Open::Failed;
    }
    const QJsonObject info = QJsonDocument::fromJson(m_sidecar.readAll()).object();
    if (!m_part.open(QIODevice::ReadWrite)) {
        m_sidecar.close();
        return Open::Failed;
    }
    m_size = m_part.size();
    // A sidecar just made is ours too.
    m_ownsSidecar = info.isEmpty();
    // Bytes of no known version cannot be continued: they could be spliced
    // onto another version's rest.
    if (info.value(QLatin1String("address")).toString() == m_address &&
        info.value(QLatin1String("part")).toString() == QFileInfo(m_part).fileName()) {
        m_ownsSidecar = true;
        m_validator = info.value(QLatin1String("validator")).toString().toUtf8();
        m_total = info.value(QLatin1String("total")).toVariant().toLongLong();
    }
    if (m_validator.isEmpty() && m_size > 0)
        restart();
    m_part.seek(m_size);
    return Open::Opened;
}

QString PartFile::errorString() const
{
    return m_sidecar.error() != QFileDevice::NoError ? m_sidecar.errorString()
                                                     : m_part.errorString();
}

bool PartFile::restart()
{
    m_size = 0;
    m_validator.clear();
    m_total = -1;
    writeSidecar();
    return m_part.resize(0) && m_part.seek(0);
}

void PartFile::take(const ResponseDecision::Decision &decision)
{
    if (decision.action == ResponseDecision::Action::Restart && !restart())
        m_writeFailure = ResponseDecision::Reason::NotWritable;
    if (!decision.writesBody())
        return;
    m_validator = decision.validator;
    m_total = decision.total;
    writeSidecar();
}

void PartFile::writeSidecar()
{
    const QJsonObject info{
        {QStringLiteral("address"), m_address},
        {QStringLiteral("part"), QFileInfo(m_part).fileName()},
        {QStringLiteral("validator"), QString::fromUtf8(m_validator)},
        {QStringLiteral("total"), m_total},
    };
    m_ownsSidecar = true;
    m_sidecar.resize(0);
    m_sidecar.seek(0);
    m_sidecar.write(QJsonDocument(info).toJson(QJsonDocument::Compact));
    m_sidecar.flush();
}

bool PartFile::append(const QByteArray &data)
{
    if (m_writeFailure != ResponseDecision::Reason::None)
        return false;
    const qint64 written = m_part.write(data);
    if (written > 0)
        m_size += written;
    if (written == data.size()) {
        m_unsynced += written;
        if (m_unsynced >= kWriteBackBytes && m_part.flush()) {
            FileSync::startWriteBack(m_part.handle());
            m_unsynced = 0;
        }
        return true;
    }
    const QStorageInfo disk(QFileInfo(m_part).path());
    m_writeFailure = disk.bytesAvailable() < data.size() ? ResponseDecision::Reason::DiskFull
                                                         : ResponseDecision::Reason::NotWritable;
    return false;
}

ResponseDecision::Ending PartFile::verify(ResponseDecision::End end)
{
    if (!m_part.flush() && m_writeFailure == ResponseDecision::Reason::None)
        m_writeFailure = ResponseDecision::Reason::NotWritable;
    end.writeFailure = m_writeFailure;
    end.size = m_size;
    end.head = head(8);
    return ResponseDecision::atEnd(end);
}

QByteArray PartFile::head(int count)
{
    if (!m_part.flush() || !m_part.seek(0))
        return QByteArray();
    const QByteArray bytes = m_part.read(count);
    m_part.seek(m_size);
    return bytes;
}

bool PartFile::syncData()
{
    return m_part.flush() && FileSync::flush(m_part.handle());
}

bool PartFile::commit(const QString &target)
{
    // A power cut after the rename must not leave a short file under the name.
    if (!syncData()) {
        qCWarning(lcDownloads) << "part file not on the disk:" << m_part.fileName()
                               << m_part.errorString();
        return false;
    }
    m_part.close();
    if (!FileSync::replace(m_part.fileName().toStdU16String(), target.toStdU16String())) {
        qCWarning(lcDownloads) << "part file cannot take the name" << target;
        return false;
    }
    if (m_ownsSidecar)
        m_sidecar.remove();
    return true;
}

void PartFile::discard()
{
    m_part.close();
    m_part.remove();
    if (m_ownsSidecar)
        m_sidecar.remove();
}

void PartFile::cleanUp(const QString &folder, int maxAgeDays, qint64 maxBytes,
                       const std::function<QDateTime(const QString &)> &savedAt)
{
    struct Kept {
        QFileInfo info;
        QString sidecar;
    };
    const QDir dir(folder);
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addDays(-maxAgeDays);
    std::vector<Kept> kept;
    for (const QFileInfo &part : dir.entryInfoList({QStringLiteral("*.part")}, QDir::Files)) {
        const QString key = keyOfPart(part.fileName());
        if (key.isEmpty())
            continue;
        // A part another job holds is in use, whatever its age.
        QFile sidecar(dir.filePath(sidecarName(key)));
        if (!lockSidecar(sidecar))
            continue;
        const QString fileName = part.fileName().chopped(key.size() + 6);
        const QDateTime saved = savedAt(dir.filePath(fileName));
        const QDateTime modified = part.lastModified();
        if (modified < oldest || (saved.isValid() && saved >= modified)) {
            QFile::remove(part.filePath());
            sidecar.remove();
            continue;
        }
        kept.push_back({part, sidecar.fileName()});
    }
    std::sort(kept.begin(), kept.end(), [](const Kept &a, const Kept &b) {
        return a.info.lastModified() > b.info.lastModified();
    });
    qint64 total = 0;
    for (const Kept &part : kept) {
        total += part.info.size();
        if (total <= maxBytes)
            continue;
        QFile sidecar(part.sidecar);
        if (lockSidecar(sidecar)) {
            QFile::remove(part.info.filePath());
            sidecar.remove();
        }
    }
}
