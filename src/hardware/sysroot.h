#pragma once
// The folder the Linux readers treat as "/". TESSALY_SYSROOT points the whole
// program at a sample machine tree; tests pass their fixture trees directly.

#include <QByteArray>
#include <QString>

namespace SysRoot {

// TESSALY_SYSROOT when set and not empty, else "/".
QString path();

// root joined with an absolute path such as "/sys/class/net".
QString file(const QString &root, const QString &absolutePath);

// The whole file; empty when it cannot be read.
QByteArray readFile(const QString &path);

// The file's text with surrounding white space removed.
QString readText(const QString &path);

} // namespace SysRoot
