#include "hardware/adapterscan.h"

#include <windows.h>

#include <setupapi.h>

#include <cstdint>

namespace AdapterScan {

namespace {

// GUID_DEVCLASS_DISPLAY, spelt out so no GUID library is needed.
const GUID kDisplayClass = {
    0x4d36e968, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

constexpr DWORD kTextBufferUnits = 1024; // 2048 bytes

// A device registry property: text, or a number for REG_DWORD.
struct PropertyValue {
    bool isNumber = false;
    std::u16string text;
    uint32_t number = 0;

    std::u16string asText() const
    {
        if (!isNumber)
            return text;
        const std::string digits = std::to_string(number);
        return std::u16string(digits.begin(), digits.end());
    }
};

std::u16string textUpToNul(const wchar_t *units, std::size_t count)
{
    const auto *text = reinterpret_cast<const char16_t *>(units);
    std::size_t length = 0;
    while (length < count && text[length] != u'\0')
        ++length;
    return std::u16string(text, length);
}

// Never fails: a property that cannot be read is the empty text.
PropertyValue readProperty(HDEVINFO set, SP_DEVINFO_DATA *device, DWORD property)
{
    PropertyValue value;
    DWORD type = 0;
    DWORD required = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, property, &type, nullptr, 0, &required) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return value;

    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        wchar_t buffer[kTextBufferUnits] = {};
        if (required > sizeof buffer)
            return value;
        if (SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr,
                                              reinterpret_cast<PBYTE>(buffer), sizeof buffer,
                                              nullptr))
            value.text = textUpToNul(buffer, required / sizeof(wchar_t));
        break;
    }
    case REG_MULTI_SZ: {
        // One spare unit so that a list without its terminator still ends.
        std::vector<wchar_t> buffer(required / sizeof(wchar_t) + 1, L'\0');
        if (SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr,
                                              reinterpret_cast<PBYTE>(buffer.data()), required,
                                              nullptr))
            value.text = textUpToNul(buffer.data(), buffer.size());
        break;
    }
    case REG_DWORD: {
        DWORD number = 0;
        if (required == sizeof number &&
            SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr,
                                              reinterpret_cast<PBYTE>(&number), sizeof number,
                                              nullptr)) {
            value.isNumber = true;
            value.number = number;
        }
        break;
    }
    default:
        // Binary data, 64-bit numbers and resource lists are not texts.
        break;
    }
    return value;
}

} // namespace

DisplayAdapterList listDisplayAdapters()
{
    DisplayAdapterList adapters;
    HDEVINFO set = SetupDiGetClassDevsW(&kDisplayClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return adapters;

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        const std::u16string description = readProperty(set, &device, SPDRP_DEVICEDESC).asText();
        const std::u16string friendlyName = readProperty(set, &device, SPDRP_FRIENDLYNAME).asText();
        const std::u16string hardwareId = readProperty(set, &device, SPDRP_HARDWAREID).asText();
        adapters.push_back({description.empty() ? friendlyName : description, hardwareId});
    }
    SetupDiDestroyDeviceInfoList(set);
    return adapters;
}

} // namespace AdapterScan
