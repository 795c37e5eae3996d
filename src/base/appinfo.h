#pragma once
// Process-wide values of the application shell.

#include <QString>

namespace AppInfo {

inline constexpr char kVersion[] = "4.0.0.4";
inline constexpr char kOrganisation[] = "Aldmere";
inline constexpr char kApplicationName[] = "MorvaneTessalite";

// Names this product within its family, for the page and the service.
inline constexpr char kProductCode[] = "graphics";

// Title of the program's information, warning and error boxes.
const QString &messageBoxTitle();

} // namespace AppInfo
