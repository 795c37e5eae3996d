#include "hardware/adapterscan.h"

#include "hardware/displayclass_win.h"

namespace AdapterScan {

DisplayAdapterList listDisplayAdapters()
{
    DisplayAdapterList adapters;
    DisplayClass::forEachDevice([&adapters](HDEVINFO set, SP_DEVINFO_DATA *device) {
        using DisplayClass::propertyText;
        const std::u16string description = propertyText(set, device, SPDRP_DEVICEDESC);
        const std::u16string friendlyName = propertyText(set, device, SPDRP_FRIENDLYNAME);
        const std::u16string hardwareId = propertyText(set, device, SPDRP_HARDWAREID);
        adapters.push_back({description.empty() ? friendlyName : description, hardwareId});
    });
    return adapters;
}

} // namespace AdapterScan
