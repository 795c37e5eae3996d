#pragma once
// Process-wide values of the application shell.

#include <QString>

namespace AppInfo {

inline constexpr char kOrganisation[] = "Aldmere";
inline constexpr char kApplicationName[] = "MorvaneTessalite";

// Names this product within its family, for the page and the service.
inline constexpr char kProductCode[] = "graphics";

// The project's version (CMake's project(VERSION)), read from the generated
// base/version.h here alone, so a new version rebuilds one file.
QString version();

// Title of the program's information, warning and error boxes.
const QString &messageBoxTitle();

} // namespace AppInfo
