#pragma once
// The service's side of an OpenID Connect sign-in: the provider's metadata,
// the authorization address (code flow with PKCE, state and nonce), and the
// exchange of the returned code for the person's identity.

#include "config.h"
#include "jsonwebkeys.h"

#include <mutex>
#include <optional>
#include <string>

struct OidcIdentity {
    std::string subject;
    std::string username;
    std::string nickname;
};

class OidcClient {
public:
    explicit OidcClient(const ServiceConfig &config);

    // The provider's authorization address for one sign-in; empty when the
    // provider cannot be reached (why says so).
    std::string authorizationUrl(const std::string &state, const std::string &nonce,
                                 const std::string &verifier, std::string &why);
    // Exchanges the code; the ID token must be signed by the provider's key,
    // name this provider and client, be unexpired and carry the nonce.
    std::optional<OidcIdentity> exchange(const std::string &code, const std::string &verifier,
                                         const std::string &nonce, std::string &why);

    // Checks an ID token's signature against keys, then its claims.
    static std::optional<OidcIdentity>
    checkIdToken(const std::string &idToken, const JsonWebKeys &keys, const std::string &issuer,
                 const std::string &clientId, const std::string &nonce, long long now,
                 std::string &why);

private:
    bool discover(std::string &why);
    // The provider's keys, fetched when none are kept or when the token names
    // one they lack (the provider has rolled its keys): at most once per token.
    bool keysFor(const std::string &idToken, JsonWebKeys &keys, std::string &why);
    // Fills the names from the userinfo endpoint.
    void addProfile(OidcIdentity &identity, const std::string &accessToken);

    const ServiceConfig &m_config;
    std::mutex m_mutex;
    std::string m_authorizationEndpoint;
    std::string m_tokenEndpoint;
    std::string m_userinfoEndpoint;
    std::string m_jwksUri;
    JsonWebKeys m_keys;
};
