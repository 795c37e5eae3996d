#pragma once
// The stand-in for the JSON web service, the statistics host and the driver
// download site: answers the program's requests on loopback, records them,
// and lets tests script its next answers through /__control/.

#include <httplib.h>

#include <QJsonObject>
#include <QJsonValue>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class DevService {
public:
    DevService();

    // Registers every route on server.
    void install(httplib::Server &server);

    // The driver catalogue GET /api/driver/catalogue answers with (a JSON
    // document); empty: 404.
    void setCatalogue(std::string document);

    // Wakes every answer that is waiting out a delay, so the server can stop.
    void shutdown();

private:
    using Pairs = std::vector<std::pair<std::string, std::string>>;

    // The three parts of a service answer.
    struct Envelope {
        int code = 1;
        std::optional<QString> msg = QString();
        QJsonValue data;
    };

    // The data an endpoint gives when a test scripts success (code 1)
    // whatever its state.
    using SuccessData = std::function<QJsonValue(const httplib::Request &)>;

    // A service endpoint: its own answer in the envelope, and its success data.
    struct Endpoint {
        std::function<Envelope(const httplib::Request &)> answer;
        SuccessData successData;
    };

    // One scripted answer for a path, set by a test.
    struct Script {
        int times = 1;
        int delayMs = 0;
        int status = 0;
        bool drop = false;
        std::optional<int> code;
        std::optional<QString> msg;
        std::optional<QJsonValue> data;
        std::optional<std::string> body;
        // A valid envelope padded to this many bytes, streamed rather than
        // held in memory; without a length header when chunked.
        uint64_t bodyBytes = 0;
        bool chunked = false;
    };

    struct Ticket {
        std::chrono::steady_clock::time_point expires;
        bool confirmed = false;
        std::string token;
    };

    struct LoggedRequest {
        std::string method;
        std::string path;
        Pairs query;
        Pairs headers;
        size_t bodySize = 0;
    };

    void installService(httplib::Server &server);
    void installDriverFiles(httplib::Server &server);
    void installControl(httplib::Server &server);

    // Adds the request to the log before handling it.
    httplib::Server::Handler recorded(httplib::Server::Handler handler);
    // A logged route whose answers tests can script; natural answers when no
    // script is waiting for the path.
    httplib::Server::Handler route(httplib::Server::Handler natural,
                                   SuccessData successData = nullptr);
    httplib::Server::Handler serviceRoute(Endpoint endpoint);

    std::optional<Script> takeScript(const std::string &path);
    // False when the service is stopping before the time is up.
    bool wait(std::chrono::milliseconds duration);
    void sendBrokenAnswer(httplib::Response &res);
    // True the first time for an address: its answer is to be cut.
    bool breakOnce(const std::string &target);
    static void sendPaddedEnvelope(httplib::Response &res, uint64_t size, bool chunked);

    // The endpoints' own answers and their success data.
    QJsonValue configData(const httplib::Request &req);
    QJsonValue newTicket(const httplib::Request &req);
    Envelope loginStatus(const httplib::Request &req);
    QJsonValue newUser(const httplib::Request &req);
    Envelope userInfo(const httplib::Request &req);
    QJsonValue tokenUser(const httplib::Request &req);
    Envelope countPing(const httplib::Request &req);
    void confirmTicket(const httplib::Request &req, httplib::Response &res);

    QJsonObject userObject(const std::string &token) const;
    std::string issueTokenLocked();

    static Pairs queryItems(const httplib::Request &req);
    // The path without the scheme and host that a request through a proxy
    // carries ("http://host:port/drivers/a.exe" -> "/drivers/a.exe").
    static std::string localPath(const std::string &path);
    static std::string baseUrl(const httplib::Request &req);
    static httplib::Server::Handler staticPage(const QString &title, const QString &body);
    static void sendJson(httplib::Response &res, const QJsonValue &value, int status = 200);
    static void sendEnvelope(httplib::Response &res, const Envelope &envelope);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;

    std::vector<LoggedRequest> m_log;
    std::map<std::string, std::deque<Script>> m_scripts;
    std::map<std::string, int> m_pingCounts;
    // Driver file addresses whose "break" has cut an answer already.
    std::set<std::string> m_broken;
    std::vector<std::string> m_pingOrder;
    std::map<std::string, Ticket> m_tickets;
    std::vector<std::string> m_tokens;
    int m_expireSeconds = 300;
    int m_nextId = 1;
    std::string m_catalogue;
};
