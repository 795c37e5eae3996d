#include "webui/wkeloader.h"

namespace WkeLoader {
namespace {
MissingReporter &reporter()
{
    static MissingReporter r;
    return r;
}
} // namespace

void setMissingReporter(MissingReporter r)
{
    reporter() = std::move(r);
}

void reportMissing(const char *functionName)
{
    if (reporter())
        reporter()(functionName);
    else
        showMissingBox(functionName);
}

} // namespace WkeLoader
