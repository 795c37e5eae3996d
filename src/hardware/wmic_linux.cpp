#include "hardware/edid.h"
#include "hardware/machineidentity.h"
#include "hardware/netinterfaces.h"
#include "hardware/osrelease.h"
#include "hardware/pcidevices.h"
#include "hardware/procfiles.h"
#include "hardware/smbios.h"
#include "hardware/sysroot.h"
#include "hardware/wmic.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <sstream>

namespace {

std::u16string u16(const QString &text)
{
    return text.toStdU16String();
}

QString architecture()
{
    utsname names{};
    return uname(&names) == 0 ? QString::fromLatin1(names.machine) : QString();
}

// The largest cpufreq maximum (kHz) among the given logical processors, in MHz.
int maxMegahertz(const QString &root, const QVector<int> &processors)
{
    int best = 0;
    for (const int processor : processors) {
        const QString path =
            SysRoot::file(root, QStringLiteral("/sys/devices/system/cpu/cpu%1/cpufreq/"
                                               "cpuinfo_max_freq")
                                    .arg(processor));
        best = std::max(best, SysRoot::readText(path).toInt() / 1000);
    }
    return best;
}

QString macAddress(const QByteArray &address)
{
    return QString::fromLatin1(address.toHex(':').toUpper());
}

bool isPseudoDisk(const QString &name)
{
    for (const char *prefix : {"loop", "ram", "zram", "dm-"}) {
        if (name.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

QString firstText(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QString text = SysRoot::readText(path);
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

} // namespace

struct WMIC::Private {
    QString root;

    QString file(const QString &absolutePath) const { return SysRoot::file(root, absolutePath); }
};

WMIC::WMIC() : m_d(std::make_unique<Private>())
{
    m_d->root = SysRoot::path();
    // Like a namespace that cannot be opened: the whole source is unreachable.
    if (access(QFile::encodeName(m_d->root).constData(), R_OK | X_OK) != 0) {
        const uint32_t code = errno == EACCES ? 0x80070005u : 0x80070003u;
        std::ostringstream text;
        text << "Could not connect. Error code = 0x" << std::hex << code << '\n';
        throw WMICException(text.str());
    }
    std::cout << "Connected to ROOT\\CIMV2 WMI namespace" << std::endl;
}

WMIC::~WMIC() = default;

OperatingSystemRecord WMIC::operatingSystem()
{
    const QMap<QString, QString> release = OsRelease::parse(OsRelease::read(m_d->root));

    OperatingSystemRecord record;
    record.caption = u16(release.value(QStringLiteral("PRETTY_NAME")));
    record.buildNumber =
        u16(SysRoot::readText(m_d->file(QStringLiteral("/proc/sys/kernel/version"))));
    record.version =
        u16(SysRoot::readText(m_d->file(QStringLiteral("/proc/sys/kernel/osrelease"))));
    record.osArchitecture = MachineIdentity::is64Bit() ? u"64-bit" : u"32-bit";
    record.serialNumber = u16(SysRoot::readText(m_d->file(QStringLiteral("/etc/machine-id"))));
    return record;
}

std::vector<ProcessorRecord> WMIC::processors()
{
    const QString arch = architecture();
    std::vector<ProcessorRecord> records;
    const QString text =
        QString::fromUtf8(SysRoot::readFile(m_d->file(QStringLiteral("/proc/cpuinfo"))));
    for (const ProcFiles::ProcessorPackage &package : ProcFiles::parseCpuInfo(text)) {
        ProcessorRecord record;
        record.name = u16(package.modelName);
        record.description = u16(ProcFiles::processorDescription(package, arch));
        record.manufacturer = u16(package.vendor);
        record.numberOfCores = package.cores;
        record.threadCount = package.threads;
        // Without cpufreq (virtual machines) the reported clock is the best there is.
        int megahertz = maxMegahertz(m_d->root, package.processors);
        if (megahertz == 0)
            megahertz = static_cast<int>(package.megahertz);
        record.maxClockSpeed = megahertz / 1000.0;
        records.push_back(record);
    }
    return records;
}

BaseBoardRecord WMIC::baseBoard()
{
    const Smbios::Inventory smbios =
        Smbios::parse(SysRoot::readFile(m_d->file(QStringLiteral("/sys/firmware/dmi/tables/DMI"))));
    if (smbios.hasBaseBoard)
        return smbios.baseBoard;

    // The tables are readable by root only; the kernel's summary is not.
    const QString id = m_d->file(QStringLiteral("/sys/class/dmi/id/"));
    BaseBoardRecord record;
    record.manufacturer = u16(SysRoot::readText(id + QLatin1String("board_vendor")));
    record.product = u16(SysRoot::readText(id + QLatin1String("board_name")));
    record.version = u16(SysRoot::readText(id + QLatin1String("board_version")));
    record.serialNumber = u16(SysRoot::readText(id + QLatin1String("board_serial")));
    if (!record.manufacturer.empty() || !record.product.empty())
        record.name = u"Base Board";
    return record;
}

std::vector<VideoControllerRecord> WMIC::videoControllers()
{
    std::vector<VideoControllerRecord> records;
    for (const DisplayAdapter &adapter : pciDisplayAdapters(m_d->root))
        records.push_back({adapter.desc, adapter.hardid});
    return records;
}

std::vector<PhysicalMemoryRecord> WMIC::physicalMemory()
{
    return Smbios::parse(
               SysRoot::readFile(m_d->file(QStringLiteral("/sys/firmware/dmi/tables/DMI"))))
        .memory;
}

std::vector<DiskDriveRecord> WMIC::diskDrives()
{
    std::vector<DiskDriveRecord> records;
    const QDir folder(m_d->file(QStringLiteral("/sys/block")));
    const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        if (isPseudoDisk(name))
            continue;
        const QString base = folder.filePath(name) + QLatin1Char('/');
        DiskDriveRecord record;
        const QString model = SysRoot::readText(base + QLatin1String("device/model"));
        record.caption = u16(model.isEmpty() ? name : model);
        record.pnpDeviceId = u16(SysRoot::readText(base + QLatin1String("device/modalias")));
        record.serialNumber =
            u16(firstText({base + QLatin1String("device/serial"), base + QLatin1String("serial")}));
        // "size" counts 512-byte sectors whatever the device's own sector size.
        record.size = SysRoot::readText(base + QLatin1String("size")).toULongLong() * 512 >> 30;
        records.push_back(record);
    }
    return records;
}

std::vector<DesktopMonitorRecord> WMIC::desktopMonitors()
{
    std::vector<DesktopMonitorRecord> records;
    const QDir folder(m_d->file(QStringLiteral("/sys/class/drm")));
    const QStringList outputs = folder.entryList({QStringLiteral("card*-*")},
                                                 QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &output : outputs) {
        const QString base = folder.filePath(output) + QLatin1Char('/');
        if (SysRoot::readText(base + QLatin1String("status")) != QLatin1String("connected"))
            continue;
        const Edid::Monitor monitor = Edid::parse(SysRoot::readFile(base + QLatin1String("edid")));
        if (!monitor.valid)
            continue;
        DesktopMonitorRecord record;
        record.name =
            u16(monitor.name.isEmpty() ? QStringLiteral("%1 %2")
                                             .arg(monitor.manufacturerId)
                                             .arg(monitor.productCode, 4, 16, QLatin1Char('0'))
                                             .toUpper()
                                       : monitor.name);
        // "card0-HDMI-A-1" is connector HDMI-A-1 of card 0.
        record.description = u16(output.mid(output.indexOf(QLatin1Char('-')) + 1));
        record.monitorManufacturer = u16(monitor.manufacturerId);
        records.push_back(record);
    }
    return records;
}

std::vector<SoundDeviceRecord> WMIC::soundDevices()
{
    std::vector<SoundDeviceRecord> records;
    const QString text =
        QString::fromUtf8(SysRoot::readFile(m_d->file(QStringLiteral("/proc/asound/cards"))));
    for (const ProcFiles::SoundCard &card : ProcFiles::parseSoundCards(text))
        records.push_back({u16(card.name), u16(card.description)});
    return records;
}

std::vector<NetworkAdapterRecord> WMIC::networkAdapters()
{
    std::vector<NetworkAdapterRecord> records;
    for (const NetInterface &interface : readNetInterfaces(m_d->root)) {
        if (interface.isLoopback())
            continue;
        NetworkAdapterRecord record;
        const bool onPci = interface.pciVendor != 0;
        const QString name =
            onPci ? PciNames::name(interface.pciVendor, interface.pciDevice, m_d->root)
                  : interface.name;
        record.name = u16(name);
        // The report skips adapters whose description says "Virtual".
        record.description =
            u16(interface.isVirtual ? QStringLiteral("Virtual network interface ") + interface.name
                                    : name);
        record.manufacturer =
            u16(onPci ? PciNames::vendorName(interface.pciVendor, m_d->root) : QString());
        record.macAddress = u16(macAddress(interface.address));
        record.adapterType = interface.type == 1 ? u"Ethernet 802.3" : u"";
        records.push_back(record);
    }
    return records;
}
