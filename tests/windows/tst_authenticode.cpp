// The publisher check's Windows half against WinVerifyTrust, with a program
// of this build that scripts/test-windows.sh signs with a throw-away
// certificate, the same unsigned, and a copy changed after signing.

#include "downloads/authenticode.h"
#include "winhelpers.h"

#include <doctest.h>

#include <string>

namespace {
std::u16string file(const wchar_t *name)
{
    const std::wstring path = WinTest::programFolder() + L"authenticode\\" + name;
    return std::u16string(path.begin(), path.end());
}

bool exists(const std::u16string &path)
{
    const std::wstring wide(path.begin(), path.end());
    return GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

TEST_CASE("publisher check of signed, unsigned and tampered programs")
{
    if (!exists(file(L"signed.dll"))) {
        MESSAGE("skipped: no signed files (scripts/test-windows.sh makes them with osslsigncode)");
        return;
    }
    const Authenticode::Result plain = Authenticode::verify(file(L"plain.dll"));
    CHECK(plain.verdict == Authenticode::Verdict::Unsigned);
    CHECK(plain.signer.empty());

    // Windows does not trust the throw-away root; Wine does not hold the root
    // to a trust list. Either way the signature is intact and names its signer.
    const Authenticode::Result good = Authenticode::verify(file(L"signed.dll"));
    CHECK((good.verdict == Authenticode::Verdict::Untrusted ||
           good.verdict == Authenticode::Verdict::Signed));
    CHECK(WinTest::utf8(good.signer) == "Tessaly Test Signer");

    CHECK(Authenticode::verify(file(L"tampered.dll")).verdict == Authenticode::Verdict::Broken);
    CHECK(Authenticode::verify(file(L"missing.dll")).verdict != Authenticode::Verdict::Signed);
}
