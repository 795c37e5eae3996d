#pragma once
// A small synchronous client for the machine's hardware and operating-system
// facts, made for one inventory report on one thread. On Windows it is WMI's
// ROOT\CIMV2; on Linux the same records come from /proc, /sys, the SMBIOS
// tables and monitor EDID under the system root. Qt-free so the Windows side
// builds with a plain toolchain.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

// Every failure of connecting or querying, with its diagnostic text.
class WMICException : public std::exception {
public:
    explicit WMICException(std::string message);
    ~WMICException() override;
    const char *what() const noexcept override;

private:
    std::string m_message;
};

// Field names follow the WMI properties they hold. Texts are UTF-16.
struct OperatingSystemRecord {
    std::u16string caption;
    std::u16string buildNumber;
    std::u16string version;
    std::u16string installDate;
    std::u16string osArchitecture;
    std::u16string registeredUser;
    std::u16string serialNumber;
};

struct ProcessorRecord {
    std::u16string name;
    std::u16string description;
    std::u16string manufacturer;
    int32_t numberOfCores = 0;
    int32_t threadCount = 0;
    double maxClockSpeed = 0; // GHz
};

struct BaseBoardRecord {
    std::u16string name;
    std::u16string manufacturer;
    std::u16string product;
    std::u16string version;
    std::u16string serialNumber;
};

struct VideoControllerRecord {
    std::u16string name;
    std::u16string pnpDeviceId;
};

struct PhysicalMemoryRecord {
    std::u16string name;
    std::u16string manufacturer;
    std::u16string serialNumber;
    int32_t speed = 0;     // MHz
    uint64_t capacity = 0; // whole GiB
};

struct DiskDriveRecord {
    std::u16string caption;
    std::u16string pnpDeviceId;
    std::u16string serialNumber;
    uint64_t size = 0; // whole GiB
};

struct DesktopMonitorRecord {
    std::u16string name;
    std::u16string description;
    std::u16string monitorManufacturer;
};

struct SoundDeviceRecord {
    std::u16string name;
    std::u16string description;
};

struct NetworkAdapterRecord {
    std::u16string name;
    std::u16string description;
    std::u16string manufacturer;
    std::u16string macAddress;
    std::u16string adapterType;
};

// One connection; used and destroyed on the thread that made it.
class WMIC final {
public:
    // Throws WMICException when the source of the facts cannot be reached.
    WMIC();
    ~WMIC();
    WMIC(const WMIC &) = delete;
    WMIC &operator=(const WMIC &) = delete;

    // Readers give the records in the source's order; a class without instances
    // gives an empty list (or a record of empty texts). They throw only when the
    // query itself fails.
    OperatingSystemRecord operatingSystem();
    std::vector<ProcessorRecord> processors();
    BaseBoardRecord baseBoard();
    std::vector<VideoControllerRecord> videoControllers();
    std::vector<PhysicalMemoryRecord> physicalMemory();
    std::vector<DiskDriveRecord> diskDrives();
    std::vector<DesktopMonitorRecord> desktopMonitors();
    std::vector<SoundDeviceRecord> soundDevices();
    std::vector<NetworkAdapterRecord> networkAdapters();

private:
    struct Private;
    std::unique_ptr<Private> m_d;
};
