#pragma once
// The adapter list the page asks for with "graphicsList": the adapters of the
// three supported vendors, as indented JSON.

#include "hardware/adapterscan.h"

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

} // namespace GraphicsList
