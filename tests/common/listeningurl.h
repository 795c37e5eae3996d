#pragma once
// Waiting for a test server (the stand-in, tessaly-service) to accept connections.

#include <QProcess>
#include <QString>
#include <QUrl>

// The address a started server prints as "listening on URL"; invalid when it
// does not start or says something else.
inline QUrl listeningUrl(QProcess &process)
{
    if (!process.waitForStarted())
        return QUrl();
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(10000))
            return QUrl();
    }
    const QString ready = QString::fromUtf8(process.readLine()).trimmed();
    const QString prefix = QStringLiteral("listening on ");
    return ready.startsWith(prefix) ? QUrl(ready.mid(prefix.size())) : QUrl();
}
