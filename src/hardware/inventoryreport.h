#pragma once
// The machine summary the page receives after a scan: one indented JSON object
// with the host, bit width, system and one display text per kind of hardware.

#include "hardware/wmic.h"

#include <QString>

namespace InventoryReport {

// What the class readers found; readers that did not run found nothing.
struct Findings {
    OperatingSystemRecord operatingSystem;
    std::vector<ProcessorRecord> processors;
    BaseBoardRecord baseBoard;
    std::vector<VideoControllerRecord> videoControllers;
    std::vector<PhysicalMemoryRecord> physicalMemory;
    std::vector<DiskDriveRecord> diskDrives;
    std::vector<DesktopMonitorRecord> desktopMonitors;
    std::vector<SoundDeviceRecord> soundDevices;
    std::vector<NetworkAdapterRecord> networkAdapters;
};

// Runs the readers in their fixed order on one connection. A WMICException
// ends the reading: its message goes to standard output and what was read
// before it is kept.
Findings gather();

// "8GB(Kingston 2666MHz)单通道内存": the first module only.
QString memoryText(const PhysicalMemoryRecord &module);

// The report text for the given facts.
QString compose(const QString &host, bool is64Bit, const Findings &findings);

// A fresh report of this machine. Blocks for as long as the readers take.
QString build();

} // namespace InventoryReport
