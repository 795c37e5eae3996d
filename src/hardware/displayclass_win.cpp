#include "hardware/displayclass_win.h"

#include <vector>

namespace DisplayClass {

namespace {

// GUID_DEVCLASS_DISPLAY, spelt out so no GUID library is needed.
const GUID kDisplayClass = {
    0x4d36e968, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

constexpr DWORD kTextBufferUnits = 1024; // 2048 bytes

} // namespace

std::u16string propertyText(HDEVINFO set, SP_DEVINFO_DATA *device, DWORD property)
{
    std::u16string value;
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
            value = textUpToNul(buffer, required / sizeof(wchar_t));
        break;
    }
    case REG_MULTI_SZ: {
        // One spare unit so that a list without its terminator still ends.
        std::vector<wchar_t> buffer(required / sizeof(wchar_t) + 1, L'\0');
        if (SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr,
                                              reinterpret_cast<PBYTE>(buffer.data()), required,
                                              nullptr))
            value = textUpToNul(buffer.data(), buffer.size());
        break;
    }
    case REG_DWORD: {
        DWORD number = 0;
        if (required == sizeof number &&
            SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr,
                                              reinterpret_cast<PBYTE>(&number), sizeof number,
                                              nullptr)) {
            const std::string digits = std::to_string(number);
            value.assign(digits.begin(), digits.end());
        }
        break;
    }
    default:
        // Binary data, 64-bit numbers and resource lists are not texts.
        break;
    }
    return value;
}

std::u16string textUpToNul(const wchar_t *units, std::size_t count)
{
    const auto *text = reinterpret_cast<const char16_t *>(units);
    std::size_t length = 0;
    while (length < count && text[length] != u'\0')
        ++length;
    return std::u16string(text, length);
}

void forEachDevice(const std::function<void(HDEVINFO, SP_DEVINFO_DATA *)> &each)
{
    HDEVINFO set = SetupDiGetClassDevsW(&kDisplayClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index)
        each(set, &device);
    SetupDiDestroyDeviceInfoList(set);
}

} // namespace DisplayClass
