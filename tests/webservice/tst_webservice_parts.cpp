// The service's parts on their own: what the store hands out and refuses,
// the rate limits, the configuration check, the ID token check and the
// catalogue files. On SQLite, or on TESSALY_TEST_DATABASE.

#include "catalogue.h"
#include "config.h"
#include "oidcclient.h"
#include "ratelimiter.h"
#include "secrets.h"
#include "store.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include <ctime>

namespace {
std::string urlSafe(const QByteArray &bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals)
        .toStdString();
}

QString bigEndian(EVP_PKEY *key, const char *name)
{
    BIGNUM *number = nullptr;
    EVP_PKEY_get_bn_param(key, name, &number);
    QByteArray bytes(BN_num_bytes(number), '\0');
    BN_bn2bin(number, reinterpret_cast<unsigned char *>(bytes.data()));
    BN_free(number);
    return QString::fromStdString(urlSafe(bytes));
}

// A provider's signing key, made fresh for the test.
struct TestKey {
    std::shared_ptr<EVP_PKEY> key;
    bool ec = false;

    static TestKey make(bool ec)
    {
        return {
            std::shared_ptr<EVP_PKEY>(ec ? EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256")
                                         : EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t(2048)),
                                      EVP_PKEY_free),
            ec};
    }
    QJsonObject jwk(const QString &kid) const
    {
        if (!ec)
            return {{"kty", "RSA"},
                    {"kid", kid},
                    {"use", "sig"},
                    {"n", bigEndian(key.get(), "n")},
                    {"e", bigEndian(key.get(), "e")}};
        QByteArray point(65, '\0');
        size_t size = 0;
        EVP_PKEY_get_octet_string_param(
            key.get(), "pub", reinterpret_cast<unsigned char *>(point.data()), point.size(), &size);
        return {{"kty", "EC"},
                {"kid", kid},
                {"crv", "P-256"},
                {"x", QString::fromStdString(urlSafe(point.mid(1, 32)))},
                {"y", QString::fromStdString(urlSafe(point.mid(33, 32)))}};
    }
    // The JWS signature over text: PKCS#1 for RSA, r and s side by side for EC.
    QByteArray sign(const std::string &text) const
    {
        EVP_MD_CTX *context = EVP_MD_CTX_new();
        size_t size = 0;
        EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key.get());
        const auto *data = reinterpret_cast<const unsigned char *>(text.data());
        EVP_DigestSign(context, nullptr, &size, data, text.size());
        QByteArray signature(static_cast<int>(size), '\0');
        EVP_DigestSign(context, reinterpret_cast<unsigned char *>(signature.data()), &size, data,
                       text.size());
        EVP_MD_CTX_free(context);
        signature.resize(static_cast<int>(size));
        if (!ec)
            return signature;
        const auto *der = reinterpret_cast<const unsigned char *>(signature.constData());
        ECDSA_SIG *parsed = d2i_ECDSA_SIG(nullptr, &der, signature.size());
        QByteArray raw(64, '\0');
        BN_bn2binpad(ECDSA_SIG_get0_r(parsed), reinterpret_cast<unsigned char *>(raw.data()), 32);
        BN_bn2binpad(ECDSA_SIG_get0_s(parsed), reinterpret_cast<unsigned char *>(raw.data()) + 32,
                     32);
        ECDSA_SIG_free(parsed);
        return raw;
    }
};

std::string signedToken(const QJsonObject &header, const QJsonObject &claims, const TestKey &key)
{
    const std::string text = urlSafe(QJsonDocument(header).toJson(QJsonDocument::Compact)) + "." +
                             urlSafe(QJsonDocument(claims).toJson(QJsonDocument::Compact));
    return text + "." + urlSafe(key.sign(text));
}

bool writeFile(const QString &path, const QByteArray &content, qint64 age)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    const QDateTime when = QDateTime::currentDateTime().addSecs(-age);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(when, QFileDevice::FileModificationTime);
}
} // namespace

class TestWebServiceParts final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    const TestKey m_rsa = TestKey::make(false);
    const TestKey m_ec = TestKey::make(true);
    JsonWebKeys m_keys;
    std::string m_url;
    std::unique_ptr<Store> m_store;
    const long long m_now = static_cast<long long>(std::time(nullptr));

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_url = qEnvironmentVariable("TESSALY_TEST_DATABASE",
                                     m_folder.filePath(QStringLiteral("parts.db")))
                    .toStdString();
        m_store = std::make_unique<Store>(openDatabase(m_url));
        const int version = m_store->migrate();
        QVERIFY(version >= 1);
        // A second start, or a second instance, applies nothing again.
        QCOMPARE(Store(openDatabase(m_url)).migrate(), version);
        QVERIFY(m_store->healthy());
        std::string why;
        QVERIFY(m_keys.load(
            QJsonDocument(
                QJsonObject{{"keys", QJsonArray{m_rsa.jwk("r"), m_ec.jwk("e"),
                                                QJsonObject{{"kty", "oct"}, {"k", "c2VjcmV0"}}}}})
                .toJson(),
            why));
    }

    void ticketLifecycle_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("states");
        // Steps: c confirm, x cancel, k claim, e let it expire. States after each.
        QTest::newRow("confirmed, handed out once") << "ckk"
                                                    << "Confirmed,Used,Used";
        QTest::newRow("cancelled stays cancelled") << "xck"
                                                   << "Cancelled,Cancelled,Cancelled";
        QTest::newRow("confirmed twice") << "cx"
                                         << "Confirmed,Confirmed";
        QTest::newRow("expired cannot be confirmed") << "eck"
                                                     << "Expired,Expired,Expired";
    }
    void ticketLifecycle()
    {
        QFETCH(QString, steps);
        QFETCH(QString, states);
        const std::string ticket = secrets::randomHex(16);
        long long now = m_now;
        m_store->createTicket(ticket, now + 300);
        QCOMPARE(m_store->ticketState(ticket, now), TicketState::Waiting);
        const long long user = m_store->upsertUser("subject-" + ticket, "name", "nick");
        QStringList seen;
        int claims = 0;
        for (const QChar step : steps) {
            if (step == QLatin1Char('c'))
                m_store->settleTicket(ticket, now, user);
            else if (step == QLatin1Char('x'))
                m_store->settleTicket(ticket, now, std::nullopt);
            else if (step == QLatin1Char('k') && m_store->claimTicket(ticket) == user)
                ++claims;
            else if (step == QLatin1Char('e'))
                now += 301;
            static const char *const names[] = {"Unknown",   "Waiting",   "Expired",
                                                "Confirmed", "Cancelled", "Used"};
            seen << QLatin1String(names[static_cast<int>(m_store->ticketState(ticket, now))]);
        }
        QCOMPARE(seen.join(QLatin1Char(',')), states);
        QVERIFY(claims <= 1);
        QCOMPARE(m_store->ticketState(secrets::randomHex(16), now), TicketState::Unknown);
    }

    void tokensAreKeptAsHashes()
    {
        const long long user = m_store->upsertUser("token-subject", "dora", "朵拉");
        QCOMPARE(m_store->upsertUser("token-subject", "dora", "新名字"), user);
        const std::string token = secrets::randomHex(32);
        const std::string old = secrets::randomHex(32);
        m_store->saveToken(token, user, m_now + 100);
        m_store->saveToken(old, user, m_now - 1);
        const auto found = m_store->userForToken(token, m_now);
        QVERIFY(found);
        QCOMPARE(found->id, user);
        QCOMPARE(QString::fromStdString(found->nickname), QStringLiteral("新名字"));
        QVERIFY(!m_store->userForToken(old, m_now));
        QVERIFY(!m_store->userForToken(secrets::randomHex(32), m_now));

        auto raw = openDatabase(m_url);
        bool plain = false;
        raw->run(
            [&](SqlSession &session) {
                for (const SqlRow &row : session.query("SELECT token_hash, user_id FROM tokens"))
                    plain = plain || row[0] == token;
            },
            false);
        QVERIFY(!plain);
    }

    void pingsAreCountedPerDay()
    {
        for (int i = 0; i < 3; ++i)
            m_store->countPing("2031-01-02", "openness", "4.0", "10.0");
        m_store->countPing("2031-01-03", "openness", "4.0", "10.0");
        const auto counts = m_store->pingCounts("2031-01-02", "2031-01-02");
        QCOMPARE(counts.size(), size_t(1));
        QCOMPARE(counts[0].count, 3LL);
    }

    void rateLimit()
    {
        RateLimiter limiter(RateLimit{60, 3});
        const auto start = RateLimiter::Clock::now();
        QString allowed;
        for (int ms : {0, 0, 0, 0, 999, 1001, 1001, 5000})
            allowed += limiter.allow("a", start + std::chrono::milliseconds(ms)) ? QLatin1Char('y')
                                                                                 : QLatin1Char('n');
        QCOMPARE(allowed, QStringLiteral("yyynnyny"));
        QVERIFY(limiter.allow("b", start));
        QVERIFY(RateLimiter(RateLimit{0, 0}).allow("a", start));
    }

    void configurationIsChecked_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        QTest::newRow("sample") << sampleConfig() << QString();
        QTest::newRow("not JSON") << QByteArray("{") << QStringLiteral("not JSON");
        QTest::newRow("port as text")
            << QByteArray("{\"port\":\"80\"}") << QStringLiteral("\"port\" must be");
        QTest::newRow("nested wrong kind") << QByteArray("{\"limits\":{\"polls\":{\"burst\":-1}}}")
                                           << QStringLiteral("\"limits.polls.burst\"");
        QTest::newRow("public host without public_url")
            << QByteArray("{\"host\":\"0.0.0.0\"}") << QStringLiteral("\"public_url\" is missing");
        QTest::newRow("issuer without client")
            << QByteArray("{\"oidc\":{\"issuer\":\"https://id.example\"}}")
            << QStringLiteral("\"client_id\"");
        QTest::newRow("short admin token")
            << QByteArray("{\"admin_token\":\"abc\"}") << QStringLiteral("admin_token");
        QTest::newRow("certificate without key")
            << QByteArray("{\"tls\":{\"certificate\":\"a.pem\"}}")
            << QStringLiteral("\"tls\" needs both");
    }
    void configurationIsChecked()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        ServiceConfig config;
        QString why;
        QCOMPARE(parseConfig(json, config, why), error.isEmpty());
        QVERIFY2(why.contains(error), qPrintable(why));
    }

    void idTokenIsChecked_data()
    {
        QTest::addColumn<QJsonObject>("change");
        QTest::addColumn<QString>("error");
        QTest::newRow("good") << QJsonObject() << QString();
        QTest::newRow("other issuer")
            << QJsonObject{{"iss", "https://evil.example"}} << "another issuer";
        QTest::newRow("other client") << QJsonObject{{"aud", "someone"}} << "another client";
        QTest::newRow("expired") << QJsonObject{{"exp", 1000}} << "expired";
        QTest::newRow("replayed nonce") << QJsonObject{{"nonce", "old"}} << "nonce";
        QTest::newRow("no subject") << QJsonObject{{"sub", ""}} << "no subject";
    }
    void idTokenIsChecked()
    {
        QFETCH(QJsonObject, change);
        QFETCH(QString, error);
        QJsonObject claims{{"iss", "https://id.example"},
                           {"aud", QJsonArray{"tessaly", "x"}},
                           {"exp", double(m_now + 60)},
                           {"nonce", "n-1"},
                           {"sub", "s-1"},
                           {"nickname", "Eve"}};
        for (auto it = change.begin(); it != change.end(); ++it)
            claims.insert(it.key(), it.value());
        std::string why;
        const auto identity =
            OidcClient::checkIdToken(signedToken({{"alg", "RS256"}, {"kid", "r"}}, claims, m_rsa),
                                     m_keys, "https://id.example", "tessaly", "n-1", m_now, why);
        QCOMPARE(bool(identity), error.isEmpty());
        QVERIFY2(QString::fromStdString(why).contains(error), why.c_str());
        if (identity)
            QCOMPARE(identity->nickname, std::string("Eve"));
        QVERIFY(!OidcClient::checkIdToken("not-a-token", m_keys, "https://id.example", "tessaly",
                                          "n-1", m_now, why));
    }

    void idTokenSignatureIsChecked_data()
    {
        QTest::addColumn<QJsonObject>("header");
        QTest::addColumn<bool>("signedWithEc");
        QTest::addColumn<bool>("signedWithStranger");
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<QString>("error");
        const QJsonObject rs{{"alg", "RS256"}, {"kid", "r"}};
        QTest::newRow("RS256") << rs << false << false << ""
                               << "";
        QTest::newRow("ES256") << QJsonObject{{"alg", "ES256"}, {"kid", "e"}} << true << false << ""
                               << "";
        QTest::newRow("no kid, one RSA key")
            << QJsonObject{{"alg", "RS256"}} << false << false << ""
            << "";
        QTest::newRow("tampered claims") << rs << false << false << "claims"
                                         << "does not verify";
        QTest::newRow("tampered signature") << rs << false << false << "signature"
                                            << "does not verify";
        QTest::newRow("unknown kid")
            << QJsonObject{{"alg", "RS256"}, {"kid", "x"}} << false << false << ""
            << "not among";
        QTest::newRow("kid of a key of another type")
            << QJsonObject{{"alg", "RS256"}, {"kid", "e"}} << false << false << ""
            << "not among";
        QTest::newRow("signed by another key") << rs << false << true << ""
                                               << "does not verify";
        QTest::newRow("alg none") << QJsonObject{{"alg", "none"}, {"kid", "r"}} << false << false
                                  << "unsigned"
                                  << "none, not RS256";
        QTest::newRow("HS256") << QJsonObject{{"alg", "HS256"}, {"kid", "r"}} << false << false
                               << ""
                               << "HS256";
    }
    void idTokenSignatureIsChecked()
    {
        QFETCH(QJsonObject, header);
        QFETCH(bool, signedWithEc);
        QFETCH(bool, signedWithStranger);
        QFETCH(QString, tamper);
        QFETCH(QString, error);
        const QJsonObject claims{{"iss", "https://id.example"},
                                 {"aud", "tessaly"},
                                 {"exp", double(m_now + 60)},
                                 {"nonce", "n-1"},
                                 {"sub", "s-1"}};
        const TestKey signer = signedWithStranger ? TestKey::make(false)
                               : signedWithEc     ? m_ec
                                                  : m_rsa;
        std::string token = signedToken(header, claims, signer);
        const size_t lastDot = token.rfind('.');
        if (tamper == QLatin1String("claims")) {
            QJsonObject forged = claims;
            forged.insert("sub", "s-2");
            const size_t firstDot = token.find('.');
            token.replace(firstDot + 1, lastDot - firstDot - 1,
                          urlSafe(QJsonDocument(forged).toJson(QJsonDocument::Compact)));
        } else if (tamper == QLatin1String("signature"))
            token[lastDot + 5] = token[lastDot + 5] == 'A' ? 'B' : 'A';
        else if (tamper == QLatin1String("unsigned"))
            token.erase(lastDot + 1);
        std::string why;
        const auto identity = OidcClient::checkIdToken(token, m_keys, "https://id.example",
                                                       "tessaly", "n-1", m_now, why);
        QCOMPARE(bool(identity), error.isEmpty());
        QVERIFY2(QString::fromStdString(why).contains(error), why.c_str());
        // What decides whether the provider's keys are fetched again.
        if (!error.contains(QLatin1String("not RS256")) && error != QLatin1String("HS256"))
            QCOMPARE(m_keys.hasKeyFor(token), error != QLatin1String("not among"));
    }

    void newestValidCatalogueIsServed()
    {
        const QString folder = m_folder.filePath(QStringLiteral("catalogues"));
        QVERIFY(QDir().mkpath(folder));
        CatalogueSource source("{\"format\":2,\"name\":\"built-in\"}", folder);
        QVERIFY(source.current().origin == QStringLiteral("built-in"));
        QVERIFY(
            writeFile(folder + QStringLiteral("/a.json"), "{\"format\":2,\"name\":\"a\"}", 300));
        QVERIFY(
            writeFile(folder + QStringLiteral("/b.json"), "{\"format\":2,\"name\":\"b\"}", 200));
        // Newer, but broken or of a format the program does not know.
        QVERIFY(writeFile(folder + QStringLiteral("/c.json"), "{\"format\":2,\"na", 100));
        QVERIFY(writeFile(folder + QStringLiteral("/d.json"), "{\"format\":3}", 50));
        QVERIFY(writeFile(folder + QStringLiteral("/e.txt"), "{\"format\":2,\"name\":\"e\"}", 10));
        QVERIFY(source.reload());
        QVERIFY(source.current().body.contains("\"b\""));
        QVERIFY(!source.reload());
        const std::string tag = source.current().etag;
        QVERIFY(writeFile(folder + QStringLiteral("/f.json"), "{\"format\":2,\"name\":\"f\"}", 0));
        QVERIFY(source.reload());
        QVERIFY(source.current().etag != tag);
    }
};

QTEST_GUILESS_MAIN(TestWebServiceParts)
#include "tst_webservice_parts.moc"
