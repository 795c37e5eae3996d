#include "hardware/inventoryreport.h"
#include "hardware/machineidentity.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <iostream>

namespace InventoryReport {

namespace {

const QString kUnknown = QStringLiteral("unknown");

QString q(const std::u16string &text)
{
    return QString::fromStdU16String(text);
}

// The named text of the first record, or "unknown" when there is none.
template <typename Record>
QString firstOr(const std::vector<Record> &records, std::u16string Record::*field)
{
    return records.empty() ? kUnknown : q(records.front().*field);
}

bool isVirtualAdapter(const NetworkAdapterRecord &adapter)
{
    const QString description = q(adapter.description);
    for (const char *word : {"Virtual", "VMware", "VirtualBox"}) {
        if (description.contains(QLatin1String(word), Qt::CaseSensitive))
            return true;
    }
    return false;
}

} // namespace

Findings gather()
{
    Findings findings;
    try {
        WMIC wmic;
        findings.operatingSystem = wmic.operatingSystem();
        findings.processors = wmic.processors();
        findings.baseBoard = wmic.baseBoard();
        findings.videoControllers = wmic.videoControllers();
        findings.physicalMemory = wmic.physicalMemory();
        findings.diskDrives = wmic.diskDrives();
        findings.desktopMonitors = wmic.desktopMonitors();
        findings.soundDevices = wmic.soundDevices();
        findings.networkAdapters = wmic.networkAdapters();
    } catch (const WMICException &failure) {
        std::cout << failure.what() << std::endl;
    }
    return findings;
}

QString memoryText(const PhysicalMemoryRecord &module)
{
    // All markers are filled in one pass, so a manufacturer text that looks
    // like a marker ("%4") stays as it is.
    return QStringLiteral("%1GB(%2 %3MHz)%4")
        .arg(QString::number(module.capacity), q(module.manufacturer),
             QString::number(static_cast<uint32_t>(module.speed)), QStringLiteral("单通道内存"));
}

QString compose(const QString &host, bool is64Bit, const Findings &findings)
{
    QJsonObject report;
    report.insert(QStringLiteral("host"), host);
    report.insert(QStringLiteral("bit"), is64Bit ? 64 : 32);
    report.insert(QStringLiteral("system"), q(findings.operatingSystem.caption));
    report.insert(QStringLiteral("cpu"), firstOr(findings.processors, &ProcessorRecord::name));
    const QString baseboard =
        q(findings.baseBoard.manufacturer) + QLatin1Char(' ') + q(findings.baseBoard.product);
    report.insert(QStringLiteral("baseboard"), baseboard);
    report.insert(QStringLiteral("videoController"),
                  firstOr(findings.videoControllers, &VideoControllerRecord::name));
    report.insert(QStringLiteral("physicalMemory"),
                  findings.physicalMemory.empty() ? kUnknown
                                                  : memoryText(findings.physicalMemory.front()));
    report.insert(QStringLiteral("diskDrive"),
                  firstOr(findings.diskDrives, &DiskDriveRecord::caption));
    report.insert(QStringLiteral("monitor"),
                  firstOr(findings.desktopMonitors, &DesktopMonitorRecord::name));
    report.insert(QStringLiteral("audioCard"),
                  firstOr(findings.soundDevices, &SoundDeviceRecord::name));

    if (findings.networkAdapters.empty()) {
        report.insert(QStringLiteral("networkAdapter"), kUnknown);
    } else {
        for (const NetworkAdapterRecord &adapter : findings.networkAdapters) {
            if (!isVirtualAdapter(adapter)) {
                report.insert(QStringLiteral("networkAdapter"), q(adapter.name));
                break;
            }
        }
    }
    return QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Indented));
}

QString build()
{
    const QString host = q(MachineIdentity::computerName());
    const bool is64Bit = MachineIdentity::is64Bit();
    return compose(host, is64Bit, gather());
}

} // namespace InventoryReport
