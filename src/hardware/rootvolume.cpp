#include "hardware/rootvolume.h"
#include "hardware/sysroot.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

#include <sys/statfs.h>

namespace RootVolume {

namespace {

QString baseName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// DEVNAME of a block device number, e.g. "dm-0" for a mapper volume whose
// mount source is "/dev/mapper/vg-root".
QString kernelDeviceName(const QString &root, const QString &device)
{
    const QString uevent = QString::fromUtf8(
        SysRoot::readFile(SysRoot::file(root, QStringLiteral("/sys/dev/block/") + device) +
                          QStringLiteral("/uevent")));
    for (const QString &line : uevent.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("DEVNAME=")))
            return baseName(line.mid(8).trimmed());
    }
    return QString();
}

bool serialFromDiskUuids(const QString &root, const Mount &mount, uint32_t *serial)
{
    if (mount.device.isEmpty())
        return false;
    QStringList wanted;
    if (mount.source.startsWith(QLatin1String("/dev/")))
        wanted << baseName(mount.source);
    const QString kernelName = kernelDeviceName(root, mount.device);
    if (!kernelName.isEmpty())
        wanted << kernelName;
    if (wanted.isEmpty())
        return false;

    const QDir folder(SysRoot::file(root, QStringLiteral("/dev/disk/by-uuid")));
    const QStringList uuids = folder.entryList(QDir::Files | QDir::System, QDir::Name);
    for (const QString &uuid : uuids) {
        const QFileInfo link(folder.filePath(uuid));
        if (link.isSymLink() && wanted.contains(baseName(link.symLinkTarget())))
            return serialFromUuid(uuid, serial);
    }
    return false;
}

bool serialFromStatfs(const QString &root, uint32_t *serial)
{
    struct statfs info {};
    if (statfs(QFile::encodeName(root).constData(), &info) != 0)
        return false;
    *serial =
        static_cast<uint32_t>(info.f_fsid.__val[0]) ^ static_cast<uint32_t>(info.f_fsid.__val[1]);
    return true;
}

} // namespace

Mount rootMount(const QByteArray &mountinfo)
{
    Mount found;
    for (const QByteArray &line : mountinfo.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source super
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5 || fields[4] != "/")
            continue;
        const int separator = fields.indexOf("-", 6);
        found.device = QString::fromUtf8(fields[2]);
        found.source = separator > 0 && separator + 2 < fields.size()
                           ? QString::fromUtf8(fields[separator + 2])
                           : QString();
    }
    return found;
}

bool serialFromUuid(const QString &uuid, uint32_t *serial)
{
    QString digits;
    for (const QChar c : uuid) {
        if (c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            digits.append(c);
        else if (c != QLatin1Char('-'))
            return false;
    }
    if (digits.isEmpty())
        return false;
    bool ok = false;
    const uint value = digits.right(8).toUInt(&ok, 16);
    if (!ok)
        return false;
    *serial = value;
    return true;
}

uint32_t serial(const QString &root)
{
    uint32_t value = 0;
    if (serialFromDiskUuids(root,
                            rootMount(SysRoot::readFile(
                                SysRoot::file(root, QStringLiteral("/proc/self/mountinfo")))),
                            &value))
        return value;
    if (serialFromStatfs(root, &value))
        return value;
    return 0;
}

} // namespace RootVolume
