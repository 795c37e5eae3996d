#include "account/userfile.h"

#include "account/ownerfile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <type_traits>
#include <utility>

QString UserFile::folder()
{
    static const QString cached = [] {
        const QStringList locations =
            QStandardPaths::standardLocations(QStandardPaths::AppConfigLocation);
        QString dir = locations.isEmpty() ? QStringLiteral("C:/Renwick") : locations.first();
        QDir().mkpath(dir);
        return dir;
    }();
    return cached;
}

QString UserFile::path()
{
    return folder() + QStringLiteral("/qmzt.x");
}

void UserFile::write(QDataStream &stream, const UserRecord &record)
{
    // The order is the file format: expireTime precedes userId.
    stream << record.username << record.nickname << record.mobile << record.avatar << record.token
           << record.serviceBase << record.expireTime << record.userId << record.saveFolder;
}

bool UserFile::read(QDataStream &stream, UserRecord &record)
{
    // A failed read would still assign an empty value, and a corrupt length
    // would leave the stream mid-field; so each field goes through a temporary
    // and reading ends at the first failure.
    const auto take = [&stream](auto &field) {
        if (stream.status() != QDataStream::Ok)
            return false;
        std::remove_reference_t<decltype(field)> value{};
        stream >> value;
        if (stream.status() != QDataStream::Ok)
            return false;
        field = std::move(value);
        return true;
    };
    return take(record.username) && take(record.nickname) && take(record.mobile) &&
           take(record.avatar) && take(record.token) && take(record.serviceBase) &&
           take(record.expireTime) && take(record.userId) && take(record.saveFolder);
}

bool UserFile::save(const QString &filePath, const UserRecord &record)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    restrictToOwner(file);
    QDataStream stream(&file);
    write(stream, record);
    // The stream writes into QSaveFile's buffer; commit() would rename the
    // file even when flushing that buffer fails part-way (a full disk), so
    // the flush is checked here first.
    if (stream.status() != QDataStream::Ok || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

UserFile::LoadResult UserFile::load(const QString &filePath, UserRecord &record)
{
    QFile file(filePath);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return LoadResult::Missing;
    QDataStream stream(&file);
    return read(stream, record) ? LoadResult::Complete : LoadResult::Damaged;
}
