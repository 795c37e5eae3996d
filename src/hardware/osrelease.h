#pragma once
// Reading of the os-release file (KEY=value lines, values optionally quoted
// with shell-style escapes).

#include <QByteArray>
#include <QMap>
#include <QString>

namespace OsRelease {

// Every KEY=value of the file's text, values unquoted; comments and lines
// without a key are skipped.
QMap<QString, QString> parse(const QByteArray &text);

// The value of key in the file's text; empty when absent.
QString value(const QByteArray &text, const QString &key);

// The text of <root>/etc/os-release, or <root>/usr/lib/os-release when the
// first is missing; empty when neither can be read.
QByteArray read(const QString &root = QStringLiteral("/"));

} // namespace OsRelease
