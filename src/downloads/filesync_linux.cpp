#include "downloads/filesync.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSync {

namespace {

QByteArray native(const std::u16string &path)
{
    return QFile::encodeName(QString::fromStdU16String(path));
}

} // namespace

bool lock(int fd, const std::u16string &path)
{
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    // The holder before us may have removed the file after we opened it: a
    // lock on a file no longer in the folder keeps nobody out.
    struct stat held {};
    struct stat named {};
    return fstat(fd, &held) == 0 && stat(native(path).constData(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool flush(int fd)
{
    return fdatasync(fd) == 0;
}

void startWriteBack(int fd)
{
    sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool replace(const std::u16string &from, const std::u16string &to)
{
    const QByteArray target = native(to);
    if (std::rename(native(from).constData(), target.constData()) != 0)
        return false;
    // The new name is in the folder's data, which has a flush of its own.
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(target)).path());
    const int dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool synced = fsync(dir) == 0;
    close(dir);
    return synced;
}

} // namespace FileSync
