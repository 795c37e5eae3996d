#pragma once
// Loads the web runtime library named by runtimeLibraryPath(), initialises it
// and resolves every function of the table by name.

#include <wke.h>

#include <functional>
#include <string>
#include <vector>

namespace WkeLoader {

// Reports a function the library lacks; the default shows the "wke api not
// found" box. Tests replace it.
using MissingReporter = std::function<void(const char *functionName)>;
void setMissingReporter(MissingReporter reporter);
void reportMissing(const char *functionName);
// The platform's "wke api not found" box, captioned with the function's name.
void showMissingBox(const char *functionName);

// The runtime libraries looked for beside the executable, the preferred one
// first: on Windows the third-party library, then our own.
std::vector<std::string> libraryFileNames();
// The preferred one, which names the box when no runtime loads.
const char *libraryFileName();

// Turns the path found beside the executable into the form the loader expects.
std::wstring nativeLibraryPath(const std::wstring &path);

// True when the library was loaded; missing functions do not make it fail.
bool load(const wkeSettings *settings);

// Where each step of the choice below is told; the default writes a line to
// the standard error stream. Tests replace it.
using ChoiceLogger = std::function<void(const std::string &line)>;
void setChoiceLogger(ChoiceLogger logger);

// The one place the runtime is chosen: loads the first library of
// libraryFileNames() that is in the folder (the executable's, forward slashes)
// and loads; a file that is there but does not load (another architecture, a
// broken copy) gives way to the next. Returns the file name loaded, or an empty
// text when none did.
std::string loadFromFolder(const std::wstring &folder, const wkeSettings *settings);

} // namespace WkeLoader
