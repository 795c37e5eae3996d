#include "hardware/sysroot.h"

#include <QFile>

namespace SysRoot {

QString path()
{
    const QString root = qEnvironmentVariable("TESSALY_SYSROOT");
    return root.isEmpty() ? QStringLiteral("/") : root;
}

QString file(const QString &root, const QString &absolutePath)
{
    QString base = root;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + absolutePath;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QString readText(const QString &path)
{
    return QString::fromUtf8(readFile(path)).trimmed();
}

} // namespace SysRoot
