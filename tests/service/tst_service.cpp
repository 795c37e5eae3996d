#include "base/scriptedmessagebox.h"
#include "logcapture.h"
#include "standin.h"
#include "tinyproxy.h"

#include "hardware/machineidentity.h"
#include "hardware/osrelease.h"
#include "hardware/systeminfo.h"
#include "service/downloadreceiver.h"
#include "service/httphandler.h"
#include "service/networkhelper.h"
#include "service/requestname.h"
#include "service/responseenvelope.h"
#include "service/serviceerrorbox.h"

#include <QDesktopServices>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
// Characters that would split or cut a query item if sent unencoded.
const QString kPackageName = QStringLiteral("Tessaly&pkg=1#x+y %41/é");

struct Call {
    RequestName::Name name;
    bool error;
    int code;
    QString msg;
    QByteArray body;
    int liveTags; // tags alive while the handler ran
};

// Receives replies the way the program's handlers do: the envelope decides
// between success and the error path.
class RecordingHandler final : public HttpHandler {
public:
    QList<Call> calls;
    std::function<void(RequestName::Name)> onResponse;
    bool readEnvelope = false;
    bool showErrorBox = false;

    void handleHttpResponse(RequestName::Name name, const QByteArray &data) override
    {
        calls.append({name, false, 1, QString(), data, RequestName::liveCount()});
        if (onResponse)
            onResponse(name);
        const ResponseEnvelope envelope = ResponseEnvelope::parse(data);
        if (readEnvelope && !envelope.succeeded())
            handleHttpError(name, static_cast<QNetworkReply::NetworkError>(envelope.code),
                            envelope.msg);
    }

    int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                        const QString &errorMsg, QWidget *parent = nullptr) override
    {
        calls.append({name, true, static_cast<int>(error), errorMsg, QByteArray(),
                      RequestName::liveCount()});
        return showErrorBox ? HttpHandler::handleHttpError(name, error, errorMsg, parent)
                            : int(QMessageBox::Cancel);
    }
};

class Download final : public DownloadReceiver {
public:
    QNetworkReply *reply = nullptr;
    QByteArray data;
    bool finished = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    qint64 received = -1;
    qint64 total = -2;
    bool lengthAnnounced = false;

    void handleHttpFinished() override
    {
        finished = true;
        error = reply->error();
    }
    void handleHttpReadyRead() override { data += reply->readAll(); }
    void handleProgress(qint64 bytesReceived, qint64 bytesTotal) override
    {
        received = bytesReceived;
        total = bytesTotal;
        lengthAnnounced = reply->header(QNetworkRequest::ContentLengthHeader).isValid();
    }
};

// Passes connections through to the stand-in and keeps the raw request
// heads, so the order of headers on the wire can be checked.
class TapRelay final : public QObject {
public:
    explicit TapRelay(quint16 target) : m_target(target)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, &TapRelay::accept);
    }
    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
    }
    QList<QByteArray> heads;

private:
    void accept()
    {
        while (QTcpSocket *client = m_server.nextPendingConnection()) {
            auto *upstream = new QTcpSocket(client);
            auto pending = std::make_shared<QByteArray>();
            connect(client, &QTcpSocket::readyRead, upstream, [this, client, upstream, pending] {
                const QByteArray data = client->readAll();
                *pending += data;
                for (int end; (end = pending->indexOf("\r\n\r\n")) >= 0;) {
                    heads.append(pending->left(end));
                    pending->remove(0, end + 4);
                }
                upstream->write(data);
            });
            connect(upstream, &QTcpSocket::readyRead, client,
                    [client, upstream] { client->write(upstream->readAll()); });
            connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
            connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            upstream->connectToHost(QHostAddress::LocalHost, m_target);
        }
    }

    QTcpServer m_server;
    quint16 m_target;
};

QStringList column(const QJsonArray &pairs, int index)
{
    QStringList values;
    for (const QJsonValue &pair : pairs)
        values << pair.toArray().at(index).toString();
    return values;
}

QString headerValue(const QJsonObject &entry, const QString &name)
{
    for (const QJsonValue &pair : entry.value(QStringLiteral("headers")).toArray()) {
        if (pair.toArray().at(0).toString().compare(name, Qt::CaseInsensitive) == 0)
            return pair.toArray().at(1).toString();
    }
    return QString();
}

QStringList headerNames(const QByteArray &head)
{
    QStringList names;
    const QList<QByteArray> lines = head.split('\n');
    for (int i = 1; i < lines.size(); ++i)
        names << QString::fromLatin1(lines.at(i).left(lines.at(i).indexOf(':')));
    return names;
}

enum Operation { QueryConfig, CreateLoginQrCode, QueryLogin, QueryUserInfo };

void issue(Operation operation, HttpHandler *handler, const QString &argument = QString())
{
    NetworkHelper *client = NetworkHelper::instance();
    switch (operation) {
    case QueryConfig:
        client->queryConfig(handler);
        break;
    case CreateLoginQrCode:
        client->createLoginQrCode(handler);
        break;
    case QueryLogin:
        client->queryLogin(argument, handler);
        break;
    case QueryUserInfo:
        client->queryUserInfo(argument, handler);
        break;
    }
}
} // namespace

Q_DECLARE_METATYPE(Operation)

class tst_Service final : public QObject {
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void queryItems_data();
    void queryItems();
    void acceptLanguage_data();
    void acceptLanguage();
    void headerOrderOnTheWire();
    void pings();
    void unansweredPingsEnd();
    void tagLivesUntilHandlerReturns();
    void transportFailures_data();
    void transportFailures();
    void handlerGoneBeforeTheReply();
    void serviceFailureShowsBox();
    void errorBoxAnswers_data();
    void errorBoxAnswers();
    void errorBoxText_data();
    void errorBoxText();
    void signInFlow();
    void downloads_data();
    void downloads();
    void redirects_data();
    void redirects();
    void oversizedReplies_data();
    void oversizedReplies();
    void downloadsTakeTheSystemProxy();
    void packageName_data();
    void packageName();
    void osRelease_data();
    void osRelease();
    void responseEnvelope_data();
    void responseEnvelope();

private:
    void setCountry(const QVariant &value);

    QTemporaryDir m_userConfig;
    QTemporaryDir m_systemConfig;
    StandIn m_standIn;
    std::unique_ptr<TapRelay> m_relay;
    QNetworkAccessManager m_network;
    QList<QUrl> m_opened;
};

void tst_Service::setCountry(const QVariant &value)
{
    QSettings region(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Aldmere"),
                     QStringLiteral("MorvaneKelvora"));
    if (value.isValid())
        region.setValue(QStringLiteral("Country"), value);
    else
        region.remove(QStringLiteral("Country"));
    region.sync();
}

void tst_Service::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_userConfig.isValid() && m_systemConfig.isValid());
    qputenv("XDG_CONFIG_HOME", m_userConfig.path().toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_userConfig.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_systemConfig.path());
    QCoreApplication::setApplicationVersion(QStringLiteral("4.0.0.4"));
    {
        QSettings record(QSettings::NativeFormat, QSettings::SystemScope,
                         QStringLiteral("orbwell_core"));
        record.setValue(QStringLiteral("PackageName"), kPackageName);
    }

    QVERIFY(m_standIn.start());
    QCOMPARE(m_standIn.url().host(), QStringLiteral("127.0.0.1"));

    // Service requests and pings go through the relay to the stand-in.
    m_relay = std::make_unique<TapRelay>(static_cast<quint16>(m_standIn.url().port()));
    qputenv("TESSALY_SERVICE_URL", m_relay->url().toString().toUtf8());
    qputenv("TESSALY_STATISTICS_URL", m_relay->url().toString().toUtf8());
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
}

void tst_Service::init()
{
    QVERIFY(m_standIn.reset());
    setCountry(QVariant());
    m_relay->heads.clear();
    m_opened.clear();
    ServiceErrorBox::setLinkSource(nullptr);
    NetworkHelper::instance()->setServiceTimeout(30000);
}

void tst_Service::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QVERIFY(m_standIn.stop()); // SIGTERM ends it cleanly
}

void tst_Service::queryItems_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("ownItems");

    QTest::newRow("configuration") << QueryConfig << QString() << "GET"
                                   << "/api/driver/config/query" << QStringList{"name", "graphics"};
    QTest::newRow("QR code") << CreateLoginQrCode << QString() << "POST"
                             << "/api/driverwechat/index/createloginqrcode" << QStringList();
    QTest::newRow("sign-in state")
        << QueryLogin << "T&1=2#x+y"
        << "GET"
        << "/api/driverwechat/index/querylogin" << QStringList{"ticket", "T&1=2#x+y"};
    QTest::newRow("empty ticket") << QueryLogin << QString() << "GET"
                                  << "/api/driverwechat/index/querylogin"
                                  << QStringList{"ticket", ""};
    QTest::newRow("user information") << QueryUserInfo << "tessaly-dev-token"
                                      << "GET"
                                      << "/api/driver/user/info" << QStringList();
}

void tst_Service::queryItems()
{
    QFETCH(Operation, operation);
    QFETCH(QString, argument);
    QFETCH(QString, method);
    QFETCH(QString, path);
    QFETCH(QStringList, ownItems);

    RecordingHandler handler;
    issue(operation, &handler, argument);
    QTRY_COMPARE(handler.calls.size(), 1);
    QVERIFY(!handler.calls.first().error);

    const QJsonArray entries = m_standIn.log(path);
    QCOMPARE(entries.size(), 1);
    const QJsonObject entry = entries.first().toObject();
    QCOMPARE(entry.value("method").toString(), method);
    QCOMPARE(entry.value("body_size").toInt(), 0);
    QVERIFY(headerValue(entry, "Content-Type").isEmpty());

    const std::u16string &id = MachineIdentity::identifier();
    QStringList expectedKeys{"version", "system", "product", "exeName", "64bit", "machineid"};
    QStringList expectedValues{
        "4.0.0.4",
        SystemInfo::osVersion(MachineIdentity::is64Bit()),
        "graphics",
        kPackageName,
        MachineIdentity::is64Bit() ? "true" : "false",
        QString::fromUtf16(id.data(), static_cast<int>(id.size())),
    };
    for (int i = 0; i + 1 < ownItems.size(); i += 2) {
        expectedKeys << ownItems.at(i);
        expectedValues << ownItems.at(i + 1);
    }
    const QJsonArray query = entry.value("query").toArray();
    QCOMPARE(column(query, 0), expectedKeys);
    QCOMPARE(column(query, 1), expectedValues);
}

void tst_Service::acceptLanguage_data()
{
    QTest::addColumn<QVariant>("country");
    QTest::addColumn<QString>("language");
    QTest::newRow("absent") << QVariant() << "en";
    QTest::newRow("Japan") << QVariant(108) << "jp-ja";
}

void tst_Service::acceptLanguage()
{
    QFETCH(QVariant, country);
    QFETCH(QString, language);
    setCountry(country);

    RecordingHandler handler;
    NetworkHelper::instance()->queryConfig(&handler);
    NetworkHelper::instance()->queryUserInfo(QStringLiteral("tessaly-dev-token"), &handler);
    QTRY_COMPARE(handler.calls.size(), 2);

    const QJsonObject config = m_standIn.log("/api/driver/config/query").first().toObject();
    QCOMPARE(headerValue(config, "Accept-Language"), language);
    QVERIFY(headerValue(config, "token").isEmpty());
    const QJsonObject user = m_standIn.log("/api/driver/user/info").first().toObject();
    QCOMPARE(headerValue(user, "Accept-Language"), language);
    QCOMPARE(headerValue(user, "token"), QStringLiteral("tessaly-dev-token"));
}

void tst_Service::headerOrderOnTheWire()
{
    setCountry(108);
    RecordingHandler handler;
    NetworkHelper::instance()->queryUserInfo(QStringLiteral("abc"), &handler);
    NetworkHelper::instance()->sendStatistics(QStringLiteral("openness"));
    QTRY_COMPARE(handler.calls.size(), 1);
    QTRY_COMPARE(m_relay->heads.size(), 2);

    for (const QByteArray &head : qAsConst(m_relay->heads)) {
        const QStringList names = headerNames(head);
        if (head.startsWith("GET /api/driver/user/info")) {
            QVERIFY(names.indexOf("token") >= 0);
            QVERIFY2(names.indexOf("token") < names.indexOf("Accept-Language"), head.constData());
            QVERIFY(head.contains("\r\nAccept-Language: jp-ja\r\n"));
        } else {
            // Pings carry none of the program's headers (Qt may add its
            // own default language list).
            QVERIFY2(head.startsWith("GET /helper/statistics"), head.constData());
            QVERIFY(!names.contains("token", Qt::CaseInsensitive));
            QVERIFY(!head.contains("jp-ja"));
        }
    }
}

void tst_Service::pings()
{
    RecordingHandler handler;
    NetworkHelper::instance()->sendStatistics(QStringLiteral("openness"));
    NetworkHelper::instance()->sendPageStatistics(NetworkHelper::MainPage);
    NetworkHelper::instance()->sendPageStatistics(NetworkHelper::LoginPage);
    QCOMPARE(RequestName::liveCount(), 0);

    // Parallel connections may deliver them in any order.
    QTRY_COMPARE(m_standIn.pingCounts(),
                 (QJsonObject{{"openness", 1}, {"main_page", 1}, {"login_page", 1}}));
    const QJsonArray query =
        m_standIn.log("/helper/statistics").first().toObject().value("query").toArray();
    QCOMPARE(column(query, 0), (QStringList{"version", "system", "product", "exeName", "64bit",
                                            "machineid", "type"}));
    // A reply without a tag reaches nobody.
    QCOMPARE(handler.calls.size(), 0);
}

void tst_Service::unansweredPingsEnd()
{
    LogCapture log;
    QVERIFY(m_standIn.script({{"path", "/helper/statistics"}, {"delay_ms", 10000}}));
    NetworkHelper::instance()->setServiceTimeout(300);
    auto *network = NetworkHelper::instance()->findChild<QNetworkAccessManager *>();
    QVERIFY(network);

    NetworkHelper::instance()->sendStatistics(QStringLiteral("openness"));
    QCOMPARE(network->findChildren<QNetworkReply *>().size(), 1);
    // Ended long before the service would answer, and said so.
    QTRY_COMPARE_WITH_TIMEOUT(network->findChildren<QNetworkReply *>().size(), 0, 6000);
    const QString text = log.text();
    QVERIFY2(text.contains(QStringLiteral("statistics ping to http://")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("machineid")), qPrintable(text));
}

void tst_Service::tagLivesUntilHandlerReturns()
{
    RecordingHandler handler;
    handler.onResponse = [&handler](RequestName::Name name) {
        if (name == RequestName::Config)
            NetworkHelper::instance()->queryUserInfo(QStringLiteral("tessaly-dev-token"), &handler);
    };
    NetworkHelper::instance()->queryConfig(&handler);
    QCOMPARE(RequestName::liveCount(), 1);
    QTRY_COMPARE(handler.calls.size(), 2);

    QCOMPARE(handler.calls.at(0).name, RequestName::Config);
    QCOMPARE(handler.calls.at(0).liveTags, 1); // its own tag, not yet released
    QCOMPARE(handler.calls.at(1).name, RequestName::UserInfo);
    QCOMPARE(handler.calls.at(1).liveTags, 1);
    QVERIFY(ResponseEnvelope::parse(handler.calls.at(1).body).succeeded());
    QCOMPARE(RequestName::liveCount(), 0);
}

void tst_Service::transportFailures_data()
{
    QTest::addColumn<QJsonObject>("script");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("logged");

    QTest::newRow("HTTP 500") << QJsonObject{{"status", 500}} << 30000
                              << int(QNetworkReply::InternalServerError)
                              << "failed: HTTP 500 Error transferring";
    QTest::newRow("HTTP 404") << QJsonObject{{"status", 404}} << 30000
                              << int(QNetworkReply::ContentNotFoundError)
                              << "failed: HTTP 404 Error transferring";
    QTest::newRow("connection cut")
        << QJsonObject{{"drop", true}} << 30000 << int(QNetworkReply::RemoteHostClosedError)
        << "failed: HTTP 200 Connection closed";
    QTest::newRow("no answer in time")
        << QJsonObject{{"delay_ms", 4000}} << 300 << int(QNetworkReply::TimeoutError)
        << "failed: HTTP 0 timed out";
}

void tst_Service::transportFailures()
{
    QFETCH(QJsonObject, script);
    QFETCH(int, timeout);
    QFETCH(int, error);
    QFETCH(QString, logged);
    LogCapture log;

    script.insert("path", "/api/driver/config/query");
    QVERIFY(m_standIn.script(script));
    NetworkHelper::instance()->setServiceTimeout(timeout);

    RecordingHandler handler;
    NetworkHelper::instance()->queryConfig(&handler);
    QTRY_COMPARE(handler.calls.size(), 1);
    const Call call = handler.calls.first();
    QVERIFY(call.error);
    QCOMPARE(call.name, RequestName::Config);
    QCOMPARE(call.code, error);
    QVERIFY(!call.msg.isEmpty());
    QTRY_COMPARE(RequestName::liveCount(), 0);

    // The log says which request failed where and how, without the query
    // (the machine's identifier travels in it).
    const QString text = log.text();
    static const QRegularExpression line(
        QStringLiteral(" W tessaly\\.service: service request Config to http://[0-9.:]+"
                       "/api/driver/config/query (.*)"));
    QVERIFY2(line.match(text).captured(1).startsWith(logged), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("machineid")), qPrintable(text));
}

// A handler that is gone before its reply comes is not called.
void tst_Service::handlerGoneBeforeTheReply()
{
    struct ObjectHandler final : QObject, HttpHandler {
        void handleHttpResponse(RequestName::Name, const QByteArray &) override { QFAIL("called"); }
        int handleHttpError(RequestName::Name, QNetworkReply::NetworkError, const QString &,
                            QWidget *) override
        {
            [] { QFAIL("called"); }();
            return 0;
        }
    };
    QVERIFY(m_standIn.script({{"path", "/api/driver/config/query"}, {"delay_ms", 300}}));
    auto handler = std::make_unique<ObjectHandler>();
    NetworkHelper::instance()->queryConfig(handler.get());
    handler.reset();
    QTRY_COMPARE(RequestName::liveCount(), 0);
}

void tst_Service::serviceFailureShowsBox()
{
    QVERIFY(m_standIn.script({{"path", "/api/driver/user/info"}, {"code", 0}}));
    RecordingHandler handler;
    handler.readEnvelope = true;
    handler.showErrorBox = true;
    ScriptedMessageBox::clearLastShown();
    ScriptedMessageBox::setNextAnswer(QMessageBox::Cancel);

    NetworkHelper::instance()->queryUserInfo(QStringLiteral("tessaly-dev-token"), &handler);
    QTRY_COMPARE(handler.calls.size(), 2);
    QCOMPARE(handler.calls.at(1).code, 0);
    QVERIFY(ScriptedMessageBox::lastShown());
    const ScriptedMessageBox::Shown box = *ScriptedMessageBox::lastShown();
    QCOMPARE(box.text,
             QStringLiteral("请求:获取用户信息错误。错误码:0, 释义: , 是否联系客服处理？: "));
    QCOMPARE(box.title, QStringLiteral("提示"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QVERIFY(box.modal);
    QVERIFY(m_opened.isEmpty());
}

void tst_Service::errorBoxAnswers_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("opened");
    QTest::newRow("OK") << int(QMessageBox::Ok) << int(QMessageBox::Ok) << true;
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << int(QMessageBox::Cancel) << false;
    QTest::newRow("closed") << int(QMessageBox::NoButton) << int(QMessageBox::Cancel) << false;
}

void tst_Service::errorBoxAnswers()
{
    QFETCH(int, answer);
    QFETCH(int, result);
    QFETCH(bool, opened);

    const QString link = QStringLiteral("http://127.0.0.1:1/kefu?c1=Tessaly&c2=%E6%9C%AA");
    ServiceErrorBox::setLinkSource([link] { return link; });
    ScriptedMessageBox::clearLastShown();
    ScriptedMessageBox::setNextAnswer(static_cast<QMessageBox::StandardButton>(answer));
    QWidget parent;

    RecordingHandler handler;
    handler.showErrorBox = true;
    QCOMPARE(static_cast<HttpHandler &>(handler).handleHttpError(
                 RequestName::Config, QNetworkReply::HostNotFoundError, "Host not found", &parent),
             result);
    QVERIFY(ScriptedMessageBox::lastShown());
    QCOMPARE(ScriptedMessageBox::lastShown()->parent, &parent);
    QCOMPARE(m_opened, opened ? QList<QUrl>{QUrl(link)} : QList<QUrl>());
}

void tst_Service::errorBoxText_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("text");
    QTest::newRow("configuration")
        << int(RequestName::Config) << 3 << "Host x not found"
        << "请求:获取配置错误。错误码:3, 释义: Host x not found, 是否联系客服处理？: ";
    QTest::newRow("QR code") << int(RequestName::LoginQrCode) << 0 << "失败"
                             << "请求:获取登录二维码。错误码:0, 释义: 失败, 是否联系客服处理？: ";
    QTest::newRow("sign-in state") << int(RequestName::LoginStatus) << 99 << ""
                                   << "请求:获取登录状态。错误码:99, 释义: , 是否联系客服处理？: ";
    QTest::newRow("unknown kind") << 17 << -5 << "x"
                                  << "请求:未知请求出错。错误码:-5, 释义: x, 是否联系客服处理？: ";
}

void tst_Service::errorBoxText()
{
    QFETCH(int, kind);
    QFETCH(int, error);
    QFETCH(QString, message);
    QFETCH(QString, text);
    QCOMPARE(ServiceErrorBox::text(static_cast<RequestName::Name>(kind), error, message), text);
}

void tst_Service::signInFlow()
{
    RecordingHandler handler;
    NetworkHelper::instance()->createLoginQrCode(&handler);
    QTRY_COMPARE(handler.calls.size(), 1);
    const QJsonObject code = ResponseEnvelope::parse(handler.calls.at(0).body).data.toObject();
    const QString ticket = code.value("ticket").toString();
    QVERIFY(!ticket.isEmpty());
    QVERIFY(code.value("expire_seconds").toInt() > 0);

    NetworkHelper::instance()->queryLogin(ticket, &handler);
    QTRY_COMPARE(handler.calls.size(), 2);
    QCOMPARE(ResponseEnvelope::parse(handler.calls.at(1).body).code, 1002);

    // Opening the code's address stands for scanning and confirming it.
    QNetworkReply *scan = m_network.get(QNetworkRequest(QUrl(code.value("url").toString())));
    QSignalSpy scanned(scan, &QNetworkReply::finished);
    QVERIFY(scanned.wait());
    QCOMPARE(scan->error(), QNetworkReply::NoError);
    scan->deleteLater();

    NetworkHelper::instance()->queryLogin(ticket, &handler);
    QTRY_COMPARE(handler.calls.size(), 3);
    const ResponseEnvelope signedIn = ResponseEnvelope::parse(handler.calls.at(2).body);
    QCOMPARE(signedIn.code, 1);
    const QJsonObject user = signedIn.data.toObject();
    QCOMPARE(user.keys(),
             (QStringList{"expiretime", "mobile", "nickname", "token", "user_id", "username"}));

    // The token it gave is good for the user information query.
    NetworkHelper::instance()->queryUserInfo(user.value("token").toString(), &handler);
    QTRY_COMPARE(handler.calls.size(), 4);
    QCOMPARE(ResponseEnvelope::parse(handler.calls.at(3).body).data.toObject().value("user_id"),
             user.value("user_id"));

    // A code whose lifetime has passed answers 1001.
    m_standIn.control("POST", "/__control/settings", {{"expire_seconds", 0}});
    NetworkHelper::instance()->createLoginQrCode(&handler);
    QTRY_COMPARE(handler.calls.size(), 5);
    const QString expired = ResponseEnvelope::parse(handler.calls.at(4).body)
                                .data.toObject()
                                .value("ticket")
                                .toString();
    NetworkHelper::instance()->queryLogin(expired, &handler);
    QTRY_COMPARE(handler.calls.size(), 6);
    QCOMPARE(ResponseEnvelope::parse(handler.calls.at(5).body).code, 1001);
}

void tst_Service::downloads_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("withReferer");
    QTest::addColumn<int>("error");    // -1: not checked
    QTest::addColumn<int>("received"); // -1: not checked
    QTest::addColumn<bool>("knownLength");

    QTest::newRow("with length") << "size=300000" << false << 0 << 300000 << true;
    QTest::newRow("without length") << "size=300000&chunked=1" << false << 0 << 300000 << false;
    QTest::newRow("slower than the service time-out")
        << "size=6000&rate=10000" << false << 0 << 6000 << true;
    QTest::newRow("referer given")
        << "size=1000&referer=https://www.amd.com" << true << 0 << 1000 << true;
    QTest::newRow("referer missing") << "size=1000&referer=https://www.amd.com" << false
                                     << int(QNetworkReply::ContentAccessDenied) << -1 << true;
    // Qt 5 does not always flag a body cut short as an error: a receiver has to
    // compare what arrived with the announced length.
    QTest::newRow("broken off") << "size=300000&break=100000" << false << -1 << 100000 << true;
}

void tst_Service::downloads()
{
    QFETCH(QString, query);
    QFETCH(bool, withReferer);
    QFETCH(int, error);
    QFETCH(int, received);
    QFETCH(bool, knownLength);

    // Only service requests are bound by the time-out.
    NetworkHelper::instance()->setServiceTimeout(200);
    NetworkHelper::Pairs headers;
    if (withReferer)
        headers << qMakePair(QStringLiteral("Referer"), QStringLiteral("https://www.amd.com"));
    headers << qMakePair(QStringLiteral("X-Probe"), QStringLiteral("1"));

    Download download;
    download.reply = NetworkHelper::instance()->startGet(
        m_standIn.url().toString() + "/drivers/driver.exe?" + query, headers, &download);
    QTRY_VERIFY_WITH_TIMEOUT(download.finished, 15000);
    if (error >= 0)
        QCOMPARE(int(download.error), error);
    QCOMPARE(headerValue(m_standIn.log("/drivers/driver.exe").first().toObject(), "X-Probe"), "1");
    if (received >= 0) {
        QCOMPARE(download.data.size(), received);
        QCOMPARE(download.received, qint64(received));
        QCOMPARE(download.lengthAnnounced, knownLength);
        QCOMPARE(static_cast<unsigned char>(download.data.at(received - 1)), (received - 1) % 251);
        if (knownLength)
            QCOMPARE(download.total, qint64(query.section("size=", 1).section('&', 0, 0).toInt()));
    }
    delete download.reply;
}

void tst_Service::redirects_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("301") << 301;
    QTest::newRow("302") << 302;
}

void tst_Service::redirects()
{
    QFETCH(int, status);
    Download download;
    download.reply = NetworkHelper::instance()->startGet(
        m_standIn.url().toString() +
            QStringLiteral("/redirect/%1/drivers/a%20b.exe?size=10").arg(status),
        {}, &download);
    QTRY_VERIFY(download.finished);
    QCOMPARE(download.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    QCOMPARE(download.reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl(),
             m_standIn.url().resolved(QUrl("/drivers/a%20b.exe?size=10")));
    delete download.reply;
}

void tst_Service::oversizedReplies_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("chunked");
    QTest::addColumn<bool>("refused");
    QTest::newRow("just under the limit") << 1024 * 1024 - 100 << false << false;
    QTest::newRow("announced, too large") << 20 * 1024 * 1024 << false << true;
    QTest::newRow("unannounced, too large") << 20 * 1024 * 1024 << true << true;
}

void tst_Service::oversizedReplies()
{
    QFETCH(int, bytes);
    QFETCH(bool, chunked);
    QFETCH(bool, refused);
    QVERIFY(m_standIn.script(
        {{"path", "/api/driver/config/query"}, {"body_bytes", bytes}, {"chunked", chunked}}));

    RecordingHandler handler;
    NetworkHelper::instance()->queryConfig(&handler);
    QTRY_COMPARE_WITH_TIMEOUT(handler.calls.size(), 1, 30000);
    const Call call = handler.calls.first();
    QCOMPARE(call.error, refused);
    if (refused) {
        QCOMPARE(call.code, int(QNetworkReply::UnknownContentError));
        QVERIFY(!call.msg.isEmpty());
    } else {
        QCOMPARE(call.body.size(), bytes);
        QVERIFY(ResponseEnvelope::parse(call.body).succeeded());
    }
    QTRY_COMPARE(RequestName::liveCount(), 0);
}

void tst_Service::downloadsTakeTheSystemProxy()
{
    // The proxy hands everything on to the stand-in, so a name that resolves
    // nowhere arrives there only through it.
    TinyProxy proxy;
    if (!proxy.start(m_standIn.url().port()))
        QSKIP(qPrintable(proxy.skipReason()));
    qputenv("http_proxy", proxy.url());
    Download download;
    download.reply = NetworkHelper::instance()->startGet(
        QStringLiteral("http://drivers.tessaly.example/drivers/proxied.exe?size=300000"), {},
        &download);
    QTRY_VERIFY_WITH_TIMEOUT(download.finished, 15000);
    qunsetenv("http_proxy");

    QCOMPARE(download.error, QNetworkReply::NoError);
    QCOMPARE(download.data.size(), 300000);
    const QJsonArray log = m_standIn.log("/drivers/proxied.exe");
    QCOMPARE(log.size(), 1);
    QVERIFY(headerValue(log.first().toObject(), "Via").contains("tinyproxy"));
    QTRY_VERIFY(proxy.output().contains("GET http://drivers.tessaly.example/drivers/proxied.exe"));
    delete download.reply;
}

void tst_Service::packageName_data()
{
    QTest::addColumn<QString>("fileContent"); // null: no file
    QTest::addColumn<QString>("name");
    QTest::newRow("no record") << QString() << "";
    QTest::newRow("no name") << "[General]\nOther=1\n"
                             << "empty";
    QTest::newRow("empty name") << "[General]\nPackageName=\n"
                                << "empty";
    QTest::newRow("name") << "[General]\nPackageName=Tessaly Setup\n"
                          << "Tessaly Setup";
}

void tst_Service::packageName()
{
    QFETCH(QString, fileContent);
    QFETCH(QString, name);

    QTemporaryDir system;
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system.path());
    if (!fileContent.isNull()) {
        QFile file(system.filePath("orbwell_core.conf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fileContent.toUtf8());
    }
    QCOMPARE(SystemInfo::packageName(), name);
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_systemConfig.path());
}

void tst_Service::osRelease_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("version");
    QTest::newRow("Debian") << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                          "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n")
                            << "12";
    QTest::newRow("escaped") << QByteArray("# comment VERSION_ID=1\nVERSION_ID=\"a\\\"b\\\\c\"\n")
                             << "a\"b\\c";
    QTest::newRow("rolling release") << QByteArray("ID=arch\nBUILD_ID=rolling\n") << "";
}

void tst_Service::osRelease()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, version);
    QCOMPARE(OsRelease::value(text, "VERSION_ID"), version);
}

void tst_Service::responseEnvelope_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("msg");
    QTest::newRow("success") << QByteArray(R"({"code":1,"data":{"a":1},"msg":""})") << 1 << "";
    QTest::newRow("not JSON") << QByteArray("<html>502</html>") << 0 << "";
    QTest::newRow("failure") << QByteArray(R"({"code":1001,"msg":"过期"})") << 1001 << "过期";
    QTest::newRow("array") << QByteArray("[1]") << 0 << "";
}

void tst_Service::responseEnvelope()
{
    QFETCH(QByteArray, body);
    QFETCH(int, code);
    QFETCH(QString, msg);
    const ResponseEnvelope envelope = ResponseEnvelope::parse(body);
    QCOMPARE(envelope.code, code);
    QCOMPARE(envelope.msg, msg);
    QCOMPARE(envelope.succeeded(), code == 1);
}

QTEST_MAIN(tst_Service)
#include "tst_service.moc"
