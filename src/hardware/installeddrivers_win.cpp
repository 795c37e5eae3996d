#include "hardware/installeddrivers.h"

#include "hardware/displayclass_win.h"

#include <vector>

namespace InstalledDrivers {

namespace {

// A text value of a registry key; empty when it is missing or no text.
std::u16string registryText(HKEY key, const wchar_t *name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
        return {};
    // One spare unit so that a text without its terminator still ends.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return {};
    return DisplayClass::textUpToNul(buffer.data(), buffer.size());
}

} // namespace

std::vector<InstalledDriver> list()
{
    std::vector<InstalledDriver> drivers;
    DisplayClass::forEachDevice([&drivers](HDEVINFO set, SP_DEVINFO_DATA *device) {
        InstalledDriver driver;
        driver.platform = u"windows";
        driver.hardid = DisplayClass::propertyText(set, device, SPDRP_HARDWAREID);
        driver.driver = DisplayClass::propertyText(set, device, SPDRP_SERVICE);
        // The driver key under the display class records what was installed.
        HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            driver.provider = registryText(key, L"ProviderName");
            driver.version = registryText(key, L"DriverVersion");
            driver.date = isoDate(registryText(key, L"DriverDate"));
            RegCloseKey(key);
        }
        drivers.push_back(driver);
    });
    return drivers;
}

} // namespace InstalledDrivers
