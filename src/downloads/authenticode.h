#pragma once
// The Authenticode signature of a downloaded installer: whether it holds,
// whether it leads to a root the system trusts, and the signer's name.
// Reads the whole file, so it belongs on a worker thread.

#include <atomic>
#include <string>

namespace Authenticode {

enum class Verdict {
    Signed,    // intact, from a certificate the system trusts
    Untrusted, // intact, but the certificate does not lead to a trusted root
    Broken,    // the file no longer matches its signature, or the signature is damaged
    Unsigned,  // no signature at all (or not a signable kind of file)
    Unchecked, // the check itself could not run
};

struct Result {
    Verdict verdict = Verdict::Unchecked;
    // The common name of the signing certificate, when there is a signature.
    std::u16string signer;
};

// Ends early, with Unchecked, once cancelled is set (Linux; Windows'
// WinVerifyTrust runs to its end, without network fetches).
Result verify(const std::u16string &path, const std::atomic<bool> &cancelled);
inline Result verify(const std::u16string &path)
{
    const std::atomic<bool> never{false};
    return verify(path, never);
}

// For testing: a file of PEM certificates trusted instead of the system's
// roots. Only the Linux check can be told; Windows always asks the system.
void setTrustedCertificates(const std::u16string &pemFile);
// For testing: how long the Linux check may take before its verdict is
// Unchecked (the build's setting otherwise).
void setTimeLimit(int msecs);

} // namespace Authenticode
