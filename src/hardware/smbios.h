#pragma once
// Parser of the SMBIOS structure table (as the kernel exposes it in
// /sys/firmware/dmi/tables/DMI): the baseboard (type 2) and the installed
// memory modules (type 17). Malformed input yields fewer records, never a
// read past the buffer.

#include "hardware/wmic.h"

#include <QByteArray>

namespace Smbios {

struct Inventory {
    bool hasBaseBoard = false;
    BaseBoardRecord baseBoard;                // the last type 2 structure
    std::vector<PhysicalMemoryRecord> memory; // installed modules, in table order
};

Inventory parse(const QByteArray &table);

} // namespace Smbios
