// The user file "qmzt.x", damaged in any way.

#include "fuzzcheck.h"

#include "account/userfile.h"

#include <QDataStream>
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The avatar is a pixmap, which needs the application object. It lives
    // until the process ends: torn down at exit, Qt leaves its screens behind.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication *app = new QGuiApplication(*argc, *argv);
    Q_UNUSED(app)
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    UserRecord record;
    const bool complete = UserFile::read(stream, record);
    require(!complete || stream.status() == QDataStream::Ok, "a complete read left the stream ok");

    // What was read is written back and read again to the same record.
    if (complete) {
        QByteArray again;
        QDataStream out(&again, QIODevice::WriteOnly);
        UserFile::write(out, record);
        QDataStream in(&again, QIODevice::ReadOnly);
        UserRecord copy;
        require(UserFile::read(in, copy), "a written record reads back");
        require(copy.username == record.username && copy.token == record.token &&
                    copy.expireTime == record.expireTime && copy.saveFolder == record.saveFolder,
                "a written record reads back unchanged");
    }
    return 0;
}
