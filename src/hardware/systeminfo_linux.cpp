#include "hardware/systeminfo.h"

#include "hardware/osrelease.h"

#include <QFileInfo>
#include <QSettings>

namespace SystemInfo {

QString osVersion(bool)
{
    return OsRelease::value(OsRelease::read(), QStringLiteral("VERSION_ID"));
}

QString packageName()
{
    // The installer's record is a system-wide settings file (under /etc/xdg).
    const QSettings record(QSettings::NativeFormat, QSettings::SystemScope,
                           QStringLiteral("orbwell_core"));
    if (!QFileInfo::exists(record.fileName()))
        return QString();
    const QString name = record.value(QStringLiteral("PackageName")).toString();
    return name.isEmpty() ? QStringLiteral("empty") : name;
}

} // namespace SystemInfo
