#include "config.h"

#include "secrets.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// One reader per value kind: a present value of the wrong kind is an error,
// never silently the default.
class Reader {
public:
    Reader(const QJsonObject &object, QString prefix, QString &error)
        : m_object(object), m_prefix(std::move(prefix)), m_error(error)
    {
    }

    void text(const char *name, std::string &out)
    {
        const QJsonValue value = m_object.value(key(name));
        if (value.isUndefined() || value.isNull())
            return;
        if (!value.isString())
            return fail(name, "a text");
        out = value.toString().toStdString();
    }
    void text(const char *name, QString &out)
    {
        std::string value = out.toStdString();
        text(name, value);
        out = QString::fromStdString(value);
    }
    void number(const char *name, int &out, int low, int high)
    {
        const QJsonValue value = m_object.value(key(name));
        if (value.isUndefined())
            return;
        const double number = value.toDouble(-1e18);
        if (!value.isDouble() || number != static_cast<int>(number) || number < low ||
            number > high)
            return fail(name, QStringLiteral("a whole number from %1 to %2").arg(low).arg(high));
        out = static_cast<int>(number);
    }
    void flag(const char *name, bool &out)
    {
        const QJsonValue value = m_object.value(key(name));
        if (value.isUndefined())
            return;
        if (!value.isBool())
            return fail(name, "true or false");
        out = value.toBool();
    }
    QJsonObject object(const char *name)
    {
        const QJsonValue value = m_object.value(key(name));
        if (!value.isUndefined() && !value.isObject())
            fail(name, "an object");
        return value.toObject();
    }
    // The reader of a nested object, naming its keys with the path.
    Reader section(const char *name)
    {
        return Reader(object(name), m_prefix + key(name) + QLatin1Char('.'), m_error);
    }
    void rate(const char *name, RateLimit &out)
    {
        Reader inner = section(name);
        inner.number("per_minute", out.perMinute, 0, 100000000);
        inner.number("burst", out.burst, 0, 100000000);
        if (out.perMinute > 0 && out.burst == 0)
            out.burst = 1;
    }
    void fail(const char *name, const QString &what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("\"%1%2\" must be %3").arg(m_prefix, key(name), what);
    }
    void fail(const char *name, const char *what) { fail(name, QString::fromLatin1(what)); }

private:
    QJsonObject m_object;
    QString m_prefix;
    QString &m_error;
};

bool isWebAddress(const std::string &text)
{
    // http(s)://host[:port][/path]: a host of letters, digits, dots, dashes
    // (or a bracketed IPv6 address), nothing blank or unprintable after it.
    std::string rest;
    if (text.rfind("http://", 0) == 0)
        rest = text.substr(7);
    else if (text.rfind("https://", 0) == 0)
        rest = text.substr(8);
    else
        return false;
    const size_t end = rest.find_first_of("/?#");
    const std::string authority = rest.substr(0, end);
    if (authority.empty() ||
        authority.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                    "0123456789.-:[]") != std::string::npos ||
        authority[0] == ':' || authority[0] == '.')
        return false;
    for (const unsigned char c : rest) {
        if (c <= 0x20 || c >= 0x7f)
            return false;
    }
    return true;
}
} // namespace

bool ServiceConfig::publicUrlIsSecure() const
{
    return publicUrl.rfind("https://", 0) == 0;
}

bool parseConfig(const QByteArray &json, ServiceConfig &config, QString &error)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // The offset, not Qt's translated wording: it reads the same anywhere.
        error = QStringLiteral("not JSON: broken at offset %1").arg(parseError.offset);
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("the configuration must be a JSON object");
        return false;
    }
    error.clear();
    const QJsonObject root = document.object();
    Reader read(root, QString(), error);
    read.text("host", config.host);
    read.number("port", config.port, 0, 65535);
    read.text("public_url", config.publicUrl);
    read.text("database", config.database);
    read.text("kefu", config.kefu);
    read.text("learningPage", config.learningPage);
    config.international = root.value(key("international"));
    if (config.international.isUndefined())
        config.international = QJsonValue();
    read.number("ticket_seconds", config.ticketSeconds, 10, 3600);
    read.number("token_days", config.tokenDays, 1, 365);
    read.text("admin_token", config.adminToken);
    read.number("threads", config.threads, 2, 1024);
    read.flag("trust_forwarded_for", config.trustForwardedFor);

    Reader provider = read.section("oidc");
    provider.text("issuer", config.oidcIssuer);
    provider.text("client_id", config.oidcClientId);
    provider.text("client_secret", config.oidcClientSecret);
    provider.text("scope", config.oidcScope);

    Reader source = read.section("catalogue");
    source.text("path", config.cataloguePath);
    source.number("reload_seconds", config.catalogueReloadSeconds, 1, 86400);

    Reader bounds = read.section("limits");
    int maxBody = static_cast<int>(config.maxBodyBytes);
    bounds.number("max_body_bytes", maxBody, 0, 1024 * 1024);
    config.maxBodyBytes = static_cast<size_t>(maxBody);
    bounds.number("read_timeout_seconds", config.readTimeoutSeconds, 1, 300);
    bounds.rate("tickets", config.tickets);
    bounds.rate("polls", config.polls);
    bounds.rate("pings", config.pings);
    bounds.rate("sign_in", config.signIn);

    Reader files = read.section("tls");
    files.text("certificate", config.tlsCertificate);
    files.text("key", config.tlsKey);
    if (!error.isEmpty())
        return false;

    const QString listenHost = QString::fromStdString(config.host);
    const bool loopback = listenHost == QLatin1String("localhost") ||
                          listenHost.startsWith(QLatin1String("127.")) ||
                          listenHost == QLatin1String("::1");
    if (config.publicUrl.empty() && !loopback)
        error = QStringLiteral("\"public_url\" is missing: the address phones open");
    else if (!config.publicUrl.empty() && !isWebAddress(config.publicUrl))
        error = QStringLiteral("\"public_url\" must be an http or https address");
    else if (config.oidcConfigured() &&
             (!isWebAddress(config.oidcIssuer) || config.oidcClientId.empty()))
        error = QStringLiteral("\"oidc\" needs an http(s) \"issuer\" and a \"client_id\"");
    else if (config.tlsCertificate.empty() != config.tlsKey.empty())
        error = QStringLiteral("\"tls\" needs both \"certificate\" and \"key\"");
    else if (!config.adminToken.empty() && config.adminToken.size() < 16)
        error = QStringLiteral("\"admin_token\" must be at least 16 characters");
    if (!error.isEmpty())
        return false;
    while (!config.publicUrl.empty() && config.publicUrl.back() == '/')
        config.publicUrl.pop_back();
    return true;
}

bool loadConfig(const QString &path, ServiceConfig &config, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (!parseConfig(file.read(1024 * 1024), config, error)) {
        error = path + QStringLiteral(": ") + error;
        return false;
    }
    return true;
}

QByteArray sampleConfig()
{
    const QJsonObject international{
        {key("defaultCountry"), 44},
        {key("languages"), QJsonArray{key("zh_cn"), key("en"), key("jp-ja"), key("zh_tw")}}};
    const QJsonObject sample{
        {key("host"), key("127.0.0.1")},
        {key("port"), 8080},
        {key("public_url"), key("http://127.0.0.1:8080")},
        {key("database"), key("tessaly.db")},
        {key("kefu"), key("https://chat.tessaly.example/")},
        {key("learningPage"), key("https://www.tessaly.example/learning")},
        {key("international"), international},
        {key("ticket_seconds"), 300},
        {key("token_days"), 30},
        {key("admin_token"), QString::fromStdString(secrets::randomHex(24))},
        {key("oidc"), QJsonObject{{key("issuer"), QString()},
                                   {key("client_id"), QString()},
                                   {key("client_secret"), QString()},
                                   {key("scope"), key("openid profile")}}},
        {key("catalogue"), QJsonObject{{key("path"), QString()}, {key("reload_seconds"), 300}}},
        {key("limits"),
         QJsonObject{{key("max_body_bytes"), 16384},
                     {key("read_timeout_seconds"), 10},
                     {key("tickets"), QJsonObject{{key("per_minute"), 30}, {key("burst"), 10}}},
                     {key("polls"), QJsonObject{{key("per_minute"), 120}, {key("burst"), 20}}},
                     {key("pings"), QJsonObject{{key("per_minute"), 60}, {key("burst"), 20}}},
                     {key("sign_in"), QJsonObject{{key("per_minute"), 30}, {key("burst"), 10}}}}},
        {key("trust_forwarded_for"), false},
        {key("tls"), QJsonObject{{key("certificate"), QString()}, {key("key"), QString()}}}};
    return QJsonDocument(sample).toJson();
}
