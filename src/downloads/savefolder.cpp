#include "downloads/savefolder.h"

#include "account/user.h"

#include <QDir>
#include <QStandardPaths>

QString saveFolder()
{
    User *user = User::instance();
    if (user->saveFolder().isEmpty()) {
        user->setSaveFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                            QStringLiteral("/驱动"));
    }
    QDir folder(user->saveFolder());
    folder.mkpath(QStringLiteral("."));
    return folder.path();
}

void storeSaveFolder(const QString &folder)
{
    User *user = User::instance();
    user->setSaveFolder(folder);
    user->saveUserFile();
}
