// What tessaly-service reads from outside: its configuration file, the ID
// tokens a provider returns with its key set, catalogue files, and base64url text. The first
// byte picks the parser, the rest is its input.

#include "fuzzcheck.h"

#include "catalogue.h"
#include "config.h"
#include "oidcclient.h"
#include "secrets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        ServiceConfig config;
        QString error;
        const bool ok = parseConfig(QByteArray::fromStdString(text), config, error);
        require(ok == error.isEmpty(), "a refused configuration says why");
        require(!ok || config.publicUrl.empty() || config.publicUrl.back() != '/',
                "the public address has no trailing slash");
        break;
    }
    case 1: {
        // A provider's key set, a line break, then the token checked against it.
        const size_t lineBreak = text.find('\n');
        JsonWebKeys keys;
        std::string why;
        keys.load(QByteArray::fromStdString(text.substr(0, lineBreak)), why);
        const std::string token =
            lineBreak == std::string::npos ? text : text.substr(lineBreak + 1);
        keys.hasKeyFor(token);
        why.clear();
        const auto identity = OidcClient::checkIdToken(token, keys, "https://id.example", "tessaly",
                                                       "nonce-1", 1000, why);
        require(bool(identity) == why.empty(), "a refused token says why");
        require(!identity || !identity->subject.empty(), "an identity has a subject");
        break;
    }
    case 2: {
        QString why;
        const bool valid = CatalogueSource::isValid(QByteArray::fromStdString(text), why);
        require(valid == why.isEmpty(), "a refused catalogue says why");
        break;
    }
    default: {
        std::string decoded;
        if (secrets::decodeUrlSafe(text, decoded))
            require(decoded.size() <= text.size(), "decoding never grows");
        break;
    }
    }
    return 0;
}
