#include "downloads/authenticode.h"

#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace Authenticode {

namespace {

std::u16string signerName(HANDLE state)
{
    CRYPT_PROVIDER_DATA *provider = WTHelperProvDataFromStateData(state);
    if (!provider)
        return std::u16string();
    CRYPT_PROVIDER_SGNR *signer = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain ||
        !signer->pasCertChain[0].pCert)
        return std::u16string();
    PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    const DWORD length =
        CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (length <= 1)
        return std::u16string();
    std::wstring name(length, L'\0');
    CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, &name[0], length);
    name.resize(length - 1);
    return std::u16string(name.begin(), name.end());
}

Verdict verdictOf(LONG status)
{
    switch (static_cast<HRESULT>(status)) {
    case S_OK:
        return Verdict::Signed;
    case TRUST_E_NOSIGNATURE:
    case TRUST_E_SUBJECT_FORM_UNKNOWN:
    case TRUST_E_PROVIDER_UNKNOWN:
        return Verdict::Unsigned;
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
    case CERT_E_EXPIRED:
    case CERT_E_REVOKED:
    case CERT_E_WRONG_USAGE:
    case CERT_E_UNTRUSTEDTESTROOT:
    case TRUST_E_EXPLICIT_DISTRUST:
    case CRYPT_E_SECURITY_SETTINGS:
        return Verdict::Untrusted;
    default:
        // TRUST_E_BAD_DIGEST and every other failure of the signature itself.
        return Verdict::Broken;
    }
}

} // namespace

Result verify(const std::u16string &path, const std::atomic<bool> &)
{
    const std::wstring file(path.begin(), path.end());
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = file.c_str();

    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    // Revocation lists would be fetched from the network, which may be slow
    // or absent; the chain to a trusted root is what the card reports.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
    const LONG status = WinVerifyTrust(noWindow, &action, &data);

    Result result;
    result.verdict = verdictOf(status);
    // A broken signature names nobody.
    if (result.verdict == Verdict::Signed || result.verdict == Verdict::Untrusted)
        result.signer = signerName(data.hWVTStateData);

    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(noWindow, &action, &data);
    return result;
}

// Windows asks the system's certificate stores, whatever a test would like.
void setTrustedCertificates(const std::u16string &) {}

// Without revocation fetches WinVerifyTrust only hashes the file.
void setTimeLimit(int) {}

} // namespace Authenticode
