#pragma once
// Calls a global function that the loaded page defines.

#include <wke.h>

#include <QString>

#include <variant>
#include <vector>

using PageArgument = std::variant<bool, int, QString>;

// Looks the function up by name (afresh at every call), calls it with the
// arguments and reads its answer as a boolean. A page without the function
// answers with what the runtime makes of that (false for undefined).
bool callPageFunction(wkeWebView view, const char *name, const std::vector<PageArgument> &args);
