#pragma once
// A provider's signing keys (a JSON Web Key Set) and the check of a signed
// token (compact JWS) against them: RS256 and ES256 only, the key chosen by
// the token's "kid".

#include <QByteArray>

#include <map>
#include <memory>
#include <string>

struct evp_pkey_st;

class JsonWebKeys {
public:
    // Reads a key set; keys of other types, curves or uses are left out.
    // False when the document is no key set at all.
    bool load(const QByteArray &json, std::string &why);

    bool empty() const { return m_keys.empty(); }
    // Whether a key for the token's "kid" is here (a token without one
    // needs the set to hold a single key of its type).
    bool hasKeyFor(const std::string &token) const;

    // The token's payload when its signature is good; empty and why otherwise.
    std::string verify(const std::string &token, std::string &why) const;

private:
    struct Key {
        std::string type; // "RSA" or "EC"
        std::shared_ptr<evp_pkey_st> key;
    };
    struct Header {
        std::string alg;
        std::string kid;
    };
    static bool readHeader(const std::string &token, Header &header);
    const Key *find(const Header &header) const;

    std::map<std::string, Key> m_keys;
};
