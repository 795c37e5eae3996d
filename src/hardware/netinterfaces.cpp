#include "hardware/netinterfaces.h"
#include "hardware/sysroot.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace {

constexpr int kLoopbackType = 772;

// The PCI_ID line of a uevent file, if any.
bool pciIdFromUevent(const QString &path, quint16 *vendor, quint16 *device)
{
    const QString text = QString::fromUtf8(SysRoot::readFile(path));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("PCI_ID=")))
            return parsePciId(line.mid(7), vendor, device);
    }
    return false;
}

} // namespace

bool NetInterface::isLoopback() const
{
    return type == kLoopbackType || name == QLatin1String("lo");
}

QByteArray parseHardwareAddress(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QByteArray();
    QByteArray bytes;
    for (const QString &part : trimmed.split(QLatin1Char(':'))) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 16);
        if (!ok || part.size() > 2 || value > 0xff)
            return QByteArray();
        bytes.append(static_cast<char>(value));
    }
    return bytes;
}

bool parsePciId(const QString &text, quint16 *vendor, quint16 *device)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    bool vendorOk = false;
    bool deviceOk = false;
    const uint v = parts[0].toUInt(&vendorOk, 16);
    const uint d = parts[1].toUInt(&deviceOk, 16);
    if (!vendorOk || !deviceOk || v > 0xffff || d > 0xffff)
        return false;
    *vendor = static_cast<quint16>(v);
    *device = static_cast<quint16>(d);
    return true;
}

QVector<NetInterface> readNetInterfaces(const QString &root)
{
    const QDir folder(SysRoot::file(root, QStringLiteral("/sys/class/net")));
    QVector<NetInterface> interfaces;
    const QStringList names =
        folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString &name : names) {
        const QString base = folder.filePath(name) + QLatin1Char('/');
        NetInterface interface;
        interface.name = name;
        interface.index = SysRoot::readText(base + QLatin1String("ifindex")).toInt();
        interface.type = SysRoot::readText(base + QLatin1String("type")).toInt();
        interface.address =
            parseHardwareAddress(SysRoot::readText(base + QLatin1String("address")));
        // Interfaces the kernel made up (loopback, bridges, tunnels, ifb, veth)
        // have no "device" link; their addresses are not hardware addresses.
        interface.isVirtual = !QFileInfo::exists(base + QLatin1String("device"));
        if (!interface.isVirtual) {
            // A virtio interface sits one level below its PCI function; the
            // path is not cleaned so the kernel resolves "device/.." for real.
            if (!pciIdFromUevent(base + QLatin1String("device/uevent"), &interface.pciVendor,
                                 &interface.pciDevice))
                pciIdFromUevent(base + QLatin1String("device/../uevent"), &interface.pciVendor,
                                &interface.pciDevice);
        }
        interfaces.append(interface);
    }
    std::stable_sort(
        interfaces.begin(), interfaces.end(),
        [](const NetInterface &a, const NetInterface &b) { return a.index < b.index; });
    return interfaces;
}

QVector<QByteArray> hardwareAddresses(const QString &root)
{
    QVector<QByteArray> addresses;
    for (const NetInterface &interface : readNetInterfaces(root)) {
        if (interface.isLoopback() || interface.isVirtual || interface.address.isEmpty() ||
            interface.address.count('\0') == interface.address.size())
            continue;
        addresses.append(interface.address);
    }
    return addresses;
}
