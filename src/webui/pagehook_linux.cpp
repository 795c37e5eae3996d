#include "webui/pagehook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace PageHook {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString pagePath(const QString &folder, const QString &relativePath, bool besideProgram)
{
    // Cleaned, so that "html/.." names the program's folder even without an html folder.
    return QDir::cleanPath(folder + QStringLiteral("/html/") +
                           (besideProgram ? QStringLiteral("../") : QString()) + relativePath);
}

QByteArray readPage(const QString &path)
{
    // A FIFO or device would block the window's thread on open or read.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace PageHook
