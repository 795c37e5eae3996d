// The runtime loader's LoadLibraryW/GetProcAddress path against a small library
// that lacks two of the published functions.

#include "winhelpers.h"

#include "webui/wkeapi.h"
#include "webui/wkeloader.h"

#include <doctest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

std::wstring stubPath()
{
    return WinTest::programFolder() + L"wkestub.dll";
}

int stubInitializeCount()
{
    HMODULE module = GetModuleHandleW(stubPath().c_str());
    if (!module)
        return -1;
    using CountFunction = int(WKE_CALL *)();
    const auto count = reinterpret_cast<CountFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "wkestubInitializeCount")));
    return count ? count() : -1;
}

// Each test starts from an empty table and the platform's own box.
struct LoaderFixture {
    LoaderFixture()
    {
        wkeApi() = WkeApi{};
        WkeLoader::setMissingReporter(nullptr);
    }
    ~LoaderFixture()
    {
        wkeApi() = WkeApi{};
        WkeLoader::setMissingReporter(nullptr);
        runtimeLibraryPath() = L"node.dll";
    }
};

template <typename F> bool filled(F entry)
{
    return entry != nullptr;
}

const std::vector<std::string> kMissing = {"wkeNetHookRequest", "jsToBoolean"};

} // namespace

TEST_CASE_FIXTURE(LoaderFixture, "loader resolves the library and reports each missing function")
{
    std::vector<std::string> reported;
    WkeLoader::setMissingReporter(
        [&reported](const char *functionName) { reported.emplace_back(functionName); });
    runtimeLibraryPath() = WkeLoader::nativeLibraryPath(stubPath());
    const int initializedBefore = stubInitializeCount();

    REQUIRE(WkeLoader::load(nullptr));

    CHECK(stubInitializeCount() == (initializedBefore < 0 ? 0 : initializedBefore) + 1);
    CHECK(reported == kMissing);
    CHECK_FALSE(filled(wkeApi().wkeNetHookRequest));
    CHECK_FALSE(filled(wkeApi().jsToBoolean));
    // Entries after a missing one are still filled: loading goes on.
    REQUIRE(filled(wkeApi().jsCallGlobal));
    REQUIRE(filled(wkeApi().jsInt));
    CHECK(wkeCall(&WkeApi::jsInt, 7) == 1007);
    CHECK_FALSE(wkeCall(&WkeApi::jsToBoolean, nullptr, jsValue{1}));
}

TEST_CASE_FIXTURE(LoaderFixture, "a missing function shows the \"wke api not found\" box")
{
    WinTest::MessageBoxCatcher catcher;
    REQUIRE(catcher.installed());
    runtimeLibraryPath() = WkeLoader::nativeLibraryPath(stubPath());

    REQUIRE(WkeLoader::load(nullptr));

    REQUIRE(catcher.boxes().size() == kMissing.size());
    for (std::size_t i = 0; i < kMissing.size(); ++i) {
        CAPTURE(i);
        CHECK(WinTest::utf8(catcher.boxes()[i].caption) == kMissing[i]);
        CHECK(WinTest::utf8(catcher.boxes()[i].text) == "wke api not found");
    }
}

TEST_CASE_FIXTURE(LoaderFixture, "a library that cannot be loaded resolves nothing")
{
    std::vector<std::string> reported;
    WkeLoader::setMissingReporter(
        [&reported](const char *functionName) { reported.emplace_back(functionName); });
    runtimeLibraryPath() = WinTest::programFolder() + L"no-such-runtime.dll";

    CHECK_FALSE(WkeLoader::load(nullptr));

    CHECK(reported.empty());
    CHECK_FALSE(filled(wkeApi().wkeInitializeEx));
    CHECK_FALSE(filled(wkeApi().jsInt));
}

TEST_CASE_FIXTURE(LoaderFixture, "the scripted test runtime exports every function of the table")
{
    std::vector<std::string> reported;
    WkeLoader::setMissingReporter(
        [&reported](const char *functionName) { reported.emplace_back(functionName); });
    runtimeLibraryPath() = WinTest::programFolder() + L"scriptedwke.dll";

    REQUIRE(WkeLoader::load(nullptr));

    CHECK(reported.empty());
    // Made outside any script: a number stays a number through the runtime.
    CHECK(wkeCall(&WkeApi::jsToInt, nullptr, wkeCall(&WkeApi::jsInt, -12)) == -12);
    CHECK(wkeCall(&WkeApi::jsToBoolean, nullptr, wkeCall(&WkeApi::jsTrue)));
}

TEST_CASE_FIXTURE(LoaderFixture, "the runtime is the third-party library when it loads, else ours")
{
    // What lies beside the program: nothing, a loadable library, or a file
    // that is no library for this process (a broken copy, another architecture).
    enum class File { Absent, Library, Broken };
    struct Row {
        const char *name;
        File thirdParty;
        File ours;
        std::string chosen;
    };
    const std::vector<Row> rows = {
        {"both", File::Library, File::Library, "miniblink_4975_x32.dll"},
        {"only ours", File::Absent, File::Library, "libwke.dll"},
        {"third party broken", File::Broken, File::Library, "libwke.dll"},
        {"only third party", File::Library, File::Absent, "miniblink_4975_x32.dll"},
        {"none loads", File::Broken, File::Absent, ""},
    };
    WkeLoader::setMissingReporter([](const char *) {});
    for (const Row &row : rows) {
        CAPTURE(row.name);
        wchar_t temp[MAX_PATH];
        REQUIRE(GetTempPathW(MAX_PATH, temp) > 0);
        const std::wstring folder =
            std::wstring(temp) + L"tessaly-runtime-" + WinTest::wide(row.name);
        CreateDirectoryW(folder.c_str(), nullptr);
        const auto place = [&folder](File file, const wchar_t *name) {
            const std::wstring target = folder + L"\\" + name;
            DeleteFileW(target.c_str());
            if (file == File::Library)
                return CopyFileW(stubPath().c_str(), target.c_str(), FALSE) != FALSE;
            if (file == File::Broken) {
                HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
                DWORD written = 0;
                const bool ok = h != INVALID_HANDLE_VALUE &&
                                WriteFile(h, "MZ not a library", 16, &written, nullptr);
                CloseHandle(h);
                return ok;
            }
            return true;
        };
        REQUIRE(place(row.thirdParty, L"miniblink_4975_x32.dll"));
        REQUIRE(place(row.ours, L"libwke.dll"));
        std::vector<std::string> log;
        WkeLoader::setChoiceLogger([&log](const std::string &line) { log.push_back(line); });
        wkeApi() = WkeApi{};

        // The folder as the program has it, with forward slashes.
        std::wstring qtStyle = folder;
        std::replace(qtStyle.begin(), qtStyle.end(), L'\\', L'/');
        const std::string chosen = WkeLoader::loadFromFolder(qtStyle, nullptr);

        CHECK(chosen == row.chosen);
        CHECK(filled(wkeApi().jsInt) == !row.chosen.empty());
        if (!row.chosen.empty()) {
            CHECK(runtimeLibraryPath() == folder + L"\\" + WinTest::wide(row.chosen));
            CHECK(log.back() == "web runtime: " + row.chosen);
        }
        if (row.thirdParty == File::Broken)
            CHECK(log.front() == "web runtime: miniblink_4975_x32.dll is beside the program but "
                                 "does not load");
        WkeLoader::setChoiceLogger(nullptr);
    }
}
