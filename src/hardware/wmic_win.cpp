#include "hardware/wmic.h"

#define _WIN32_DCOM
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <iostream>
#include <sstream>

namespace {

// CLSID_WbemLocator and IID_IWbemLocator, spelt out so no GUID library is needed.
const CLSID kWbemLocatorClass = {
    0x4590f811, 0x1d3a, 0x11d0, {0x89, 0x1f, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};
const IID kWbemLocatorInterface = {
    0xdc12a687, 0x737f, 0x11cf, {0x88, 0x4d, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};

const wchar_t *wide(const std::u16string &text)
{
    return reinterpret_cast<const wchar_t *>(text.c_str());
}

std::u16string textUpToNul(const wchar_t *text)
{
    if (!text)
        return std::u16string();
    return std::u16string(reinterpret_cast<const char16_t *>(text));
}

// A BSTR that frees itself.
class Bstr final {
public:
    explicit Bstr(const wchar_t *text) : m_value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(m_value); }
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;
    operator BSTR() const { return m_value; }

private:
    BSTR m_value;
};

// One property into a working value, which keeps what it held when the
// property is missing or of another type.
class PropertyReader final {
public:
    explicit PropertyReader(IWbemClassObject *object) : m_object(object) {}

    void text(const wchar_t *name, std::u16string &value) const
    {
        read(name, VT_BSTR, [&](const VARIANT &v) { value = textUpToNul(V_BSTR(&v)); });
    }
    void integer(const wchar_t *name, int32_t &value) const
    {
        read(name, VT_I4, [&](const VARIANT &v) { value = V_I4(&v); });
    }
    // MHz as a 32-bit integer, given in GHz.
    void gigahertz(const wchar_t *name, double &value) const
    {
        read(name, VT_I4,
             [&](const VARIANT &v) { value = static_cast<uint32_t>(V_I4(&v)) / 1000.0; });
    }
    // A decimal byte count in a text, given in whole GiB.
    void gibibytes(const wchar_t *name, uint64_t &value) const
    {
        read(name, VT_BSTR, [&](const VARIANT &v) {
            ULONG64 bytes = 0;
            if (SUCCEEDED(VarUI8FromStr(V_BSTR(&v), 0, LOCALE_NOUSEROVERRIDE, &bytes)))
                value = bytes >> 30;
        });
    }

private:
    template <typename Take> void read(const wchar_t *name, VARTYPE expected, Take take) const
    {
        VARIANT v;
        VariantInit(&v);
        if (SUCCEEDED(m_object->Get(name, 0, &v, nullptr, nullptr)) && V_VT(&v) == expected)
            take(v);
        VariantClear(&v);
    }

    IWbemClassObject *m_object;
};

} // namespace

struct WMIC::Private {
    HRESULT lastResult = 0;
    IWbemLocator *locator = nullptr;
    IWbemServices *service = nullptr;
    std::ostringstream errorText;
    bool closed = false;

    // The fixed text, the last result as the 32-bit pattern in lower-case hex,
    // and a line break; the exception carries the whole error text.
    [[noreturn]] void fail(const char *text)
    {
        errorText.clear();
        errorText << text << std::hex << static_cast<uint32_t>(lastResult) << '\n';
        throw WMICException(errorText.str());
    }

    void close()
    {
        if (closed)
            return;
        if (service)
            service->Release();
        if (locator)
            locator->Release();
        service = nullptr;
        locator = nullptr;
        CoUninitialize();
        closed = true;
    }

    IEnumWbemClassObject *query(const std::u16string &target)
    {
        IEnumWbemClassObject *enumerator = nullptr;
        if (closed) {
            // A reader after a failed query: nothing left to ask.
            lastResult = E_UNEXPECTED;
        } else {
            const std::u16string text = u"SELECT * FROM " + target;
            const Bstr language(L"WQL");
            const Bstr statement(wide(text));
            lastResult = service->ExecQuery(language, statement,
                                            WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                            nullptr, &enumerator);
            if (SUCCEEDED(lastResult))
                return enumerator;
        }
        close();
        fail("Query for xxx failed. Error code = 0x");
    }

    // Every instance in enumeration order; one set of working values is carried
    // from instance to instance, so a missing property keeps the previous value.
    template <typename Record, typename Fill>
    std::vector<Record> readAll(const std::u16string &target, Fill fill)
    {
        IEnumWbemClassObject *enumerator = query(target);
        std::vector<Record> records;
        Record working{};
        for (;;) {
            IWbemClassObject *object = nullptr;
            ULONG returned = 0;
            enumerator->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &returned);
            if (returned == 0 || !object)
                break;
            fill(PropertyReader(object), working);
            records.push_back(working);
            object->Release();
        }
        enumerator->Release();
        return records;
    }

    template <typename Record, typename Fill>
    Record readLast(const std::u16string &target, Fill fill)
    {
        const std::vector<Record> records = readAll<Record>(target, fill);
        return records.empty() ? Record{} : records.back();
    }
};

WMIC::WMIC() : m_d(std::make_unique<Private>())
{
    Private &d = *m_d;
    d.lastResult = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(d.lastResult))
        d.fail("Failed to initialize COM library. Error code = 0x");

    d.lastResult = CoCreateInstance(kWbemLocatorClass, nullptr, CLSCTX_INPROC_SERVER,
                                    kWbemLocatorInterface, reinterpret_cast<void **>(&d.locator));
    if (FAILED(d.lastResult)) {
        d.locator = nullptr;
        CoUninitialize();
        d.closed = true;
        d.fail("Failed to create IWbemLocator object. Err code = 0x");
    }

    const Bstr space(L"ROOT\\CIMV2");
    d.lastResult =
        d.locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &d.service);
    if (FAILED(d.lastResult)) {
        d.service = nullptr;
        d.close();
        d.fail("Could not connect. Error code = 0x");
    }

    std::cout << "Connected to ROOT\\CIMV2 WMI namespace" << std::endl;

    d.lastResult =
        CoSetProxyBlanket(d.service, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                          RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(d.lastResult)) {
        d.close();
        d.fail("Could not set proxy blanket. Error code = 0x");
    }
}

WMIC::~WMIC()
{
    m_d->close();
}

OperatingSystemRecord WMIC::operatingSystem()
{
    return m_d->readLast<OperatingSystemRecord>(
        u"Win32_OperatingSystem", [](const PropertyReader &p, OperatingSystemRecord &r) {
            p.text(L"Caption", r.caption);
            p.text(L"BuildNumber", r.buildNumber);
            p.text(L"Version", r.version);
            p.text(L"InstallDate", r.installDate);
            p.text(L"OSArchitecture", r.osArchitecture);
            p.text(L"RegisteredUser", r.registeredUser);
            p.text(L"SerialNumber", r.serialNumber);
        });
}

std::vector<ProcessorRecord> WMIC::processors()
{
    return m_d->readAll<ProcessorRecord>(u"Win32_Processor",
                                         [](const PropertyReader &p, ProcessorRecord &r) {
                                             p.text(L"Name", r.name);
                                             p.text(L"Description", r.description);
                                             p.text(L"Manufacturer", r.manufacturer);
                                             p.integer(L"NumberOfCores", r.numberOfCores);
                                             p.integer(L"ThreadCount", r.threadCount);
                                             p.gigahertz(L"MaxClockSpeed", r.maxClockSpeed);
                                         });
}

BaseBoardRecord WMIC::baseBoard()
{
    return m_d->readLast<BaseBoardRecord>(u"Win32_BaseBoard",
                                          [](const PropertyReader &p, BaseBoardRecord &r) {
                                              p.text(L"Name", r.name);
                                              p.text(L"Manufacturer", r.manufacturer);
                                              p.text(L"Product", r.product);
                                              p.text(L"Version", r.version);
                                              p.text(L"SerialNumber", r.serialNumber);
                                          });
}

std::vector<VideoControllerRecord> WMIC::videoControllers()
{
    return m_d->readAll<VideoControllerRecord>(
        u"Win32_VideoController", [](const PropertyReader &p, VideoControllerRecord &r) {
            p.text(L"Name", r.name);
            p.text(L"PNPDeviceID", r.pnpDeviceId);
        });
}

std::vector<PhysicalMemoryRecord> WMIC::physicalMemory()
{
    return m_d->readAll<PhysicalMemoryRecord>(u"Win32_PhysicalMemory",
                                              [](const PropertyReader &p, PhysicalMemoryRecord &r) {
                                                  p.text(L"Name", r.name);
                                                  p.text(L"Manufacturer", r.manufacturer);
                                                  p.text(L"SerialNumber", r.serialNumber);
                                                  p.integer(L"Speed", r.speed);
                                                  p.gibibytes(L"Capacity", r.capacity);
                                              });
}

std::vector<DiskDriveRecord> WMIC::diskDrives()
{
    return m_d->readAll<DiskDriveRecord>(u"Win32_DiskDrive",
                                         [](const PropertyReader &p, DiskDriveRecord &r) {
                                             p.text(L"Caption", r.caption);
                                             p.text(L"PNPDeviceID", r.pnpDeviceId);
                                             p.text(L"SerialNumber", r.serialNumber);
                                             p.gibibytes(L"Size", r.size);
                                         });
}

std::vector<DesktopMonitorRecord> WMIC::desktopMonitors()
{
    return m_d->readAll<DesktopMonitorRecord>(
        u"Win32_DesktopMonitor", [](const PropertyReader &p, DesktopMonitorRecord &r) {
            p.text(L"Name", r.name);
            p.text(L"Description", r.description);
            p.text(L"MonitorManufacturer", r.monitorManufacturer);
        });
}

std::vector<SoundDeviceRecord> WMIC::soundDevices()
{
    return m_d->readAll<SoundDeviceRecord>(u"Win32_SoundDevice",
                                           [](const PropertyReader &p, SoundDeviceRecord &r) {
                                               p.text(L"Name", r.name);
                                               p.text(L"Description", r.description);
                                           });
}

std::vector<NetworkAdapterRecord> WMIC::networkAdapters()
{
    return m_d->readAll<NetworkAdapterRecord>(
        u"Win32_NetworkAdapter WHERE Manufacturer!='Microsoft'",
        [](const PropertyReader &p, NetworkAdapterRecord &r) {
            p.text(L"Name", r.name);
            p.text(L"Description", r.description);
            p.text(L"Manufacturer", r.manufacturer);
            p.text(L"MACAddress", r.macAddress);
            p.text(L"AdapterType", r.adapterType);
        });
}
