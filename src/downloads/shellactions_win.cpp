#include "downloads/shellactions.h"

#include <QFileInfo>
#include <QProcess>

namespace ShellActions {

void revealInFolder(const QString &path)
{
    const QStringList arguments = explorerArguments(path, QFileInfo(path).isDir());
    if (!QProcess::startDetached(QStringLiteral("explorer"), arguments))
        openContainingFolder(path);
}

} // namespace ShellActions
