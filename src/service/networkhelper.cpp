#include "service/networkhelper.h"

#include "base/appinfo.h"
#include "base/buildconfig.h"
#include "base/logcategories.h"
#include "hardware/machineidentity.h"
#include "hardware/systeminfo.h"
#include "i18n/international.h"
#include "service/downloadreceiver.h"
#include "service/httphandler.h"

#include <QCoreApplication>
#include <QMetaEnum>
#include <QNetworkProxyFactory>
#include <QNetworkRequest>
#include <QTimer>

namespace {
// Marks a service reply that was ended by the transfer time-out.
const char *const kTimedOutProperty = "tessalyTimedOut";
// Marks a service reply that was ended for its size.
const char *const kTooLargeProperty = "tessalyTooLarge";

// No answer of the service comes near this; a larger one is not read into
// memory at all.
constexpr qint64 kMaxServiceReplyBytes = 1024 * 1024;

void limitSize(QNetworkReply *reply)
{
    const auto refuse = [reply] {
        if (reply->property(kTooLargeProperty).toBool())
            return;
        reply->setProperty(kTooLargeProperty, true);
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, refuse] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kMaxServiceReplyBytes)
            refuse();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [refuse](qint64 received) {
        if (received > kMaxServiceReplyBytes)
            refuse();
    });
}

// Scheme, host and port given in the environment replace those of the
// built-in addresses, for development against a local service.
QUrl addressOverride(const char *variable)
{
    const QUrl url(qEnvironmentVariable(variable), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() ? url : QUrl();
}

void applyOverride(QUrl &url, const QUrl &replacement)
{
    if (replacement.isEmpty())
        return;
    url.setScheme(replacement.scheme());
    url.setHost(replacement.host());
    url.setPort(replacement.port());
}
} // namespace

NetworkHelper *NetworkHelper::instance()
{
    static NetworkHelper helper;
    return &helper;
}

NetworkHelper::NetworkHelper()
    : m_manager(new QNetworkAccessManager(this)), m_version(QCoreApplication::applicationVersion()),
      m_product(QString::fromLatin1(AppInfo::kProductCode)),
      m_host(QString::fromUtf8(TESSALY_SERVICE_HOST)),
      m_serviceOverride(addressOverride("TESSALY_SERVICE_URL"))
{
    const bool is64Bit = MachineIdentity::is64Bit();
    m_system = SystemInfo::osVersion(is64Bit);
    m_bit64 = is64Bit ? QStringLiteral("true") : QStringLiteral("false");
    connect(m_manager, &QNetworkAccessManager::finished, this, &NetworkHelper::handleResponse);
    // The singleton outlives the application; what it holds of Qt's network
    // must not.
    if (const QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &NetworkHelper::release);
    // Requests and downloads take the proxy the user has set up for the
    // system: the Internet Options on Windows, http_proxy, https_proxy and
    // no_proxy in the environment on Linux.
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    const std::u16string &identifier = MachineIdentity::identifier();
    m_machineId = QString::fromUtf16(identifier.data(), static_cast<int>(identifier.size()));
    m_exeName = SystemInfo::packageName();

    const QUrl statisticsBase(QString::fromUtf8(TESSALY_STATISTICS_URL));
    m_statisticsUrl.setScheme(statisticsBase.scheme());
    m_statisticsUrl.setHost(statisticsBase.host());
    m_statisticsUrl.setPort(statisticsBase.port());
    m_statisticsUrl.setPath(QStringLiteral("/helper/statistics"));
    applyOverride(m_statisticsUrl, addressOverride("TESSALY_STATISTICS_URL"));
}

void NetworkHelper::release()
{
    if (!m_manager)
        return;
    // Replies still on their way end here without a word to their handlers:
    // the windows they would answer are closing.
    m_manager->disconnect(this);
    const auto replies = m_manager->findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies) {
        reply->disconnect();
        delete qobject_cast<RequestName *>(reply->request().originatingObject());
    }
    delete m_manager.data();
}

QNetworkAccessManager *NetworkHelper::manager(const char *what) const
{
    if (!m_manager)
        qCWarning(lcService) << what << "not sent: the application is quitting";
    return m_manager;
}

bool NetworkHelper::hasService() const
{
    return !m_host.isEmpty() || !m_serviceOverride.isEmpty();
}

bool NetworkHelper::hasStatistics() const
{
    return hasService() && !m_statisticsUrl.host().isEmpty();
}

void NetworkHelper::queryConfig(HttpHandler *handler)
{
    send({RequestName::Config,
          "/api/driver/config/query",
          {{QStringLiteral("name"), m_product}},
          {{QStringLiteral("Accept-Language"), International::instance()->languageCode()}}},
         handler);
}

void NetworkHelper::createLoginQrCode(HttpHandler *handler)
{
    send({RequestName::LoginQrCode,
          "/api/driverwechat/index/createloginqrcode",
          {},
          {{QStringLiteral("Accept-Language"), International::instance()->languageCode()}},
          true},
         handler);
}

void NetworkHelper::queryLogin(const QString &ticket, HttpHandler *handler)
{
    send({RequestName::LoginStatus,
          "/api/driverwechat/index/querylogin",
          {{QStringLiteral("ticket"), ticket}},
          {{QStringLiteral("Accept-Language"), International::instance()->languageCode()}}},
         handler);
}

void NetworkHelper::queryUserInfo(const QString &token, HttpHandler *handler)
{
    send({RequestName::UserInfo,
          "/api/driver/user/info",
          {},
          {{QStringLiteral("token"), token},
           {QStringLiteral("Accept-Language"), International::instance()->languageCode()}}},
         handler);
}

void NetworkHelper::queryCatalogue(HttpHandler *handler)
{
    send({RequestName::Catalogue,
          "/api/driver/catalogue",
          {},
          {{QStringLiteral("Accept-Language"), International::instance()->languageCode()}}},
         handler);
}

void NetworkHelper::sendStatistics(const QString &type)
{
    if (!hasStatistics())
        return;
    QUrl url = m_statisticsUrl;
    url.setQuery(buildCommonQuery({{QStringLiteral("type"), type}}));
    QNetworkAccessManager *const network = manager("statistics ping");
    if (!network)
        return;
    QNetworkRequest request(url);
    // Nobody waits for a ping, but one the service never answers would hold
    // a connection and its reply until the program ends.
    request.setTransferTimeout(m_serviceTimeout);
    QNetworkReply *reply = network->get(request);
    // Nobody reads a ping's answer; the reply goes once it is complete.
    connect(reply, &QNetworkReply::finished, reply, [reply] {
        if (reply->error() != QNetworkReply::NoError)
            qCWarning(lcService).noquote()
                << "statistics ping to" << LogText::address(reply->url()) << "failed: HTTP"
                << LogText::httpStatus(*reply) << LogText::errorText(*reply);
        reply->deleteLater();
    });
    limitSize(reply);
}

void NetworkHelper::sendPageStatistics(StatisticsPage page)
{
    switch (page) {
    case MainPage:
        sendStatistics(QStringLiteral("main_page"));
        return;
    case LoginPage:
        sendStatistics(QStringLiteral("login_page"));
        return;
    }
    sendStatistics(QString());
}

QNetworkReply *NetworkHelper::startGet(const QString &url, const Pairs &headers,
                                       DownloadReceiver *receiver)
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    for (const auto &header : headers)
        request.setRawHeader(header.first.toUtf8(), header.second.toUtf8());
    QNetworkAccessManager *const network = manager("download");
    if (!network)
        return nullptr;
    QNetworkReply *reply = network->get(request);
    connect(reply, &QNetworkReply::finished, receiver, &DownloadReceiver::handleHttpFinished);
    connect(reply, &QNetworkReply::readyRead, receiver, &DownloadReceiver::handleHttpReadyRead);
    connect(reply, &QNetworkReply::downloadProgress, receiver, &DownloadReceiver::handleProgress);
    return reply;
}

QUrlQuery NetworkHelper::buildCommonQuery(const Pairs &extra) const
{
    Pairs items = {
        {QStringLiteral("version"), m_version}, {QStringLiteral("system"), m_system},
        {QStringLiteral("product"), m_product}, {QStringLiteral("exeName"), m_exeName},
        {QStringLiteral("64bit"), m_bit64},     {QStringLiteral("machineid"), m_machineId},
    };
    items += extra;

    // Every value is percent-encoded before the text is parsed, so "&", "=",
    // "#", "+" or "%" inside a value cannot split or cut an item.
    QString text;
    for (const auto &item : items) {
        if (!text.isEmpty())
            text += QLatin1Char('&');
        text += item.first + QLatin1Char('=') +
                QString::fromLatin1(QUrl::toPercentEncoding(item.second));
    }
    return QUrlQuery(text);
}

void NetworkHelper::setServiceTimeout(int msecs)
{
    m_serviceTimeout = msecs;
}

QUrl NetworkHelper::serviceUrl(const char *path) const
{
    QUrl url(QStringLiteral("https://") + m_host + QLatin1String(path));
    url.setHost(m_host, QUrl::DecodedMode);
    applyOverride(url, m_serviceOverride);
    return url;
}

void NetworkHelper::send(const ServiceRequest &service, HttpHandler *handler)
{
    // Callers ask first; a request without a service would only go nowhere.
    if (!hasService()) {
        qCWarning(lcService, "service request %s not sent: no service is configured",
                  QMetaEnum::fromType<RequestName::Name>().valueToKey(service.name));
        return;
    }
    QUrl url = serviceUrl(service.path);
    url.setQuery(buildCommonQuery(service.items));

    QNetworkAccessManager *const network = manager("service request");
    if (!network)
        return;
    QNetworkRequest request(url);
    // The tag lives until the dispatcher has handed the reply over.
    request.setOriginatingObject(new RequestName(service.name, handler));
    for (const auto &header : service.headers)
        request.setRawHeader(header.first.toUtf8(), header.second.toUtf8());

    // A plain post() would make Qt add a form content type; the service gets
    // an empty body with none.
    QNetworkReply *reply = service.post ? network->sendCustomRequest(request, "POST", QByteArray())
                                        : network->get(request);

    // A request that never finishes would leave its handler waiting for ever:
    // past the time-out it ends as a transport failure like any other.
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply] {
        reply->setProperty(kTimedOutProperty, true);
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    timer->start(m_serviceTimeout);
    limitSize(reply);
}

void NetworkHelper::handleResponse(QNetworkReply *reply)
{
    // Pings and downloads carry no tag; their replies are released elsewhere.
    auto *tag = qobject_cast<RequestName *>(reply->request().originatingObject());
    if (!tag)
        return;

    const bool timedOut = reply->property(kTimedOutProperty).toBool();
    const bool tooLarge = reply->property(kTooLargeProperty).toBool();
    if (timedOut || tooLarge || reply->error() != QNetworkReply::NoError) {
        qCWarning(lcService).noquote()
            << "service request" << QMetaEnum::fromType<RequestName::Name>().valueToKey(tag->name())
            << "to" << LogText::address(reply->url()) << "failed: HTTP"
            << LogText::httpStatus(*reply)
            << (timedOut   ? QStringLiteral("timed out")
                : tooLarge ? QStringLiteral("answer too large")
                           : LogText::errorText(*reply));
    }
    if (HttpHandler *handler = tag->handler()) {
        if (timedOut)
            handler->handleHttpError(tag->name(), QNetworkReply::TimeoutError, tr("请求超时"));
        else if (tooLarge)
            handler->handleHttpError(tag->name(), QNetworkReply::UnknownContentError,
                                     tr("服务器的回复过大"));
        else if (reply->error() != QNetworkReply::NoError)
            handler->handleHttpError(tag->name(), reply->error(), reply->errorString());
        else
            handler->handleHttpResponse(tag->name(), reply->readAll());
    }

    // Only now: the handler may have started new requests or shown a box.
    delete tag;
    reply->deleteLater();
}
