#pragma once
// The adapter list the page asks for with "graphicsList": the adapters of the
// three supported vendors, as indented JSON.

#include "hardware/adapterscan.h"
#include "hardware/installeddrivers.h"

#include <QByteArray>

namespace GraphicsList {

// Keeps AMD, Intel and NVIDIA adapters (by PCI vendor number, or by name while
// nothing has been accepted); when none is kept, the whole list without the
// remote-desktop ("oray") adapters, never emptied by that removal.
DisplayAdapterList filter(const DisplayAdapterList &adapters);

// Indented JSON array of {"desc", "hardid"} objects, UTF-8.
QByteArray toJson(const DisplayAdapterList &adapters);

// The filtered list of this machine's adapters, scanned afresh.
QByteArray json();

// For every adapter the filtered list keeps, in its order, the driver it uses
// now: indented JSON array of {"date", "driver", "hardid", "platform",
// "provider", "version"}, all strings. drivers holds one entry per adapter of
// the unfiltered list (InstalledDrivers::list()); an adapter without one gets
// empty texts but its hardid.
QByteArray driversToJson(const DisplayAdapterList &adapters,
                         const std::vector<InstalledDriver> &drivers);

// The same for this machine, scanned afresh.
QByteArray driversJson();

} // namespace GraphicsList
