// The SMBIOS structure table as /sys/firmware/dmi/tables/DMI gives it.

#include "fuzzcheck.h"

#include "hardware/smbios.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray table(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const Smbios::Inventory inventory = Smbios::parse(table);
    // Every module is a structure of at least a header's four bytes.
    require(inventory.memory.size() * 4 <= size, "no more modules than structures fit");
    return 0;
}
