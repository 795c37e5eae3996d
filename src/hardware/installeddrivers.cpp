#include "hardware/installeddrivers.h"

namespace InstalledDrivers {

namespace {

// The value of 1 to maxDigits decimal digits, or -1.
int decimal(const std::u16string &text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return -1;
    int value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

void append(std::u16string *out, int value, int width)
{
    std::u16string digits;
    for (; width > 0 || value > 0; --width, value /= 10)
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    *out += digits;
}

} // namespace

std::u16string isoDate(const std::u16string &windowsDate)
{
    const std::size_t first = windowsDate.find(u'-');
    const std::size_t second =
        first == std::u16string::npos ? first : windowsDate.find(u'-', first + 1);
    if (second == std::u16string::npos)
        return {};
    const int month = decimal(windowsDate.substr(0, first), 2);
    const int day = decimal(windowsDate.substr(first + 1, second - first - 1), 2);
    const std::u16string yearText = windowsDate.substr(second + 1);
    const int year = yearText.size() == 4 ? decimal(yearText, 4) : -1;
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1980)
        return {};
    std::u16string out;
    append(&out, year, 4);
    out += u'-';
    append(&out, month, 2);
    out += u'-';
    append(&out, day, 2);
    return out;
}

} // namespace InstalledDrivers
