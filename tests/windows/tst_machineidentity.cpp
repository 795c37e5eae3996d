// Machine identifier and 64-bit flag from IP Helper, the volume serial, the
// computer name and IsWow64Process as the system answers them.

// winsock2 before windows, which comes before iphlpapi.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#include "winhelpers.h"

#include "hardware/identityarithmetic.h"
#include "hardware/machineidentity.h"

#include <doctest.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

namespace {

struct IdentifierParts {
    long long hash = 0;
    long long low = 0;
    long long high = 0;
};

bool parse(const std::string &text, IdentifierParts &parts)
{
    std::smatch match;
    if (!std::regex_match(text, match, std::regex(R"((-?[0-9]+)-([0-9]+)-([0-9]+))")))
        return false;
    parts.hash = std::stoll(match[1]);
    parts.low = std::stoll(match[2]);
    parts.high = std::stoll(match[3]);
    return true;
}

// Checksums of the first two adapters IP Helper lists; empty when it lists none.
std::vector<uint16_t> adapterChecksums()
{
    std::vector<uint16_t> sums;
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW)
        return sums;
    std::vector<unsigned char> block(size);
    auto *info = reinterpret_cast<IP_ADAPTER_INFO *>(block.data());
    if (GetAdaptersInfo(info, &size) != NO_ERROR)
        return sums;
    for (const IP_ADAPTER_INFO *adapter = info; adapter && sums.size() < 2; adapter = adapter->Next)
        sums.push_back(MachineIdentity::adapterChecksum(adapter->Address, adapter->AddressLength));
    return sums;
}

} // namespace

TEST_CASE("machine identifier has the hash-low-high form and is kept")
{
    const std::u16string &first = MachineIdentity::identifier();
    const std::string text = WinTest::utf8(first);
    MESSAGE("machine identifier: " << text << ", computer name: "
                                   << WinTest::utf8(MachineIdentity::computerName()));

    IdentifierParts parts;
    REQUIRE(parse(text, parts));
    CHECK(parts.hash >= INT32_MIN);
    CHECK(parts.hash <= INT32_MAX);
    CHECK(parts.low <= parts.high);
    CHECK(parts.high <= 0xFFFF);
    CHECK(&MachineIdentity::identifier() == &first);

    // low and high come from the adapters IP Helper lists, or from the name
    // length when it lists none.
    std::vector<uint16_t> sums = adapterChecksums();
    MESSAGE("IP Helper adapters considered: " << sums.size());
    if (sums.empty()) {
        const auto length = static_cast<long long>(MachineIdentity::computerName().size());
        CHECK(parts.low == length);
        CHECK(parts.high == length);
    } else {
        if (sums.size() == 1)
            sums.push_back(0);
        CHECK(parts.low == std::min(sums[0], sums[1]));
        CHECK(parts.high == std::max(sums[0], sums[1]));
    }
}

TEST_CASE("machine identifier is the same in two further processes")
{
    const std::string own = WinTest::utf8(MachineIdentity::identifier());
    for (int run = 0; run < 2; ++run) {
        CAPTURE(run);
        const WinTest::ChildResult child = WinTest::runSelf(WinTest::kPrintIdentifierArgument);
        REQUIRE(child.started);
        CHECK(child.exitCode == 0);
        CHECK(child.output == own);
    }
}

TEST_CASE("64-bit flag is true on the 64-bit system Wine provides")
{
    // A 32-bit program learns it from WOW64; a 64-bit one runs only on a 64-bit system.
    CHECK(MachineIdentity::is64Bit());
}
