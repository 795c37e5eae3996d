#pragma once
// The program's one gateway to the network: builds the service requests with
// the identity items every request carries, sends statistics pings and
// download GETs, and hands each finished service reply to its handler.

#include "service/requestname.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

class DownloadReceiver;
class HttpHandler;

class NetworkHelper final : public QObject {
    Q_OBJECT

public:
    using Pairs = QList<QPair<QString, QString>>;

    enum StatisticsPage {
        MainPage,
        LoginPage,
    };
    Q_ENUM(StatisticsPage)

    static NetworkHelper *instance();

    // Whether there is a service to talk to: a host was built in or
    // TESSALY_SERVICE_URL names one. Without it nothing is sent to a service.
    bool hasService() const;
    // Whether usage pings have somewhere to go: a service and a statistics
    // address (built in or TESSALY_STATISTICS_URL).
    bool hasStatistics() const;

    void queryConfig(HttpHandler *handler);
    void createLoginQrCode(HttpHandler *handler);
    void queryLogin(const QString &ticket, HttpHandler *handler);
    void queryUserInfo(const QString &token, HttpHandler *handler);
    // The service's driver catalogue, the JSON document the pages read.
    void queryCatalogue(HttpHandler *handler);

    void sendStatistics(const QString &type);
    void sendPageStatistics(StatisticsPage page);

    // A plain GET for a download job, with the given raw headers in order. The
    // reply's finished, readyRead and downloadProgress go to the receiver's
    // slots; the receiver owns the returned reply. None once the application
    // is quitting.
    QNetworkReply *startGet(const QString &url, const Pairs &headers, DownloadReceiver *receiver);

    // The identity items followed by the request's own items, each value
    // encoded so that it arrives whole.
    QUrlQuery buildCommonQuery(const Pairs &extra) const;

    // For testing: how long a service request may take before it fails as
    // timed out (30 s unless changed).
    void setServiceTimeout(int msecs);

signals:
    void Error(RequestName::Name name, QNetworkReply::NetworkError error, const QString &errorMsg);
    void Response(RequestName::Name name, const QByteArray &data);

private slots:
    void handleResponse(QNetworkReply *reply);
    // Ends what is in flight and lets the access manager go.
    void release();

private:
    NetworkHelper();

    struct ServiceRequest {
        RequestName::Name name;
        const char *path;
        Pairs items;
        Pairs headers;
        bool post = false;
    };
    void send(const ServiceRequest &request, HttpHandler *handler);
    QUrl serviceUrl(const char *path) const;
    // The access manager; none, with a line in the log, after release().
    QNetworkAccessManager *manager(const char *what) const;

    // A child, so requests in flight can be found.
    QPointer<QNetworkAccessManager> m_manager;

    QString m_version;
    QString m_system;
    QString m_product;
    QString m_exeName;
    QString m_bit64;
    QString m_machineId;
    QString m_host;
    QUrl m_serviceOverride;
    QUrl m_statisticsUrl;
    int m_serviceTimeout = 30000;
};
