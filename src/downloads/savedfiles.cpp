#include "downloads/savedfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Entries kept; the oldest go first.
constexpr int kMaxEntries = 500;

QString recordPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder + QStringLiteral("/saved-downloads.json");
}

QJsonObject load()
{
    QFile file(recordPath());
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

void store(const QJsonObject &record)
{
    QSaveFile file(recordPath());
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QJsonDocument(record).toJson(QJsonDocument::Compact));
    file.commit();
}

QString key(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

namespace SavedFiles {

void remember(const QString &path)
{
    const QFileInfo info(path);
    QJsonObject record = load();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    record.insert(key(path),
                  QJsonObject{{QStringLiteral("size"), info.size()},
                              {QStringLiteral("modified"), info.lastModified().toMSecsSinceEpoch()},
                              {QStringLiteral("saved"), now}});
    while (record.size() > kMaxEntries) {
        auto oldest = record.begin();
        for (auto entry = record.begin(); entry != record.end(); ++entry) {
            if (entry.value().toObject().value(QLatin1String("saved")).toDouble() <
                oldest.value().toObject().value(QLatin1String("saved")).toDouble())
                oldest = entry;
        }
        record.erase(oldest);
    }
    store(record);
}

bool isOurs(const QString &path)
{
    const QFileInfo info(path);
    const QJsonObject entry = load().value(key(path)).toObject();
    return info.isFile() && !entry.isEmpty() &&
           entry.value(QLatin1String("size")).toDouble() == double(info.size()) &&
           entry.value(QLatin1String("modified")).toDouble() ==
               double(info.lastModified().toMSecsSinceEpoch());
}

QDateTime savedAt(const QString &path)
{
    if (!isOurs(path))
        return QDateTime();
    const QJsonObject entry = load().value(key(path)).toObject();
    return QDateTime::fromMSecsSinceEpoch(qint64(entry.value(QLatin1String("saved")).toDouble()));
}

QString placeFor(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || isOurs(path))
        return path;
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 2;; ++n) {
        const QString candidate =
            info.dir().filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
        if (!QFileInfo::exists(candidate) || isOurs(candidate))
            return candidate;
    }
}

} // namespace SavedFiles
