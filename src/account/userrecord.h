#pragma once
// What the program keeps about the signed-in user between runs.

#include <QPixmap>
#include <QString>
#include <QtGlobal>

struct UserRecord {
    QString username;
    QString nickname;
    QString mobile;
    QPixmap avatar;
    QString token;
    // Base address of the customer-service chat page, from the configuration.
    QString serviceBase;
    // End of the sign-in in seconds since 1970-01-01 UTC; 0 means no sign-in.
    qint32 expireTime = 0;
    qint32 userId = 0;
    // Download directory chosen by the user.
    QString saveFolder;
};
