// The SetupAPI display class as the system answers it.

#include "winhelpers.h"

#include "hardware/adapterscan.h"

#include <doctest.h>

#include <regex>

TEST_CASE("display class lists the present adapters with description and PCI hardware id")
{
    const DisplayAdapterList adapters = AdapterScan::listDisplayAdapters();
    MESSAGE("display adapters: " << adapters.size());
    REQUIRE_FALSE(adapters.empty());

    // The first, most specific hardware id; the later entries of the list are shorter.
    const std::regex pciId(
        R"(PCI\\VEN_[0-9A-F]{4}&DEV_[0-9A-F]{4}&SUBSYS_[0-9A-F]{8}&REV_[0-9A-F]{2})");
    for (const DisplayAdapter &adapter : adapters) {
        const std::string desc = WinTest::utf8(adapter.desc);
        const std::string hardid = WinTest::utf8(adapter.hardid);
        MESSAGE("adapter \"" << desc << "\" " << hardid);
        CHECK_FALSE(desc.empty());
        CHECK(desc.find('\0') == std::string::npos);
        CHECK(std::regex_match(hardid, pciId));
    }
}
