#pragma once
// Identity values of the installation that the request client sends with
// every service request.

#include <QString>

namespace SystemInfo {

// The operating system's version: Windows "CurrentVersion" (from the 64- or
// 32-bit registry view), or VERSION_ID of os-release on Linux. Empty when it
// cannot be read.
QString osVersion(bool is64Bit);

// The installed package's name. The empty text when the installation left no
// package record at all, "empty" when the record exists without a usable name.
QString packageName();

} // namespace SystemInfo
