#include "oidcclient.h"

#include "secrets.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <ctime>

namespace {
// Scheme, host and port, and the path of an address, as httplib wants them.
bool splitUrl(const std::string &url, std::string &origin, std::string &path)
{
    const QUrl parsed(QString::fromStdString(url));
    if (!parsed.isValid() || parsed.host().isEmpty())
        return false;
    origin = parsed.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
                 .toString()
                 .toStdString();
    path = parsed.path(QUrl::FullyEncoded).toStdString();
    if (path.empty())
        path = "/";
    if (parsed.hasQuery())
        path += "?" + parsed.query(QUrl::FullyEncoded).toStdString();
    return true;
}

std::unique_ptr<httplib::Client> client(const std::string &origin)
{
    auto http = std::make_unique<httplib::Client>(origin);
    http->set_connection_timeout(5);
    http->set_read_timeout(10);
    http->enable_server_certificate_verification(true);
    return http;
}

std::string form(const std::string &text)
{
    return QUrl::toPercentEncoding(QString::fromStdString(text)).toStdString();
}

QString claimText(const QJsonObject &claims, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        const QString value = claims.value(QLatin1String(name)).toString();
        if (!value.isEmpty())
            return value;
    }
    return QString();
}
} // namespace

OidcClient::OidcClient(const ServiceConfig &config) : m_config(config) {}

bool OidcClient::discover(std::string &why)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_tokenEndpoint.empty())
        return true;
    std::string issuer = m_config.oidcIssuer;
    while (!issuer.empty() && issuer.back() == '/')
        issuer.pop_back();
    std::string origin, path;
    if (!splitUrl(issuer + "/.well-known/openid-configuration", origin, path)) {
        why = "the issuer is not an address";
        return false;
    }
    const auto result = client(origin)->Get(path.c_str());
    if (!result || result->status != 200) {
        why = result ? "the provider's metadata answered " + std::to_string(result->status)
                     : "the provider cannot be reached: " + httplib::to_string(result.error());
        return false;
    }
    const QJsonObject metadata =
        QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    const std::string authorization =
        metadata.value(QStringLiteral("authorization_endpoint")).toString().toStdString();
    const std::string token =
        metadata.value(QStringLiteral("token_endpoint")).toString().toStdString();
    m_userinfoEndpoint =
        metadata.value(QStringLiteral("userinfo_endpoint")).toString().toStdString();
    const std::string jwks = metadata.value(QStringLiteral("jwks_uri")).toString().toStdString();
    const std::string named = metadata.value(QStringLiteral("issuer")).toString().toStdString();
    std::string unused1, unused2;
    if (!splitUrl(authorization, unused1, unused2) || !splitUrl(token, unused1, unused2) ||
        !splitUrl(jwks, unused1, unused2) || (named != m_config.oidcIssuer && named != issuer)) {
        why = "the provider's metadata is incomplete or names another issuer";
        return false;
    }
    m_authorizationEndpoint = authorization;
    m_tokenEndpoint = token;
    m_jwksUri = jwks;
    return true;
}

bool OidcClient::keysFor(const std::string &idToken, JsonWebKeys &keys, std::string &why)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_keys.empty() && m_keys.hasKeyFor(idToken)) {
        keys = m_keys;
        return true;
    }
    std::string origin, path;
    splitUrl(m_jwksUri, origin, path);
    const auto result = client(origin)->Get(path.c_str());
    if (!result || result->status != 200) {
        why = result
                  ? "the provider's keys answered " + std::to_string(result->status)
                  : "the provider's keys cannot be reached: " + httplib::to_string(result.error());
        return false;
    }
    JsonWebKeys fetched;
    if (!fetched.load(QByteArray::fromStdString(result->body), why))
        return false;
    m_keys = fetched;
    keys = fetched;
    return true;
}

std::string OidcClient::authorizationUrl(const std::string &state, const std::string &nonce,
                                         const std::string &verifier, std::string &why)
{
    if (!discover(why))
        return std::string();
    std::lock_guard<std::mutex> lock(m_mutex);
    const char separator = m_authorizationEndpoint.find('?') == std::string::npos ? '?' : '&';
    return m_authorizationEndpoint + separator +
           "response_type=code&client_id=" + form(m_config.oidcClientId) +
           "&redirect_uri=" + form(m_config.redirectUri()) + "&scope=" + form(m_config.oidcScope) +
           "&state=" + form(state) + "&nonce=" + form(nonce) +
           "&code_challenge=" + secrets::sha256UrlSafe(verifier) + "&code_challenge_method=S256";
}

std::optional<OidcIdentity> OidcClient::exchange(const std::string &code,
                                                 const std::string &verifier,
                                                 const std::string &nonce, std::string &why)
{
    if (!discover(why))
        return std::nullopt;
    std::string origin, path;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        splitUrl(m_tokenEndpoint, origin, path);
    }
    auto http = client(origin);
    http->set_basic_auth(form(m_config.oidcClientId).c_str(),
                         form(m_config.oidcClientSecret).c_str());
    const std::string body = "grant_type=authorization_code&code=" + form(code) +
                             "&redirect_uri=" + form(m_config.redirectUri()) +
                             "&code_verifier=" + form(verifier);
    const auto result = http->Post(path.c_str(), body, "application/x-www-form-urlencoded");
    if (!result || result->status != 200) {
        why = result
                  ? "the token endpoint answered " + std::to_string(result->status)
                  : "the token endpoint cannot be reached: " + httplib::to_string(result.error());
        return std::nullopt;
    }
    const QJsonObject answer =
        QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    const std::string idToken = answer.value(QStringLiteral("id_token")).toString().toStdString();
    JsonWebKeys keys;
    if (!keysFor(idToken, keys, why))
        return std::nullopt;
    auto identity = checkIdToken(idToken, keys, m_config.oidcIssuer, m_config.oidcClientId, nonce,
                                 static_cast<long long>(std::time(nullptr)), why);
    const std::string accessToken =
        answer.value(QStringLiteral("access_token")).toString().toStdString();
    if (identity && identity->nickname == identity->subject && !accessToken.empty())
        addProfile(*identity, accessToken);
    return identity;
}

void OidcClient::addProfile(OidcIdentity &identity, const std::string &accessToken)
{
    // Many providers keep the profile out of the ID token; a failed
    // question leaves the subject as the name.
    std::string origin, path;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!splitUrl(m_userinfoEndpoint, origin, path))
            return;
    }
    auto http = client(origin);
    http->set_bearer_token_auth(accessToken.c_str());
    const auto result = http->Get(path.c_str());
    if (!result || result->status != 200)
        return;
    const QJsonObject claims =
        QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    if (claims.value(QStringLiteral("sub")).toString().toStdString() != identity.subject)
        return;
    const QString username = claimText(claims, {"preferred_username", "email"});
    const QString nickname = claimText(claims, {"nickname", "name", "preferred_username"});
    if (!username.isEmpty())
        identity.username = username.toStdString();
    if (!nickname.isEmpty())
        identity.nickname = nickname.toStdString();
}

std::optional<OidcIdentity>
OidcClient::checkIdToken(const std::string &idToken, const JsonWebKeys &keys,
                         const std::string &issuer, const std::string &clientId,
                         const std::string &nonce, long long now, std::string &why)
{
    const std::string payload = keys.verify(idToken, why);
    if (payload.empty())
        return std::nullopt;
    const QJsonObject claims = QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object();
    const QJsonValue audience = claims.value(QStringLiteral("aud"));
    const QString client = QString::fromStdString(clientId);
    const bool forUs = audience.isString() ? audience.toString() == client
                                           : audience.toArray().contains(QJsonValue(client));
    const QString subject = claims.value(QStringLiteral("sub")).toString();
    if (claims.value(QStringLiteral("iss")).toString().toStdString() != issuer)
        why = "the ID token names another issuer";
    else if (!forUs)
        why = "the ID token is for another client";
    else if (claims.value(QStringLiteral("exp")).toDouble() <= static_cast<double>(now))
        why = "the ID token has expired";
    else if (!secrets::sameSecret(claims.value(QStringLiteral("nonce")).toString().toStdString(),
                                  nonce))
        why = "the ID token's nonce does not match";
    else if (subject.isEmpty())
        why = "the ID token names no subject";
    if (!why.empty())
        return std::nullopt;
    OidcIdentity identity;
    identity.subject = subject.toStdString();
    identity.username = claimText(claims, {"preferred_username", "email", "sub"}).toStdString();
    identity.nickname =
        claimText(claims, {"nickname", "name", "preferred_username", "sub"}).toStdString();
    return identity;
}
