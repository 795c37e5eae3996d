#include "hardware/adapterscan.h"
#include "hardware/pcidevices.h"
#include "hardware/sysroot.h"

namespace AdapterScan {

DisplayAdapterList listDisplayAdapters()
{
    return pciDisplayAdapters(SysRoot::path());
}

} // namespace AdapterScan
