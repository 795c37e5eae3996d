#include "hardware/pcidevices.h"
#include "hardware/sysroot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>

#include <cstdlib>
#include <cstring>

extern "C" {
#include <pci/pci.h>
}

namespace {

void ignoreMessage(char *, ...) {}

// libpci reports only out-of-memory as an error during name lookups, and
// expects the handler not to return. Its handler pointer carries GNU's
// noreturn in its type, which the standard attribute does not give the
// function under clang.
__attribute__((noreturn)) void fatalError(char *, ...)
{
    std::abort();
}

bool readNumber(const QString &path, quint32 *value, quint32 limit)
{
    bool ok = false;
    const uint number = SysRoot::readText(path).toUInt(&ok, 0);
    if (!ok || number > limit)
        return false;
    *value = number;
    return true;
}

QString hex(quint32 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString PciDevice::hardwareId() const
{
    return QStringLiteral("PCI\\VEN_") + hex(vendor, 4) + QStringLiteral("&DEV_") + hex(device, 4) +
           QStringLiteral("&SUBSYS_") + hex(subsystemDevice, 4) + hex(subsystemVendor, 4) +
           QStringLiteral("&REV_") + hex(revision, 2);
}

QVector<PciDevice> readPciDevices(const QString &root)
{
    const QDir folder(SysRoot::file(root, QStringLiteral("/sys/bus/pci/devices")));
    QVector<PciDevice> devices;
    const QStringList entries = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &slot : entries) {
        const QString base = folder.filePath(slot) + QLatin1Char('/');
        quint32 classCode = 0, vendor = 0, device = 0;
        if (!readNumber(base + QLatin1String("class"), &classCode, 0xffffff) ||
            !readNumber(base + QLatin1String("vendor"), &vendor, 0xffff) ||
            !readNumber(base + QLatin1String("device"), &device, 0xffff))
            continue;
        // Optional: old kernels and some bridges lack them.
        quint32 subsystemVendor = 0, subsystemDevice = 0, revision = 0;
        readNumber(base + QLatin1String("subsystem_vendor"), &subsystemVendor, 0xffff);
        readNumber(base + QLatin1String("subsystem_device"), &subsystemDevice, 0xffff);
        readNumber(base + QLatin1String("revision"), &revision, 0xff);

        PciDevice entry;
        entry.slot = slot;
        entry.classCode = classCode;
        entry.vendor = static_cast<quint16>(vendor);
        entry.device = static_cast<quint16>(device);
        entry.subsystemVendor = static_cast<quint16>(subsystemVendor);
        entry.subsystemDevice = static_cast<quint16>(subsystemDevice);
        entry.revision = static_cast<quint8>(revision);
        devices.append(entry);
    }
    return devices;
}

namespace {

// One libpci handle per id list for the process: it reads the whole list on
// its first lookup and keeps it, so later scans name their devices at once.
// The adapter list (GUI thread) and the inventory (its worker) share them
// under the lock.
class SharedPciAccess final {
public:
    ~SharedPciAccess()
    {
        for (pci_access *access : m_access)
            pci_cleanup(access);
    }

    static SharedPciAccess &instance()
    {
        static SharedPciAccess shared;
        return shared;
    }

    // The id database only: the udev hardware database would give other
    // spellings from machine to machine. list "" is the system's.
    template <typename... Ids> QString lookup(const QString &list, int flags, Ids... ids)
    {
        char buffer[512];
        const QMutexLocker lock(&m_mutex);
        const char *text = pci_lookup_name(handle(list), buffer, sizeof buffer,
                                           flags | PCI_LOOKUP_NO_HWDB, ids...);
        return text ? QString::fromUtf8(text) : QString();
    }

private:
    SharedPciAccess() = default;

    pci_access *handle(const QString &list)
    {
        pci_access *&access = m_access[list];
        if (!access) {
            access = pci_alloc();
            // Set directly rather than through pci_init, which would also
            // probe the bus and end the process when it finds no way to reach it.
            access->error = fatalError;
            access->warning = ignoreMessage;
            access->debug = ignoreMessage;
            if (!list.isEmpty())
                pci_set_name_list_path(access, strdup(QFile::encodeName(list).constData()), 1);
        }
        return access;
    }

    QMutex m_mutex;
    QMap<QString, pci_access *> m_access;
};

// A sample machine tree carries the list its devices are named from; the
// real root uses the system's.
QString idListOf(const QString &root)
{
    if (root.isEmpty() || root == QLatin1String("/"))
        return QString();
    const QString list = SysRoot::file(root, QStringLiteral("/usr/share/misc/pci.ids"));
    return QFileInfo(list).isFile() ? list : QString();
}

} // namespace

QString PciNames::name(quint16 vendor, quint16 device, const QString &root)
{
    return SharedPciAccess::instance().lookup(idListOf(root), PCI_LOOKUP_VENDOR | PCI_LOOKUP_DEVICE,
                                              int(vendor), int(device));
}

QString PciNames::vendorName(quint16 vendor, const QString &root)
{
    return SharedPciAccess::instance().lookup(
        idListOf(root), PCI_LOOKUP_VENDOR | PCI_LOOKUP_NO_NUMBERS, int(vendor));
}

DisplayAdapterList pciDisplayAdapters(const QString &root)
{
    DisplayAdapterList adapters;
    const QVector<PciDevice> devices = readPciDevices(root);
    for (const PciDevice &device : devices) {
        if (device.isDisplay())
            adapters.push_back({PciNames::name(device.vendor, device.device, root).toStdU16String(),
                                device.hardwareId().toStdU16String()});
    }
    return adapters;
}
