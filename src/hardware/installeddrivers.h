#pragma once
// The driver each display adapter uses now, as the system records it.
// Qt-free so the Windows side builds with a plain toolchain.

#include <string>
#include <vector>

struct InstalledDriver {
    std::u16string hardid;   // the adapter's first hardware id, as AdapterScan gives it
    std::u16string platform; // u"windows" or u"linux"
    std::u16string driver;   // Windows: the driver's service ("nvlddmkm"); Linux: the
                             // kernel driver bound to the device ("i915"); empty when none
    std::u16string provider; // Windows: the driver's publisher ("NVIDIA")
    std::u16string version;  // Windows: DriverVersion; Linux: the module's version, if published
    std::u16string date;     // Windows: DriverDate as YYYY-MM-DD
};

namespace InstalledDrivers {

// One entry per present display adapter, in the order of
// AdapterScan::listDisplayAdapters(). Never fails: what cannot be read is empty.
std::vector<InstalledDriver> list();

// Windows writes driver dates as "M-D-YYYY"; "2024-09-20" for "9-20-2024",
// empty for anything that is no such date.
std::u16string isoDate(const std::u16string &windowsDate);

} // namespace InstalledDrivers
