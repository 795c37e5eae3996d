#include "hardware/osrelease.h"

#include "hardware/sysroot.h"

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

QMap<QString, QString> parse(const QByteArray &text)
{
    QMap<QString, QString> values;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray trimmed = line.trimmed();
        const int eq = trimmed.indexOf('=');
        if (trimmed.startsWith('#') || eq <= 0)
            continue;
        values.insert(QString::fromUtf8(trimmed.left(eq)), unquote(trimmed.mid(eq + 1)));
    }
    return values;
}

QString value(const QByteArray &text, const QString &key)
{
    return parse(text).value(key);
}

QByteArray read(const QString &root)
{
    for (const char *path : {"/etc/os-release", "/usr/lib/os-release"}) {
        const QByteArray text = SysRoot::readFile(SysRoot::file(root, QLatin1String(path)));
        if (!text.isEmpty())
            return text;
    }
    return QByteArray();
}

} // namespace OsRelease
