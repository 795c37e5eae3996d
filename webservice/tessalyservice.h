#pragma once
// tessaly-service: the JSON web service behind the program (configuration,
// QR sign-in, user information, statistics, driver catalogue) and the phone's
// sign-in pages, on an httplib server.

#include "catalogue.h"
#include "config.h"
#include "oidcclient.h"
#include "ratelimiter.h"
#include "store.h"

#include <httplib.h>

#include <QJsonValue>

#include <map>
#include <memory>

class TessalyService {
public:
    TessalyService(const ServiceConfig &config, Store &store, CatalogueSource &catalogue);

    // Registers the routes, limits and handlers on server.
    void install(httplib::Server &server);

private:
    using Handler = httplib::Server::Handler;

    void configQuery(const httplib::Request &req, httplib::Response &res);
    void createTicket(const httplib::Request &req, httplib::Response &res);
    void queryLogin(const httplib::Request &req, httplib::Response &res);
    void userInfo(const httplib::Request &req, httplib::Response &res);
    void statisticsPing(const httplib::Request &req, httplib::Response &res);
    void catalogue(const httplib::Request &req, httplib::Response &res);
    void health(const httplib::Request &req, httplib::Response &res);
    void adminStatistics(const httplib::Request &req, httplib::Response &res);
    void scan(const httplib::Request &req, httplib::Response &res);
    void callback(const httplib::Request &req, httplib::Response &res);
    void confirm(const httplib::Request &req, httplib::Response &res);

    // Registers handler for method on path and notes the method as allowed there.
    void route(httplib::Server &server, const char *method, const char *path, Handler handler);
    // The handler, unless the address has spent its allowance.
    Handler limited(RateLimiter &limiter,
                    void (TessalyService::*handler)(const httplib::Request &, httplib::Response &),
                    bool page);
    std::string clientAddress(const httplib::Request &req) const;
    // The sign-in cookie's value, when the request carries one.
    static std::string browserSecret(const httplib::Request &req);
    void setBrowserCookie(httplib::Response &res, const std::string &secret, int maxAge) const;

    QJsonValue userObject(const StoredUser &user, const std::string &token) const;

    const ServiceConfig &m_config;
    Store &m_store;
    CatalogueSource &m_catalogue;
    OidcClient m_oidc;
    RateLimiter m_ticketLimit;
    RateLimiter m_pollLimit;
    RateLimiter m_pingLimit;
    RateLimiter m_signInLimit;
    // Path → its methods, for the Allow header of a 405.
    std::map<std::string, std::string> m_allowed;
};
