#pragma once
// Loads the web runtime library named by runtimeLibraryPath(), initialises it
// and resolves every function of the table by name.

#include <wke.h>

#include <functional>
#include <string>

namespace WkeLoader {

// Reports a function the library lacks; the default shows the "wke api not
// found" box. Tests replace it.
using MissingReporter = std::function<void(const char *functionName)>;
void setMissingReporter(MissingReporter reporter);
void reportMissing(const char *functionName);
// The platform's "wke api not found" box, captioned with the function's name.
void showMissingBox(const char *functionName);

// The runtime library's file name beside the executable.
const char *libraryFileName();

// Turns the path found beside the executable into the form the loader expects.
std::wstring nativeLibraryPath(const std::wstring &path);

// True when the library was loaded; missing functions do not make it fail.
bool load(const wkeSettings *settings);

} // namespace WkeLoader
