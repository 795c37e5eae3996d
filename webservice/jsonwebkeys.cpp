#include "jsonwebkeys.h"

#include "secrets.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

namespace {
std::string field(const QJsonObject &object, const char *name)
{
    return object.value(QLatin1String(name)).toString().toStdString();
}

bool decodedField(const QJsonObject &object, const char *name, std::string &out)
{
    return secrets::decodeUrlSafe(field(object, name), out) && !out.empty();
}

BIGNUM *toNumber(const std::string &bytes)
{
    return BN_bin2bn(reinterpret_cast<const unsigned char *>(bytes.data()),
                     static_cast<int>(bytes.size()), nullptr);
}

// A public key from OpenSSL parameters; null when they make no key.
std::shared_ptr<EVP_PKEY> fromParams(const char *type, OSSL_PARAM_BLD *build)
{
    OSSL_PARAM *params = OSSL_PARAM_BLD_to_param(build);
    EVP_PKEY_CTX *context = EVP_PKEY_CTX_new_from_name(nullptr, type, nullptr);
    EVP_PKEY *key = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context) != 1 ||
        EVP_PKEY_fromdata(context, &key, EVP_PKEY_PUBLIC_KEY, params) != 1)
        key = nullptr;
    EVP_PKEY_CTX_free(context);
    OSSL_PARAM_free(params);
    return std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free);
}

std::shared_ptr<EVP_PKEY> rsaKey(const QJsonObject &jwk)
{
    std::string n, e;
    if (!decodedField(jwk, "n", n) || !decodedField(jwk, "e", e))
        return nullptr;
    // Shorter moduli are within reach of forgery.
    if (n.size() < 256)
        return nullptr;
    BIGNUM *modulus = toNumber(n);
    BIGNUM *exponent = toNumber(e);
    OSSL_PARAM_BLD *build = OSSL_PARAM_BLD_new();
    std::shared_ptr<EVP_PKEY> key;
    if (modulus && exponent && build &&
        OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_N, modulus) == 1 &&
        OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_E, exponent) == 1)
        key = fromParams("RSA", build);
    OSSL_PARAM_BLD_free(build);
    BN_free(modulus);
    BN_free(exponent);
    return key;
}

std::shared_ptr<EVP_PKEY> p256Key(const QJsonObject &jwk)
{
    std::string x, y;
    if (field(jwk, "crv") != "P-256" || !decodedField(jwk, "x", x) || !decodedField(jwk, "y", y) ||
        x.size() != 32 || y.size() != 32)
        return nullptr;
    std::string point = "\x04" + x + y;
    OSSL_PARAM_BLD *build = OSSL_PARAM_BLD_new();
    std::shared_ptr<EVP_PKEY> key;
    if (build &&
        OSSL_PARAM_BLD_push_utf8_string(build, OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0) == 1 &&
        OSSL_PARAM_BLD_push_octet_string(build, OSSL_PKEY_PARAM_PUB_KEY, point.data(),
                                         point.size()) == 1)
        key = fromParams("EC", build);
    OSSL_PARAM_BLD_free(build);
    return key;
}

// ES256 signs as r and s side by side; OpenSSL reads DER.
std::string p256SignatureToDer(const std::string &raw)
{
    if (raw.size() != 64)
        return std::string();
    ECDSA_SIG *signature = ECDSA_SIG_new();
    BIGNUM *r = toNumber(raw.substr(0, 32));
    BIGNUM *s = toNumber(raw.substr(32));
    std::string der;
    if (signature && r && s && ECDSA_SIG_set0(signature, r, s) == 1) {
        r = s = nullptr; // owned by the signature now
        unsigned char *out = nullptr;
        const int size = i2d_ECDSA_SIG(signature, &out);
        if (size > 0)
            der.assign(reinterpret_cast<const char *>(out), static_cast<size_t>(size));
        OPENSSL_free(out);
    }
    BN_free(r);
    BN_free(s);
    ECDSA_SIG_free(signature);
    return der;
}

bool verifySha256(EVP_PKEY *key, const std::string &signed_, const std::string &signature)
{
    EVP_MD_CTX *context = EVP_MD_CTX_new();
    const bool good =
        context && EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, key) == 1 &&
        EVP_DigestVerify(context, reinterpret_cast<const unsigned char *>(signature.data()),
                         signature.size(), reinterpret_cast<const unsigned char *>(signed_.data()),
                         signed_.size()) == 1;
    EVP_MD_CTX_free(context);
    return good;
}
} // namespace

bool JsonWebKeys::load(const QByteArray &json, std::string &why)
{
    const QJsonValue keys = QJsonDocument::fromJson(json).object().value(QStringLiteral("keys"));
    if (!keys.isArray()) {
        why = "the provider's keys are not a key set";
        return false;
    }
    m_keys.clear();
    int unnamed = 0;
    for (const QJsonValue &entry : keys.toArray()) {
        const QJsonObject jwk = entry.toObject();
        const std::string use = field(jwk, "use");
        if (!use.empty() && use != "sig")
            continue;
        Key key;
        key.type = field(jwk, "kty");
        if (key.type == "RSA")
            key.key = rsaKey(jwk);
        else if (key.type == "EC")
            key.key = p256Key(jwk);
        if (!key.key)
            continue;
        std::string kid = field(jwk, "kid");
        // Keys without a name are kept under one no "kid" can take.
        if (kid.empty())
            kid = std::string(1, '\0') + std::to_string(unnamed++);
        m_keys.emplace(kid, std::move(key));
    }
    return true;
}

bool JsonWebKeys::readHeader(const std::string &token, Header &header)
{
    std::string json;
    const size_t dot = token.find('.');
    if (dot == std::string::npos || !secrets::decodeUrlSafe(token.substr(0, dot), json))
        return false;
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    header.alg = field(object, "alg");
    header.kid = field(object, "kid");
    return true;
}

const JsonWebKeys::Key *JsonWebKeys::find(const Header &header) const
{
    const std::string type = header.alg == "RS256" ? "RSA" : header.alg == "ES256" ? "EC" : "";
    if (type.empty())
        return nullptr;
    if (!header.kid.empty()) {
        const auto found = m_keys.find(header.kid);
        return found != m_keys.end() && found->second.type == type ? &found->second : nullptr;
    }
    // No name: only unambiguous when one key could have signed.
    const Key *only = nullptr;
    for (const auto &entry : m_keys) {
        if (entry.second.type != type)
            continue;
        if (only)
            return nullptr;
        only = &entry.second;
    }
    return only;
}

bool JsonWebKeys::hasKeyFor(const std::string &token) const
{
    Header header;
    return readHeader(token, header) && find(header);
}

std::string JsonWebKeys::verify(const std::string &token, std::string &why) const
{
    const size_t first = token.find('.');
    const size_t second = first == std::string::npos ? first : token.find('.', first + 1);
    Header header;
    if (second == std::string::npos || token.find('.', second + 1) != std::string::npos ||
        !readHeader(token, header)) {
        why = "the ID token is not a signed token";
        return std::string();
    }
    // "none" and shared-secret algorithms would let anyone who knows the
    // client's secret, or no one at all, speak for the provider.
    if (header.alg != "RS256" && header.alg != "ES256") {
        why = "the ID token is signed with " + (header.alg.empty() ? "no algorithm" : header.alg) +
              ", not RS256 or ES256";
        return std::string();
    }
    std::string payload, signature;
    if (!secrets::decodeUrlSafe(token.substr(first + 1, second - first - 1), payload) ||
        !secrets::decodeUrlSafe(token.substr(second + 1), signature)) {
        why = "the ID token is not a signed token";
        return std::string();
    }
    const Key *key = find(header);
    if (!key) {
        why = "the ID token's signing key is not among the provider's keys";
        return std::string();
    }
    if (header.alg == "ES256")
        signature = p256SignatureToDer(signature);
    if (signature.empty() || !verifySha256(key->key.get(), token.substr(0, second), signature)) {
        why = "the ID token's signature does not verify";
        return std::string();
    }
    return payload;
}
