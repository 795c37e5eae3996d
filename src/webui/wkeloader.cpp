#include "webui/wkeloader.h"

#include "webui/wkeapi.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace WkeLoader {
namespace {
MissingReporter &reporter()
{
    static MissingReporter r;
    return r;
}

ChoiceLogger &choiceLogger()
{
    static ChoiceLogger l;
    return l;
}

void logChoice(const std::string &line)
{
    if (choiceLogger()) {
        choiceLogger()(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
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

void setChoiceLogger(ChoiceLogger logger)
{
    choiceLogger() = std::move(logger);
}

const char *libraryFileName()
{
    static const std::string preferred = libraryFileNames().front();
    return preferred.c_str();
}

std::string loadFromFolder(const std::wstring &folder, const wkeSettings *settings)
{
    for (const std::string &name : libraryFileNames()) {
        const std::wstring path = folder + L'/' + std::wstring(name.begin(), name.end());
        std::error_code error;
        if (!std::filesystem::is_regular_file(std::filesystem::path(path), error)) {
            logChoice("web runtime: no " + name + " beside the program");
            continue;
        }
        runtimeLibraryPath() = nativeLibraryPath(path);
        if (load(settings)) {
            logChoice("web runtime: " + name);
            return name;
        }
        logChoice("web runtime: " + name + " is beside the program but does not load");
    }
    return std::string();
}

} // namespace WkeLoader
