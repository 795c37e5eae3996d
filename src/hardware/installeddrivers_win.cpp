#include "hardware/installeddrivers.h"

#include <windows.h>

#include <setupapi.h>

namespace InstalledDrivers {

namespace {

// GUID_DEVCLASS_DISPLAY, spelt out so no GUID library is needed.
const GUID kDisplayClass = {
    0x4d36e968, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::u16string textUpToNul(const std::vector<wchar_t> &units)
{
    std::u16string text;
    for (const wchar_t unit : units) {
        if (unit == L'\0')
            break;
        text += static_cast<char16_t>(unit);
    }
    return text;
}

// A text property of the device (the first entry of a list); empty when the
// device has none.
std::u16string deviceText(HDEVINFO set, SP_DEVINFO_DATA *device, DWORD property)
{
    DWORD type = 0;
    DWORD required = 0;
    SetupDiGetDeviceRegistryPropertyW(set, device, property, &type, nullptr, 0, &required);
    if (required == 0 || (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ))
        return {};
    // One spare unit so that a text without its terminator still ends.
    std::vector<wchar_t> buffer(required / sizeof(wchar_t) + 1, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr,
                                           reinterpret_cast<PBYTE>(buffer.data()), required,
                                           nullptr))
        return {};
    return textUpToNul(buffer);
}

// A text value of a registry key; empty when it is missing or no text.
std::u16string registryText(HKEY key, const wchar_t *name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
        return {};
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return {};
    return textUpToNul(buffer);
}

} // namespace

std::vector<InstalledDriver> list()
{
    std::vector<InstalledDriver> drivers;
    HDEVINFO set = SetupDiGetClassDevsW(&kDisplayClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return drivers;

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        InstalledDriver driver;
        driver.platform = u"windows";
        driver.hardid = deviceText(set, &device, SPDRP_HARDWAREID);
        driver.driver = deviceText(set, &device, SPDRP_SERVICE);
        // The driver key under the display class records what was installed.
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            driver.provider = registryText(key, L"ProviderName");
            driver.version = registryText(key, L"DriverVersion");
            driver.date = isoDate(registryText(key, L"DriverDate"));
            RegCloseKey(key);
        }
        drivers.push_back(driver);
    }
    SetupDiDestroyDeviceInfoList(set);
    return drivers;
}

} // namespace InstalledDrivers
