#include "base/vendorpages.h"

#include <QUrl>

namespace VendorPages {

bool isVendorAddress(const QUrl &url)
{
    if (!url.isValid() || url.scheme() != QLatin1String("https") || !url.userInfo().isEmpty())
        return false;
    const QString host = url.host(QUrl::FullyDecoded).toLower();
    for (const char *vendor : {"nvidia.com", "amd.com", "ati.com", "intel.com"}) {
        const QString domain = QLatin1String(vendor);
        if (host == domain || host.endsWith(QLatin1Char('.') + domain))
            return true;
    }
    return false;
}

} // namespace VendorPages
