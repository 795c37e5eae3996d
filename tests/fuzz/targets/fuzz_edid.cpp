// A monitor's EDID as /sys/class/drm/*/edid gives it.

#include "fuzzcheck.h"

#include "hardware/edid.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray blob(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const Edid::Monitor monitor = Edid::parse(blob);
    require(monitor.valid || (monitor.manufacturerId.isEmpty() && monitor.name.isEmpty()),
            "an invalid block yields nothing");
    require(monitor.name.size() <= 13, "a name descriptor holds at most 13 characters");
    return 0;
}
