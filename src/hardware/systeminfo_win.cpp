#include "hardware/systeminfo.h"

#include <QSettings>
#include <QVariant>

#include <cwchar>
#include <windows.h>

namespace SystemInfo {

QString osVersion(bool is64Bit)
{
    const QSettings currentVersion(
        QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion"),
        is64Bit ? QSettings::Registry64Format : QSettings::Registry32Format);
    return currentVersion.value(QStringLiteral("CurrentVersion"), QVariant()).toString();
}

QString packageName()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\orbwell_core", 0, KEY_READ | KEY_WOW64_32KEY,
                      &key) != ERROR_SUCCESS)
        return QString();

    wchar_t buffer[1024] = {}; // 2048 bytes
    DWORD size = sizeof(buffer);
    QString name;
    if (RegQueryValueExW(key, L"PackageName", nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer),
                         &size) == ERROR_SUCCESS) {
        // A value filling the whole buffer has no terminating NUL.
        name = QString::fromWCharArray(buffer, static_cast<int>(wcsnlen(buffer, 1024)));
    }
    RegCloseKey(key);
    return name.isEmpty() ? QStringLiteral("empty") : name;
}

} // namespace SystemInfo
