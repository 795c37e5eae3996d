#pragma once
// The service's configuration file (JSON): what it answers, where it keeps
// its data, the sign-in provider, and the limits that keep it safe.

#include <QJsonValue>
#include <QString>

#include <string>

struct RateLimit {
    int perMinute = 0; // 0: unlimited
    int burst = 0;
};

struct ServiceConfig {
    std::string host = "127.0.0.1";
    int port = 8080;
    // Scheme, host and port under which phones reach this service; on
    // loopback it may be left out and is then the address listened on.
    std::string publicUrl;
    std::string database = "tessaly.db";

    // The configuration query's answer.
    QString kefu;
    QString learningPage;
    QJsonValue international;

    int ticketSeconds = 300;
    int tokenDays = 30;

    std::string oidcIssuer;
    std::string oidcClientId;
    std::string oidcClientSecret;
    std::string oidcScope = "openid profile";

    std::string adminToken;

    // A catalogue file, or a folder whose newest valid *.json is served.
    std::string cataloguePath;
    int catalogueReloadSeconds = 300;

    RateLimit tickets{30, 10};
    RateLimit polls{120, 20};
    RateLimit pings{60, 20};
    RateLimit signIn{30, 10};
    // Behind a reverse proxy: take the client's address from X-Forwarded-For.
    bool trustForwardedFor = false;

    size_t maxBodyBytes = 16 * 1024;
    int readTimeoutSeconds = 10;
    int threads = 16;

    std::string tlsCertificate;
    std::string tlsKey;

    bool oidcConfigured() const { return !oidcIssuer.empty(); }
    std::string redirectUri() const { return publicUrl + "/login/callback"; }
    // Cookies over plain HTTP are only sent to loopback addresses; anything
    // else must reach phones over HTTPS.
    bool publicUrlIsSecure() const;
};

// Reads and checks a configuration; on failure returns false and says why.
bool parseConfig(const QByteArray &json, ServiceConfig &config, QString &error);
bool loadConfig(const QString &path, ServiceConfig &config, QString &error);
// A configuration that runs as it stands on loopback with an SQLite file in
// the current folder.
QByteArray sampleConfig();
