#pragma once
// The display adapters present in the machine, as the system lists them.
// Qt-free so the Windows side builds with a plain toolchain.

#include <string>
#include <vector>

struct DisplayAdapter {
    std::u16string desc;   // description, or the friendly name when that is empty
    std::u16string hardid; // first hardware id, "PCI\VEN_xxxx&DEV_xxxx&SUBSYS_xxxxxxxx&REV_xx"
};

using DisplayAdapterList = std::vector<DisplayAdapter>;

namespace AdapterScan {

// Every present display adapter in the system's order, unfiltered. Never fails:
// whatever cannot be read makes the list shorter or a text empty.
DisplayAdapterList listDisplayAdapters();

} // namespace AdapterScan
