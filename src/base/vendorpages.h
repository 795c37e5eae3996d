#pragma once
// The graphics vendors' own web sites: the only places the pages may send the
// browser to and the only hosts a driver catalogue may point downloads at.

class QUrl;

namespace VendorPages {

// https on nvidia.com, amd.com, ati.com or intel.com, or a host below them,
// without user information.
bool isVendorAddress(const QUrl &url);

} // namespace VendorPages
