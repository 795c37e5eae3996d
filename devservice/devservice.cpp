#include "devservice.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <QUrlQuery>

#include <algorithm>
#include <random>

namespace {
// Always accepted by the user information query, so a persisted sign-in
// survives a restart of the stand-in.
const char *const kDevToken = "tessaly-dev-token";

const char *const kControlPrefix = "/__control/";

std::string toStd(const QString &text)
{
    return text.toStdString();
}

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

std::string htmlPage(const QString &title, const QString &body)
{
    return toStd(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1"
                                "</title></head><body><h1>%1</h1><p>%2</p></body></html>")
                     .arg(title.toHtmlEscaped(), body.toHtmlEscaped()));
}

QJsonArray pairsToJson(const std::vector<std::pair<std::string, std::string>> &pairs)
{
    QJsonArray array;
    for (const auto &pair : pairs)
        array.append(QJsonArray{fromStd(pair.first), fromStd(pair.second)});
    return array;
}
} // namespace

DevService::DevService() = default;

void DevService::install(httplib::Server &server)
{
    installService(server);
    installDriverFiles(server);
    installControl(server);
}

void DevService::shutdown()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
}

bool DevService::wait(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, duration, [this] { return m_stopping; });
}

DevService::Pairs DevService::queryItems(const httplib::Request &req)
{
    // httplib keeps parameters sorted by name; the log needs them in the
    // order they were sent, so the raw target is read again.
    const auto mark = req.target.find('?');
    if (mark == std::string::npos)
        return {};
    // A literal "+" stands for a blank in a query, as form decoding reads it.
    QString raw = fromStd(req.target.substr(mark + 1));
    raw.replace(QLatin1Char('+'), QLatin1String("%20"));
    Pairs items;
    const auto parsed = QUrlQuery(raw).queryItems(QUrl::FullyDecoded);
    for (const auto &item : parsed)
        items.emplace_back(toStd(item.first), toStd(item.second));
    return items;
}

std::string DevService::localPath(const std::string &path)
{
    const auto scheme = path.find("://");
    if (scheme == std::string::npos || path.compare(0, 4, "http") != 0)
        return path;
    const auto slash = path.find('/', scheme + 3);
    return slash == std::string::npos ? std::string("/") : path.substr(slash);
}

std::string DevService::baseUrl(const httplib::Request &req)
{
    return "http://" + req.get_header_value("Host");
}

void DevService::sendJson(httplib::Response &res, const QJsonValue &value, int status)
{
    const QByteArray json = value.isArray() ? QJsonDocument(value.toArray()).toJson()
                                            : QJsonDocument(value.toObject()).toJson();
    res.status = status;
    res.set_content(json.toStdString(), "application/json; charset=utf-8");
}

void DevService::sendEnvelope(httplib::Response &res, const Envelope &envelope)
{
    QJsonObject object{{QStringLiteral("code"), envelope.code},
                       {QStringLiteral("data"), envelope.data}};
    if (envelope.msg)
        object.insert(QStringLiteral("msg"), *envelope.msg);
    sendJson(res, object);
}

void DevService::sendPaddedEnvelope(httplib::Response &res, uint64_t size, bool chunked)
{
    static const std::string head = R"({"code":1,"msg":"","data":")";
    static const std::string tail = R"("})";
    size = std::max<uint64_t>(size, head.size() + tail.size());
    const auto provide = [size](size_t offset, httplib::DataSink &sink) {
        if (offset >= size) {
            sink.done();
            return true;
        }
        std::string block(static_cast<size_t>(std::min<uint64_t>(64 * 1024, size - offset)), 'x');
        for (size_t i = 0; i < block.size(); ++i) {
            const uint64_t at = offset + i;
            if (at < head.size())
                block[i] = head[at];
            else if (at >= size - tail.size())
                block[i] = tail[at - (size - tail.size())];
        }
        return sink.write(block.data(), block.size());
    };
    if (chunked) {
        res.set_chunked_content_provider("application/json", provide);
    } else {
        res.set_content_provider(static_cast<size_t>(size), "application/json",
                                 [provide](size_t offset, size_t, httplib::DataSink &sink) {
                                     return provide(offset, sink);
                                 });
    }
}

bool DevService::breakOnce(const std::string &target)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_broken.insert(target).second;
}

void DevService::sendBrokenAnswer(httplib::Response &res)
{
    // Headers promise a body that never comes: the connection is cut.
    res.set_content_provider(1024, "application/json",
                             [](size_t, size_t, httplib::DataSink &) { return false; });
}

std::optional<DevService::Script> DevService::takeScript(const std::string &path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_scripts.find(path);
    if (found == m_scripts.end() || found->second.empty())
        return std::nullopt;
    Script &front = found->second.front();
    Script script = front;
    if (--front.times <= 0)
        found->second.pop_front();
    return script;
}

httplib::Server::Handler DevService::recorded(httplib::Server::Handler handler)
{
    return [this, handler](const httplib::Request &req, httplib::Response &res) {
        {
            LoggedRequest entry{
                req.method, localPath(req.path), queryItems(req), {}, req.body.size()};
            for (const auto &header : req.headers) {
                // httplib files the connection's addresses among the headers.
                if (header.first.rfind("REMOTE_", 0) != 0 && header.first.rfind("LOCAL_", 0) != 0)
                    entry.headers.emplace_back(header.first, header.second);
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            m_log.push_back(std::move(entry));
        }
        handler(req, res);
    };
}

httplib::Server::Handler DevService::route(httplib::Server::Handler natural,
                                           SuccessData successData)
{
    return recorded(
        [this, natural, successData](const httplib::Request &req, httplib::Response &res) {
            const std::optional<Script> script = takeScript(localPath(req.path));
            if (!script) {
                natural(req, res);
                return;
            }
            if (script->delayMs > 0 && !wait(std::chrono::milliseconds(script->delayMs))) {
                res.status = 503;
                return;
            }
            if (script->drop) {
                sendBrokenAnswer(res);
                return;
            }

            if (script->bodyBytes > 0) {
                sendPaddedEnvelope(res, script->bodyBytes, script->chunked);
            } else if (script->body) {
                res.set_content(*script->body, "text/plain; charset=utf-8");
            } else if (script->code) {
                Envelope envelope;
                envelope.code = *script->code;
                envelope.msg = script->msg;
                if (script->data)
                    envelope.data = *script->data;
                else if (envelope.code == 1 && successData)
                    envelope.data = successData(req);
                sendEnvelope(res, envelope);
            } else {
                natural(req, res);
            }
            if (script->status > 0)
                res.status = script->status;
        });
}

httplib::Server::Handler DevService::serviceRoute(Endpoint endpoint)
{
    const auto answer = endpoint.answer;
    return route([answer](const httplib::Request &req,
                          httplib::Response &res) { sendEnvelope(res, answer(req)); },
                 endpoint.successData);
}

QJsonObject DevService::userObject(const std::string &token) const
{
    const qint64 expires = QDateTime::currentSecsSinceEpoch() + 7 * 24 * 3600;
    return {{QStringLiteral("username"), QStringLiteral("tessaly_dev")},
            {QStringLiteral("nickname"), QStringLiteral("测试用户")},
            {QStringLiteral("mobile"), QStringLiteral("13800000000")},
            {QStringLiteral("token"), fromStd(token)},
            {QStringLiteral("expiretime"), expires},
            {QStringLiteral("user_id"), 10001}};
}

std::string DevService::issueTokenLocked()
{
    m_tokens.push_back("devtoken-" + std::to_string(m_nextId++));
    return m_tokens.back();
}

QJsonValue DevService::configData(const httplib::Request &req)
{
    const QString base = fromStd(baseUrl(req));
    const QJsonArray languages{QStringLiteral("zh_cn"), QStringLiteral("en"),
                               QStringLiteral("jp-ja"), QStringLiteral("zh_tw")};
    const QJsonObject international{{QStringLiteral("defaultCountry"), 44},
                                    {QStringLiteral("languages"), languages}};
    return QJsonObject{
        {QStringLiteral("kefu"), QString(base + QStringLiteral("/kefu"))},
        {QStringLiteral("learningPage"), QString(base + QStringLiteral("/learning"))},
        {QStringLiteral("international"), international}};
}

QJsonValue DevService::newTicket(const httplib::Request &req)
{
    static std::mt19937 random{std::random_device{}()};
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string ticket =
        "T" + std::to_string(m_nextId++) + "-" + std::to_string(random() % 1000000);
    m_tickets[ticket] = {std::chrono::steady_clock::now() + std::chrono::seconds(m_expireSeconds),
                         false, std::string()};
    return QJsonObject{
        {QStringLiteral("ticket"), fromStd(ticket)},
        {QStringLiteral("expire_seconds"), m_expireSeconds},
        {QStringLiteral("url"), fromStd(baseUrl(req) + "/login/scan?ticket=" + ticket)}};
}

DevService::Envelope DevService::loginStatus(const httplib::Request &req)
{
    std::string token;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_tickets.find(req.get_param_value("ticket"));
        if (found == m_tickets.end())
            return {0, QStringLiteral("无效的二维码"), QJsonValue()};
        if (std::chrono::steady_clock::now() >= found->second.expires)
            return {1001, QStringLiteral("二维码已过期"), QJsonValue()};
        if (!found->second.confirmed)
            return {1002, QStringLiteral("等待扫码确认"), QJsonValue()};
        token = found->second.token;
    }
    return {1, QString(), userObject(token)};
}

QJsonValue DevService::newUser(const httplib::Request &)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return userObject(issueTokenLocked());
}

DevService::Envelope DevService::userInfo(const httplib::Request &req)
{
    const std::string token = req.get_header_value("token");
    std::lock_guard<std::mutex> lock(m_mutex);
    if (token != kDevToken && std::find(m_tokens.begin(), m_tokens.end(), token) == m_tokens.end())
        return {0, QStringLiteral("登录已失效，请重新登录"), QJsonValue()};
    return {1, QString(), userObject(token)};
}

QJsonValue DevService::tokenUser(const httplib::Request &req)
{
    return userObject(req.get_header_value("token"));
}

DevService::Envelope DevService::countPing(const httplib::Request &req)
{
    const std::string type = req.get_param_value("type");
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_pingCounts[type];
    m_pingOrder.push_back(type);
    return {1, QString(), QJsonValue()};
}

void DevService::confirmTicket(const httplib::Request &req, httplib::Response &res)
{
    bool confirmed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_tickets.find(req.get_param_value("ticket"));
        if (found != m_tickets.end() && std::chrono::steady_clock::now() < found->second.expires) {
            found->second.confirmed = true;
            found->second.token = issueTokenLocked();
            confirmed = true;
        }
    }
    res.status = confirmed ? 200 : 404;
    res.set_content(
        confirmed
            ? htmlPage(QStringLiteral("已确认登录"), QStringLiteral("请回到 Tessaly。"))
            : htmlPage(QStringLiteral("二维码无效"), QStringLiteral("二维码不存在或已过期。")),
        "text/html; charset=utf-8");
}

void DevService::setCatalogue(std::string document)
{
    m_catalogue = std::move(document);
}

void DevService::installService(httplib::Server &server)
{
    const auto member = [this](auto function) {
        return [this, function](const httplib::Request &req) { return (this->*function)(req); };
    };
    const auto succeed = [](SuccessData data) {
        return [data](const httplib::Request &req) { return Envelope{1, QString(), data(req)}; };
    };

    server.Get("/api/driver/config/query", serviceRoute({succeed(member(&DevService::configData)),
                                                         member(&DevService::configData)}));
    server.Post(
        "/api/driverwechat/index/createloginqrcode",
        serviceRoute({succeed(member(&DevService::newTicket)), member(&DevService::newTicket)}));
    server.Get("/api/driverwechat/index/querylogin",
               serviceRoute({member(&DevService::loginStatus), member(&DevService::newUser)}));
    server.Get("/api/driver/user/info",
               serviceRoute({member(&DevService::userInfo), member(&DevService::tokenUser)}));
    server.Get("/helper/statistics", serviceRoute({member(&DevService::countPing), nullptr}));
    // The catalogue itself, not an envelope; tests script other answers.
    server.Get("/api/driver/catalogue",
               route([this](const httplib::Request &, httplib::Response &res) {
                   if (m_catalogue.empty()) {
                       res.status = 404;
                       return;
                   }
                   res.set_content(m_catalogue, "application/json");
               }));

    // The address a new QR code carries: opening it stands for scanning the
    // code with the phone and confirming the sign-in.
    server.Get("/login/scan", recorded([this](const httplib::Request &req, httplib::Response &res) {
                   confirmTicket(req, res);
               }));

    // Where the configuration's customer-service and tutorial links lead.
    server.Get("/kefu", recorded(staticPage(QStringLiteral("在线客服"),
                                            QStringLiteral("Tessaly 开发用客服页面。"))));
    server.Get("/learning", recorded(staticPage(QStringLiteral("使用教程"),
                                                QStringLiteral("Tessaly 开发用教程页面。"))));
}

httplib::Server::Handler DevService::staticPage(const QString &title, const QString &body)
{
    const std::string page = htmlPage(title, body);
    return [page](const httplib::Request &, httplib::Response &res) {
        res.set_content(page, "text/html; charset=utf-8");
    };
}

void DevService::installControl(httplib::Server &server)
{
    server.Post("/__control/script", [this](const httplib::Request &req, httplib::Response &res) {
        QJsonParseError error{};
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &error);
        QJsonArray entries = document.isArray() ? document.array() : QJsonArray{document.object()};
        std::vector<std::pair<std::string, Script>> parsed;
        for (const QJsonValue &value : entries) {
            const QJsonObject entry = value.toObject();
            const std::string path = toStd(entry.value(QStringLiteral("path")).toString());
            if (path.empty() || path.rfind(kControlPrefix, 0) == 0) {
                sendJson(res,
                         QJsonObject{{QStringLiteral("error"),
                                      QStringLiteral("each entry needs a \"path\"")}},
                         400);
                return;
            }
            Script script;
            script.times = entry.value(QStringLiteral("times")).toInt(1);
            script.delayMs = entry.value(QStringLiteral("delay_ms")).toInt(0);
            script.status = entry.value(QStringLiteral("status")).toInt(0);
            script.drop = entry.value(QStringLiteral("drop")).toBool(false);
            if (entry.contains(QStringLiteral("code")))
                script.code = entry.value(QStringLiteral("code")).toInt();
            if (entry.contains(QStringLiteral("msg")))
                script.msg = entry.value(QStringLiteral("msg")).toString();
            if (entry.contains(QStringLiteral("data")))
                script.data = entry.value(QStringLiteral("data"));
            script.bodyBytes =
                static_cast<uint64_t>(entry.value(QStringLiteral("body_bytes")).toDouble(0));
            script.chunked = entry.value(QStringLiteral("chunked")).toBool(false);
            if (entry.contains(QStringLiteral("body")))
                script.body = toStd(entry.value(QStringLiteral("body")).toString());
            parsed.emplace_back(path, script);
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (auto &entry : parsed)
                m_scripts[entry.first].push_back(entry.second);
        }
        sendJson(res, QJsonObject{{QStringLiteral("ok"), true}});
    });

    server.Get("/__control/log", [this](const httplib::Request &req, httplib::Response &res) {
        const std::string only = req.get_param_value("path");
        QJsonArray log;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const LoggedRequest &entry : m_log) {
            if (!only.empty() && entry.path != only)
                continue;
            log.append(
                QJsonObject{{QStringLiteral("method"), fromStd(entry.method)},
                            {QStringLiteral("path"), fromStd(entry.path)},
                            {QStringLiteral("query"), pairsToJson(entry.query)},
                            {QStringLiteral("headers"), pairsToJson(entry.headers)},
                            {QStringLiteral("body_size"), static_cast<qint64>(entry.bodySize)}});
        }
        sendJson(res, log);
    });

    server.Get("/__control/statistics", [this](const httplib::Request &, httplib::Response &res) {
        QJsonObject counts;
        QJsonArray order;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &count : m_pingCounts)
            counts.insert(fromStd(count.first), count.second);
        for (const std::string &type : m_pingOrder)
            order.append(fromStd(type));
        sendJson(res,
                 QJsonObject{{QStringLiteral("counts"), counts}, {QStringLiteral("order"), order}});
    });

    server.Post("/__control/settings", [this](const httplib::Request &req, httplib::Response &res) {
        const QJsonObject settings =
            QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object();
        std::lock_guard<std::mutex> lock(m_mutex);
        if (settings.contains(QStringLiteral("expire_seconds")))
            m_expireSeconds = settings.value(QStringLiteral("expire_seconds")).toInt();
        sendJson(res, QJsonObject{{QStringLiteral("expire_seconds"), m_expireSeconds}});
    });

    server.Post("/__control/reset", [this](const httplib::Request &, httplib::Response &res) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_log.clear();
            m_scripts.clear();
            m_pingCounts.clear();
            m_pingOrder.clear();
            m_broken.clear();
            m_tickets.clear();
            m_tokens.clear();
            m_expireSeconds = 300;
        }
        sendJson(res, QJsonObject{{QStringLiteral("ok"), true}});
    });
}
