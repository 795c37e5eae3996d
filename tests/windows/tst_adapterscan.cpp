// The SetupAPI display class as the system answers it.

#include "winhelpers.h"

#include "hardware/adapterscan.h"
#include "hardware/installeddrivers.h"

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

TEST_CASE("every display adapter has its driver record, in the same order")
{
    const DisplayAdapterList adapters = AdapterScan::listDisplayAdapters();
    const std::vector<InstalledDriver> drivers = InstalledDrivers::list();
    REQUIRE(drivers.size() == adapters.size());
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        const InstalledDriver &driver = drivers[i];
        MESSAGE("driver of " << WinTest::utf8(driver.hardid) << ": service \""
                             << WinTest::utf8(driver.driver) << "\", provider \""
                             << WinTest::utf8(driver.provider) << "\", version \""
                             << WinTest::utf8(driver.version) << "\", date \""
                             << WinTest::utf8(driver.date) << "\"");
        CHECK(driver.hardid == adapters[i].hardid);
        CHECK(driver.platform == u"windows");
        // The driver key's date, when there is one, reads as a date.
        CHECK((driver.date.empty() ||
               std::regex_match(WinTest::utf8(driver.date), std::regex(R"(\d{4}-\d\d-\d\d)"))));
    }
}
