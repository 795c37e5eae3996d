// The WMI connection and its nine class readers against the system's own WMI.

#include "winhelpers.h"

#include "hardware/wmic.h"

#include <objbase.h>

#include <doctest.h>

#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string u8(const std::u16string &text)
{
    return WinTest::utf8(text);
}

// Keeps what is written to std::cout while it lives.
class CoutCapture final {
public:
    CoutCapture() : m_previous(std::cout.rdbuf(m_captured.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(m_previous); }
    CoutCapture(const CoutCapture &) = delete;
    CoutCapture &operator=(const CoutCapture &) = delete;
    std::string text() const { return m_captured.str(); }

private:
    std::ostringstream m_captured;
    std::streambuf *m_previous;
};

// Prints every reader's records, so a run shows what the system answered.
template <typename Record, typename Describe>
void show(const char *reader, const std::vector<Record> &records, Describe describe)
{
    std::ostringstream out;
    out << reader << ": " << records.size() << " record(s)";
    for (const Record &record : records)
        out << "\n    " << describe(record);
    MESSAGE(out.str());
}

const std::regex kQueryFailure(R"(Query for xxx failed\. Error code = 0x8[0-9a-f]{7}\n)");

} // namespace

TEST_CASE("WMI connection reaches ROOT\\CIMV2 and every class reader answers")
{
    std::string printed;
    {
        CoutCapture capture;
        WMIC wmic;
        printed = capture.text();

        // In the order the inventory report runs them, on one connection.
        OperatingSystemRecord os;
        CHECK_NOTHROW(os = wmic.operatingSystem());
        show("Win32_OperatingSystem", std::vector<OperatingSystemRecord>{os}, [](const auto &r) {
            return "Caption=\"" + u8(r.caption) + "\" BuildNumber=\"" + u8(r.buildNumber) +
                   "\" Version=\"" + u8(r.version) + "\" InstallDate=\"" + u8(r.installDate) +
                   "\" OSArchitecture=\"" + u8(r.osArchitecture) + "\" RegisteredUser=\"" +
                   u8(r.registeredUser) + "\" SerialNumber=\"" + u8(r.serialNumber) + "\"";
        });
        std::vector<ProcessorRecord> processors;
        CHECK_NOTHROW(processors = wmic.processors());
        show("Win32_Processor", processors, [](const auto &r) {
            return "Name=\"" + u8(r.name) + "\" Description=\"" + u8(r.description) +
                   "\" Manufacturer=\"" + u8(r.manufacturer) +
                   "\" NumberOfCores=" + std::to_string(r.numberOfCores) +
                   " ThreadCount=" + std::to_string(r.threadCount) +
                   " MaxClockSpeed=" + std::to_string(r.maxClockSpeed) + " GHz";
        });
        BaseBoardRecord board;
        CHECK_NOTHROW(board = wmic.baseBoard());
        show("Win32_BaseBoard", std::vector<BaseBoardRecord>{board}, [](const auto &r) {
            return "Name=\"" + u8(r.name) + "\" Manufacturer=\"" + u8(r.manufacturer) +
                   "\" Product=\"" + u8(r.product) + "\" Version=\"" + u8(r.version) +
                   "\" SerialNumber=\"" + u8(r.serialNumber) + "\"";
        });
        std::vector<VideoControllerRecord> video;
        CHECK_NOTHROW(video = wmic.videoControllers());
        show("Win32_VideoController", video, [](const auto &r) {
            return "Name=\"" + u8(r.name) + "\" PNPDeviceID=\"" + u8(r.pnpDeviceId) + "\"";
        });
        std::vector<PhysicalMemoryRecord> memory;
        CHECK_NOTHROW(memory = wmic.physicalMemory());
        show("Win32_PhysicalMemory", memory, [](const auto &r) {
            return "Name=\"" + u8(r.name) + "\" Manufacturer=\"" + u8(r.manufacturer) +
                   "\" SerialNumber=\"" + u8(r.serialNumber) +
                   "\" Speed=" + std::to_string(r.speed) +
                   " Capacity=" + std::to_string(r.capacity) + " GiB";
        });
        std::vector<DiskDriveRecord> disks;
        CHECK_NOTHROW(disks = wmic.diskDrives());
        show("Win32_DiskDrive", disks, [](const auto &r) {
            return "Caption=\"" + u8(r.caption) + "\" PNPDeviceID=\"" + u8(r.pnpDeviceId) +
                   "\" SerialNumber=\"" + u8(r.serialNumber) + "\" Size=" + std::to_string(r.size) +
                   " GiB";
        });
        std::vector<DesktopMonitorRecord> monitors;
        CHECK_NOTHROW(monitors = wmic.desktopMonitors());
        show("Win32_DesktopMonitor", monitors, [](const auto &r) {
            return "Name=\"" + u8(r.name) + "\" Description=\"" + u8(r.description) +
                   "\" MonitorManufacturer=\"" + u8(r.monitorManufacturer) + "\"";
        });
        std::vector<SoundDeviceRecord> sound;
        CHECK_NOTHROW(sound = wmic.soundDevices());
        show("Win32_SoundDevice", sound, [](const auto &r) {
            return "Name=\"" + u8(r.name) + "\" Description=\"" + u8(r.description) + "\"";
        });
        std::vector<NetworkAdapterRecord> adapters;
        CHECK_NOTHROW(adapters = wmic.networkAdapters());
        show("Win32_NetworkAdapter (not Microsoft)", adapters, [](const auto &r) {
            return "Name=\"" + u8(r.name) + "\" Description=\"" + u8(r.description) +
                   "\" Manufacturer=\"" + u8(r.manufacturer) + "\" MACAddress=\"" +
                   u8(r.macAddress) + "\" AdapterType=\"" + u8(r.adapterType) + "\"";
        });
    }
    CHECK(printed == "Connected to ROOT\\CIMV2 WMI namespace\n");
}

TEST_CASE("network adapter reader leaves out exactly the Microsoft adapters")
{
    CoutCapture quiet;
    WMIC wmic;
    const std::size_t all = queryForTest(wmic, u"Win32_NetworkAdapter");
    const std::size_t microsoft =
        queryForTest(wmic, u"Win32_NetworkAdapter WHERE Manufacturer='Microsoft'");
    MESSAGE("Win32_NetworkAdapter: " << all << " in all, " << microsoft << " by Microsoft");

    const std::vector<NetworkAdapterRecord> adapters = wmic.networkAdapters();
    CHECK(adapters.size() == all - microsoft);
    for (const NetworkAdapterRecord &adapter : adapters)
        CHECK(u8(adapter.manufacturer) != "Microsoft");
}

TEST_CASE("a failing query throws its message and the connection is given back once")
{
    // This thread's own COM reference: it survives only if the connection leaves
    // COM exactly as often as it entered it.
    REQUIRE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // WQL that cannot be parsed. (Wine answers a class it does not know with no
    // instances rather than with a failure.)
    for (const char16_t *target : {u"Win32_Processor WHERE", u"Win32_Processor WHERE Name ="}) {
        CAPTURE(u8(target));
        CoutCapture quiet;
        WMIC wmic;
        std::string message;
        try {
            queryForTest(wmic, target);
        } catch (const WMICException &failure) {
            message = failure.what();
        }
        MESSAGE("WMICException: " << message);
        CHECK(std::regex_match(message, kQueryFailure));
        // A reader after the failure has nothing left to ask and fails the same way.
        CHECK_THROWS_AS(wmic.processors(), WMICException);
    }
    CHECK(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST_CASE("connecting on a multithreaded COM thread fails with the COM message")
{
    std::string message;
    bool connected = false;
    std::thread worker([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
            return;
        try {
            WMIC wmic;
            connected = true;
        } catch (const WMICException &failure) {
            message = failure.what();
        }
        CoUninitialize();
    });
    worker.join();
    CHECK_FALSE(connected);
    CHECK(message == "Failed to initialize COM library. Error code = 0x80010106\n");
}
