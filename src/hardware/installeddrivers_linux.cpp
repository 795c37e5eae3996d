#include "hardware/installeddrivers.h"
#include "hardware/pcidevices.h"
#include "hardware/sysroot.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace InstalledDrivers {

namespace {

// sysfs links <device>/driver to .../bus/pci/drivers/<name>; the link is read,
// not followed, so a sample tree needs no driver folders.
QString boundDriver(const QString &root, const QString &slot)
{
    const QFileInfo link(SysRoot::file(root, QStringLiteral("/sys/bus/pci/devices/") + slot +
                                                 QStringLiteral("/driver")));
    if (!link.isSymLink())
        return QString();
    static const QRegularExpression moduleName(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    const QString name = QFileInfo(link.symLinkTarget()).fileName();
    return moduleName.match(name).hasMatch() ? name : QString();
}

} // namespace

std::vector<InstalledDriver> list()
{
    const QString root = SysRoot::path();
    std::vector<InstalledDriver> drivers;
    for (const PciDevice &device : readPciDevices(root)) {
        if (!device.isDisplay())
            continue;
        InstalledDriver entry;
        entry.platform = u"linux";
        entry.hardid = device.hardwareId().toStdU16String();
        const QString name = boundDriver(root, device.slot);
        entry.driver = name.toStdU16String();
        // Out-of-tree modules (nvidia) publish their version; in-tree ones mostly not.
        if (!name.isEmpty())
            entry.version =
                SysRoot::readText(SysRoot::file(root, QStringLiteral("/sys/module/") + name +
                                                          QStringLiteral("/version")))
                    .left(64)
                    .toStdU16String();
        drivers.push_back(entry);
    }
    return drivers;
}

} // namespace InstalledDrivers
