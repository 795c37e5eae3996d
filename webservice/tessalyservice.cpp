#include "tessalyservice.h"

#include "phonepages.h"
#include "secrets.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <cstdio>
#include <ctime>

namespace {
const char *const kCookie = "tessaly_signin";
// A phone has this long between scanning the code and confirming.
constexpr int kSignInSeconds = 600;
// The longest type, version or Windows version a ping may carry.
constexpr size_t kPingFieldMax = 64;

long long now()
{
    return static_cast<long long>(std::time(nullptr));
}

void sendJson(httplib::Response &res, const QJsonObject &object, int status = 200)
{
    res.status = status;
    res.set_content(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(),
                    "application/json; charset=utf-8");
}

void sendEnvelope(httplib::Response &res, int code, const QJsonValue &data, const QString &msg,
                  int status = 200)
{
    sendJson(res,
             {{QStringLiteral("code"), code},
              {QStringLiteral("data"), data},
              {QStringLiteral("msg"), msg}},
             status);
}

void sendPage(httplib::Response &res, const std::string &html, int status = 200)
{
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
                   "frame-ancestors 'none'; base-uri 'none'");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_content(html, "text/html; charset=utf-8");
}

bool isHex(const std::string &text, size_t length)
{
    return text.size() == length && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Program-supplied texts kept in the statistics: printable, short.
bool isPlainField(const std::string &text)
{
    if (text.size() > kPingFieldMax)
        return false;
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7f)
            return false;
    }
    return QString::fromStdString(text).toUtf8().toStdString() == text;
}

QString csvField(const std::string &text)
{
    QString field = QString::fromStdString(text);
    // A spreadsheet runs a cell that starts like a formula.
    if (!field.isEmpty() && QStringLiteral("=+-@").contains(field.at(0)))
        field.prepend(QLatin1Char('\''));
    if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
        field.contains(QLatin1Char('\n')))
        field = QLatin1Char('"') + field.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                QLatin1Char('"');
    return field;
}

bool isDay(const std::string &text)
{
    return QDate::fromString(QString::fromStdString(text), Qt::ISODate).isValid() &&
           text.size() == 10;
}
} // namespace

TessalyService::TessalyService(const ServiceConfig &config, Store &store,
                               CatalogueSource &catalogue)
    : m_config(config), m_store(store), m_catalogue(catalogue), m_oidc(config),
      m_ticketLimit(config.tickets), m_pollLimit(config.polls), m_pingLimit(config.pings),
      m_signInLimit(config.signIn)
{
}

void TessalyService::install(httplib::Server &server)
{
    server.set_payload_max_length(m_config.maxBodyBytes);
    server.set_read_timeout(m_config.readTimeoutSeconds);
    server.set_write_timeout(m_config.readTimeoutSeconds);
    server.set_keep_alive_timeout(5);
    // Fewer reconnections: the listen queue is short, and a dropped
    // connection attempt costs the client a second.
    server.set_keep_alive_max_count(1000);
    // Headers and body go out in separate writes: without this each answer
    // waits for the client's delayed acknowledgement.
    server.set_tcp_nodelay(true);

    const auto bind =
        [this](void (TessalyService::*handler)(const httplib::Request &, httplib::Response &)) {
            return [this, handler](const httplib::Request &req, httplib::Response &res) {
                (this->*handler)(req, res);
            };
        };
    route(server, "GET", "/api/driver/config/query", bind(&TessalyService::configQuery));
    route(server, "POST", "/api/driverwechat/index/createloginqrcode",
          limited(m_ticketLimit, &TessalyService::createTicket, false));
    route(server, "GET", "/api/driverwechat/index/querylogin",
          limited(m_pollLimit, &TessalyService::queryLogin, false));
    route(server, "GET", "/api/driver/user/info",
          limited(m_pollLimit, &TessalyService::userInfo, false));
    route(server, "GET", "/helper/statistics",
          limited(m_pingLimit, &TessalyService::statisticsPing, false));
    route(server, "GET", "/api/driver/catalogue", bind(&TessalyService::catalogue));
    route(server, "GET", "/health", bind(&TessalyService::health));
    route(server, "GET", "/admin/statistics", bind(&TessalyService::adminStatistics));
    route(server, "GET", "/login/scan", limited(m_signInLimit, &TessalyService::scan, true));
    route(server, "GET", "/login/callback",
          limited(m_signInLimit, &TessalyService::callback, true));
    route(server, "POST", "/login/confirm", limited(m_signInLimit, &TessalyService::confirm, true));

    // A request that may carry a body but says neither its length nor that
    // it is chunked would hold a worker until the read timeout: refused at once.
    server.set_pre_routing_handler([](const httplib::Request &req, httplib::Response &res) {
        const bool bodied = req.method == "POST" || req.method == "PUT" || req.method == "PATCH";
        if (!bodied || req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
            return httplib::Server::HandlerResponse::Unhandled;
        res.set_header("Connection", "close");
        sendEnvelope(res, 0, QJsonValue(), QStringLiteral("请求缺少长度"), 411);
        return httplib::Server::HandlerResponse::Handled;
    });
    server.set_exception_handler(
        [](const httplib::Request &req, httplib::Response &res, std::exception_ptr error) {
            std::string why = "unknown failure";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception &e) {
                why = e.what();
            } catch (...) {
            }
            std::fprintf(stderr, "%s %s failed: %s\n", req.method.c_str(), req.path.c_str(),
                         why.c_str());
            sendEnvelope(res, 0, QJsonValue(), QStringLiteral("服务暂时不可用，请稍后再试"), 503);
        });
    server.set_error_handler([this](const httplib::Request &req, httplib::Response &res) {
        if (!res.body.empty())
            return;
        const auto known = m_allowed.find(req.path);
        if (res.status == 404 && known != m_allowed.end() &&
            (", " + known->second + ",").find(", " + req.method + ",") == std::string::npos) {
            res.set_header("Allow", known->second);
            if (req.path.rfind("/login/", 0) == 0)
                sendPage(res, phonepages::message("请求无效", "请在电脑上刷新二维码后重新扫描。"),
                         405);
            else
                sendEnvelope(res, 0, QJsonValue(), QStringLiteral("不支持这个请求方法"), 405);
            return;
        }
        QString msg = QStringLiteral("请求无效");
        if (res.status == 404)
            msg = QStringLiteral("没有这个接口");
        else if (res.status == 413)
            msg = QStringLiteral("请求过大");
        sendEnvelope(res, 0, QJsonValue(), msg, res.status);
    });
    // Paths only: queries carry tickets and codes, headers carry tokens.
    server.set_logger([](const httplib::Request &req, const httplib::Response &res) {
        std::fprintf(stderr, "%s %s %d\n", req.method.c_str(), req.path.c_str(), res.status);
    });
}

void TessalyService::route(httplib::Server &server, const char *method, const char *path,
                           Handler handler)
{
    const std::string name = method;
    std::string &allowed = m_allowed[path];
    allowed += (allowed.empty() ? "" : ", ") + name + (name == "GET" ? ", HEAD" : "");
    if (name == "GET")
        server.Get(path, std::move(handler));
    else
        server.Post(path, std::move(handler));
}

TessalyService::Handler TessalyService::limited(
    RateLimiter &limiter,
    void (TessalyService::*handler)(const httplib::Request &, httplib::Response &), bool page)
{
    return [this, &limiter, handler, page](const httplib::Request &req, httplib::Response &res) {
        if (!limiter.allow(clientAddress(req))) {
            res.set_header("Retry-After", "60");
            if (page)
                sendPage(res, phonepages::message("请稍后再试", "请求过于频繁。"), 429);
            else
                sendEnvelope(res, 0, QJsonValue(), QStringLiteral("请求过于频繁，请稍后再试"), 429);
            return;
        }
        (this->*handler)(req, res);
    };
}

std::string TessalyService::clientAddress(const httplib::Request &req) const
{
    if (m_config.trustForwardedFor && req.has_header("X-Forwarded-For")) {
        // The proxy appends the address it saw; earlier entries are the
        // client's own word.
        const std::string forwarded = req.get_header_value("X-Forwarded-For");
        const size_t comma = forwarded.rfind(',');
        std::string last = comma == std::string::npos ? forwarded : forwarded.substr(comma + 1);
        last.erase(0, last.find_first_not_of(' '));
        if (!last.empty())
            return last;
    }
    return req.remote_addr;
}

void TessalyService::configQuery(const httplib::Request &, httplib::Response &res)
{
    sendEnvelope(res, 1,
                 QJsonObject{{QStringLiteral("kefu"), m_config.kefu},
                             {QStringLiteral("learningPage"), m_config.learningPage},
                             {QStringLiteral("international"), m_config.international}},
                 QString());
}

void TessalyService::createTicket(const httplib::Request &, httplib::Response &res)
{
    const std::string ticket = secrets::randomHex(16);
    m_store.createTicket(ticket, now() + m_config.ticketSeconds);
    sendEnvelope(
        res, 1,
        QJsonObject{{QStringLiteral("ticket"), QString::fromStdString(ticket)},
                    {QStringLiteral("expire_seconds"), m_config.ticketSeconds},
                    {QStringLiteral("url"),
                     QString::fromStdString(m_config.publicUrl + "/login/scan?ticket=" + ticket)}},
        QString());
}

void TessalyService::queryLogin(const httplib::Request &req, httplib::Response &res)
{
    const std::string ticket = req.get_param_value("ticket");
    if (ticket.empty()) {
        sendEnvelope(res, 0, QJsonValue(), QStringLiteral("缺少二维码编号"));
        return;
    }
    const TicketState state =
        isHex(ticket, 32) ? m_store.ticketState(ticket, now()) : TicketState::Unknown;
    switch (state) {
    case TicketState::Waiting:
        sendEnvelope(res, 1002, QJsonValue(), QStringLiteral("等待扫码确认"));
        return;
    case TicketState::Expired:
        sendEnvelope(res, 1001, QJsonValue(), QStringLiteral("二维码已过期"));
        return;
    case TicketState::Cancelled:
        sendEnvelope(res, 0, QJsonValue(), QStringLiteral("已在手机上取消登录"));
        return;
    case TicketState::Confirmed: {
        // Only the first poll after the confirmation gets the user.
        const std::optional<long long> userId = m_store.claimTicket(ticket);
        if (!userId)
            break;
        const std::string token = secrets::randomHex(32);
        const long long expires = now() + m_config.tokenDays * 24LL * 3600;
        m_store.saveToken(token, *userId, expires);
        const std::optional<StoredUser> user = m_store.userForToken(token, now());
        if (!user)
            break;
        sendEnvelope(res, 1, userObject(*user, token), QString());
        return;
    }
    case TicketState::Used:
        sendEnvelope(res, 0, QJsonValue(), QStringLiteral("二维码已使用，请刷新"));
        return;
    case TicketState::Unknown:
        break;
    }
    sendEnvelope(res, 0, QJsonValue(), QStringLiteral("无效的二维码"));
}

void TessalyService::userInfo(const httplib::Request &req, httplib::Response &res)
{
    const std::string token = req.get_header_value("token");
    const std::optional<StoredUser> user =
        isHex(token, 64) ? m_store.userForToken(token, now()) : std::nullopt;
    if (!user) {
        sendEnvelope(res, 0, QJsonValue(), QStringLiteral("登录已失效，请重新登录"));
        return;
    }
    sendEnvelope(res, 1, userObject(*user, token), QString());
}

QJsonValue TessalyService::userObject(const StoredUser &user, const std::string &token) const
{
    return QJsonObject{{QStringLiteral("username"), QString::fromStdString(user.username)},
                       {QStringLiteral("nickname"), QString::fromStdString(user.nickname)},
                       {QStringLiteral("mobile"), QString()},
                       {QStringLiteral("token"), QString::fromStdString(token)},
                       {QStringLiteral("expiretime"), user.tokenExpires},
                       {QStringLiteral("user_id"), user.id}};
}

void TessalyService::statisticsPing(const httplib::Request &req, httplib::Response &res)
{
    const std::string type = req.get_param_value("type");
    const std::string version = req.get_param_value("version");
    const std::string system = req.get_param_value("system");
    if (type.empty() || !isPlainField(type) || !isPlainField(version) || !isPlainField(system)) {
        sendEnvelope(res, 0, QJsonValue(), QStringLiteral("统计参数无效"), 400);
        return;
    }
    // The machine identifier is not kept: the counts need none.
    const std::string day =
        QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate).toStdString();
    m_store.countPing(day, type, version, system);
    sendEnvelope(res, 1, QJsonValue(), QString());
}

void TessalyService::catalogue(const httplib::Request &req, httplib::Response &res)
{
    const CatalogueSource::Snapshot snapshot = m_catalogue.current();
    res.set_header("ETag", snapshot.etag);
    res.set_header("Cache-Control", "no-cache");
    if (req.get_header_value("If-None-Match") == snapshot.etag) {
        res.status = 304;
        return;
    }
    res.set_content(snapshot.body.toStdString(), "application/json; charset=utf-8");
}

void TessalyService::health(const httplib::Request &, httplib::Response &res)
{
    const bool healthy = m_store.healthy();
    sendJson(res,
             {{QStringLiteral("status"),
               healthy ? QStringLiteral("ok") : QStringLiteral("database unavailable")}},
             healthy ? 200 : 503);
}

void TessalyService::adminStatistics(const httplib::Request &req, httplib::Response &res)
{
    const std::string expected = "Bearer " + m_config.adminToken;
    if (m_config.adminToken.empty() ||
        !secrets::sameSecret(req.get_header_value("Authorization"), expected)) {
        res.set_header("WWW-Authenticate", "Bearer");
        sendJson(res, {{QStringLiteral("error"), QStringLiteral("a valid bearer token is needed")}},
                 401);
        return;
    }
    const std::string today =
        QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate).toStdString();
    const std::string from = req.has_param("from") ? req.get_param_value("from") : "0000-01-01";
    const std::string to = req.has_param("to") ? req.get_param_value("to") : today;
    const std::string format = req.get_param_value("format");
    if ((req.has_param("from") && !isDay(from)) || (req.has_param("to") && !isDay(to)) ||
        (!format.empty() && format != "json" && format != "csv")) {
        sendJson(res,
                 {{QStringLiteral("error"),
                   QStringLiteral("from and to are YYYY-MM-DD, format is json or csv")}},
                 400);
        return;
    }
    const std::vector<PingCount> counts = m_store.pingCounts(from, to);
    if (format == "csv") {
        QString csv = QStringLiteral("day,type,version,system,count\r\n");
        for (const PingCount &count : counts)
            csv += csvField(count.day) + QLatin1Char(',') + csvField(count.type) +
                   QLatin1Char(',') + csvField(count.version) + QLatin1Char(',') +
                   csvField(count.system) + QLatin1Char(',') + QString::number(count.count) +
                   QStringLiteral("\r\n");
        res.set_content(csv.toStdString(), "text/csv; charset=utf-8");
        return;
    }
    QJsonArray rows;
    for (const PingCount &count : counts)
        rows.append(QJsonObject{{QStringLiteral("day"), QString::fromStdString(count.day)},
                                {QStringLiteral("type"), QString::fromStdString(count.type)},
                                {QStringLiteral("version"), QString::fromStdString(count.version)},
                                {QStringLiteral("system"), QString::fromStdString(count.system)},
                                {QStringLiteral("count"), count.count}});
    sendJson(res, {{QStringLiteral("counts"), rows}});
}

std::string TessalyService::browserSecret(const httplib::Request &req)
{
    const std::string cookies = req.get_header_value("Cookie");
    const std::string name = std::string(kCookie) + "=";
    size_t at = 0;
    while ((at = cookies.find(name, at)) != std::string::npos) {
        if (at == 0 || cookies[at - 1] == ' ' || cookies[at - 1] == ';') {
            const size_t start = at + name.size();
            const size_t end = cookies.find(';', start);
            return cookies.substr(start, end == std::string::npos ? end : end - start);
        }
        at += name.size();
    }
    return std::string();
}

void TessalyService::setBrowserCookie(httplib::Response &res, const std::string &secret,
                                      int maxAge) const
{
    // Lax, not Strict: the provider's redirect back is a cross-site navigation.
    res.set_header("Set-Cookie", std::string(kCookie) + "=" + secret + "; Path=/login; Max-Age=" +
                                     std::to_string(maxAge) + "; HttpOnly; Secure; SameSite=Lax");
}

void TessalyService::scan(const httplib::Request &req, httplib::Response &res)
{
    const std::string ticket = req.get_param_value("ticket");
    const TicketState state =
        isHex(ticket, 32) ? m_store.ticketState(ticket, now()) : TicketState::Unknown;
    if (state != TicketState::Waiting) {
        sendPage(res, phonepages::message("二维码已失效", "请在电脑上刷新二维码后重新扫描。"),
                 state == TicketState::Unknown ? 404 : 410);
        return;
    }
    if (!m_config.oidcConfigured()) {
        sendPage(res, phonepages::message("暂时无法登录", "服务尚未配置登录方式。"), 503);
        return;
    }
    PendingSignIn signIn;
    signIn.state = secrets::randomUrlSafe(32);
    signIn.nonce = secrets::randomUrlSafe(32);
    signIn.verifier = secrets::randomUrlSafe(32);
    signIn.ticket = ticket;
    signIn.expires = now() + kSignInSeconds;
    const std::string browser = secrets::randomUrlSafe(32);
    signIn.browserHash = secrets::sha256Hex(browser);
    std::string why;
    const std::string address =
        m_oidc.authorizationUrl(signIn.state, signIn.nonce, signIn.verifier, why);
    if (address.empty()) {
        std::fprintf(stderr, "sign-in provider unavailable: %s\n", why.c_str());
        sendPage(res, phonepages::message("暂时无法登录", "登录服务暂时不可用，请稍后再试。"), 502);
        return;
    }
    m_store.saveSignIn(signIn);
    setBrowserCookie(res, browser, kSignInSeconds);
    res.set_header("Cache-Control", "no-store");
    res.set_redirect(address, 302);
}

void TessalyService::callback(const httplib::Request &req, httplib::Response &res)
{
    const std::string state = req.get_param_value("state");
    const std::optional<PendingSignIn> signIn =
        state.empty() ? std::nullopt : m_store.signIn(state, now());
    // The same browser that left for the provider must come back: a link
    // planted by someone else finds no cookie to match.
    if (!signIn || signIn->userId != 0 ||
        !secrets::sameSecret(secrets::sha256Hex(browserSecret(req)), signIn->browserHash)) {
        sendPage(res, phonepages::message("登录已失效", "请在电脑上刷新二维码后重新扫描。"), 400);
        return;
    }
    if (req.has_param("error") || !req.has_param("code")) {
        m_store.dropSignIn(state);
        sendPage(res, phonepages::message("未登录", "登录没有完成，可以在电脑上刷新二维码重试。"));
        return;
    }
    std::string why;
    const std::optional<OidcIdentity> identity =
        m_oidc.exchange(req.get_param_value("code"), signIn->verifier, signIn->nonce, why);
    if (!identity) {
        m_store.dropSignIn(state);
        std::fprintf(stderr, "sign-in refused: %s\n", why.c_str());
        sendPage(res, phonepages::message("登录失败", "身份验证没有通过，请重新扫描二维码。"), 403);
        return;
    }
    const long long userId =
        m_store.upsertUser(identity->subject, identity->username, identity->nickname);
    const std::string csrf = secrets::randomUrlSafe(32);
    m_store.authenticateSignIn(state, userId, csrf);
    sendPage(res, phonepages::confirm(identity->nickname, state, csrf));
}

void TessalyService::confirm(const httplib::Request &req, httplib::Response &res)
{
    const std::string state = req.get_param_value("state");
    const std::optional<PendingSignIn> signIn =
        state.empty() ? std::nullopt : m_store.signIn(state, now());
    if (!signIn || signIn->userId == 0 ||
        !secrets::sameSecret(secrets::sha256Hex(browserSecret(req)), signIn->browserHash) ||
        !secrets::sameSecret(req.get_param_value("csrf"), signIn->csrf)) {
        sendPage(res, phonepages::message("登录已失效", "请在电脑上刷新二维码后重新扫描。"), 403);
        return;
    }
    m_store.dropSignIn(state);
    setBrowserCookie(res, std::string(), 0);
    const bool accept = req.get_param_value("decision") == "confirm";
    const bool settled =
        m_store.settleTicketHash(signIn->ticketHash, now(),
                                 accept ? std::optional<long long>(signIn->userId) : std::nullopt);
    if (!settled)
        sendPage(res, phonepages::message("二维码已失效", "请在电脑上刷新二维码后重新扫描。"), 410);
    else if (accept)
        sendPage(res, phonepages::message("登录成功", "请回到电脑上继续使用 Tessaly。"));
    else
        sendPage(res, phonepages::message("已取消", "电脑上不会登录。"));
}
