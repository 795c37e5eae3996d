// The runtime loader's LoadLibraryW/GetProcAddress path against a small library
// that lacks two of the published functions.

#include "winhelpers.h"

#include "webui/wkeapi.h"
#include "webui/wkeloader.h"

#include <doctest.h>

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
