#include "service/osrelease.h"

#include <QFile>
#include <QList>

namespace OsRelease {
namespace {
QString unquote(const QByteArray &raw)
{
    if (raw.size() < 2 || (raw.front() != '"' && raw.front() != '\'') || raw.back() != raw.front())
        return QString::fromUtf8(raw);
    const char quote = raw.front();
    const QByteArray inner = raw.mid(1, raw.size() - 2);
    if (quote == '\'')
        return QString::fromUtf8(inner);
    // Inside double quotes a backslash escapes $, ", \ and `.
    QByteArray out;
    out.reserve(inner.size());
    for (int i = 0; i < inner.size(); ++i) {
        if (inner.at(i) == '\\' && i + 1 < inner.size() &&
            QByteArray("$\"\\`").contains(inner.at(i + 1)))
            ++i;
        out.append(inner.at(i));
    }
    return QString::fromUtf8(out);
}
} // namespace

QString value(const QByteArray &text, const QString &key)
{
    const QByteArray wanted = key.toUtf8();
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray trimmed = line.trimmed();
        const int eq = trimmed.indexOf('=');
        if (trimmed.startsWith('#') || eq <= 0)
            continue;
        if (trimmed.left(eq) == wanted)
            return unquote(trimmed.mid(eq + 1));
    }
    return QString();
}

QByteArray read(const QString &root)
{
    for (const char *path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(root + QLatin1String(path));
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    return QByteArray();
}

} // namespace OsRelease
