#include "base/scriptedmessagebox.h"
#include "fakewke.h"
#include "standin.h"

#include "account/loginwidget.h"
#include "account/qtqrcodewidget.h"
#include "account/user.h"
#include "account/userfile.h"
#include "account/userinfowidget.h"
#include "hardware/workerthread.h"
#include "service/networkhelper.h"
#include "service/requestname.h"
#include "service/serviceerrorbox.h"
#include "webui/mainwindowref.h"
#include "webui/miniblinkdialog.h"
#include "webui/pagehook.h"
#include "webui/wkeapi.h"
#include "webui/wkeloader.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

#include <sys/stat.h>

#include <functional>
#include <memory>

using V = FakeValue;

namespace {

const QString kUserInfoPath = QStringLiteral("/api/driver/user/info");
const QString kDevToken = QStringLiteral("tessaly-dev-token");

// Puts a user into the account and its file, signed in unless `expired`.
void signIn(const QString &nickname, bool expired = false, const QString &token = kDevToken)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    User::instance()->parseUserInfo(
        QJsonObject{{QStringLiteral("nickname"), nickname},
                    {QStringLiteral("token"), token},
                    {QStringLiteral("user_id"), 4242},
                    {QStringLiteral("expiretime"), expired ? now - 10 : now + 3600}});
}

// Counts the popup polls of the window through their "selfpoint" lines.
int &popupPolls()
{
    static int count = 0;
    return count;
}

QtMessageHandler &previousHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

void countPopupPolls(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.startsWith(QLatin1String("selfpoint")))
        ++popupPolls();
    if (previousHandler())
        previousHandler()(type, context, text);
}

} // namespace

class TestWebUi final : public QObject {
    Q_OBJECT

private:
    FakeWke &wke = FakeWke::instance();
    std::unique_ptr<MiniblinkDialog> window;

    int pageCallCount(const std::string &name) const
    {
        int n = 0;
        for (const PageCall &c : wke.pageCalls)
            n += c.name == name ? 1 : 0;
        return n;
    }

    // The pings of the windows built so far have been answered.
    static bool nothingInFlight()
    {
        return NetworkHelper::instance()->findChildren<QNetworkReply *>().isEmpty();
    }

    StandIn standIn;

    void newWindow()
    {
        if (window) {
            // Replies still on their way may name the window as their handler.
            QTRY_COMPARE(RequestName::liveCount(), 0);
            setMainWindow(nullptr);
            window.reset();
        }
        wke.install();
        window = std::make_unique<MiniblinkDialog>();
        setMainWindow(window.get());
    }
    QList<PageCall> callsOf(const std::string &name) const
    {
        QList<PageCall> found;
        for (const PageCall &c : wke.pageCalls) {
            if (c.name == name)
                found << c;
        }
        return found;
    }

    // Runs `steps` on the sign-in dialog once the next bridge call has opened
    // it; whatever they do, the dialog is closed afterwards.
    void whileSignInIsOpen(std::function<void(LoginWidget *)> steps)
    {
        QTimer::singleShot(0, this, [this, steps] {
            LoginWidget *login = window->findChild<LoginWidget *>();
            QVERIFY(login);
            steps(login);
            if (login->isVisible())
                login->reject();
        });
    }

private slots:
    void initTestCase()
    {
        // Every window sends its start pings; they go to the stand-in.
        QVERIFY(standIn.start());
        qputenv("TESSALY_SERVICE_URL", standIn.url().toString().toUtf8());
        qputenv("TESSALY_STATISTICS_URL", standIn.url().toString().toUtf8());
    }
    void cleanupTestCase()
    {
        QTRY_VERIFY(nothingInFlight());
        QVERIFY(standIn.stop());
    }

    void init()
    {
        QVERIFY(standIn.reset());
        QFile::remove(UserFile::path());
        User::instance()->loadUserFile();
        newWindow();
    }
    void cleanup()
    {
        QTRY_COMPARE(RequestName::liveCount(), 0);
        setMainWindow(nullptr);
        window.reset();
    }

    void constructionBindsEverythingBeforeLoadingTheStartPage()
    {
        const std::vector<std::string> expected = {
            "eMsg",           "graphicsList", "downDir",      "selectDir",
            "isLogin",        "Down",         "countryID",    "click",
            "mousedown",      "mousemove",    "mouserelease", "mousehover",
            "mouseenter",     "mouseleave",   "appType",      "installedDrivers",
            "openVendorPage", "hasService"};
        QCOMPARE(wke.bindOrder(), expected);
        QCOMPARE(wke.declaredCount("eMsg"), 5u);
        QCOMPARE(wke.declaredCount("Down"), 3u);
        QCOMPARE(wke.declaredCount("appType"), 0u);
        QCOMPARE(wke.loadedUrls.size(), size_t(1));
        QCOMPARE(QString::fromStdWString(wke.loadedUrls.front()),
                 QStringLiteral("http://page.test/index.html"));
        QCOMPARE(window->size(), QSize(802, 602));
        QCOMPARE(window->minimumSize(), QSize(802, 602));
        QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
    }

    void stringFirstArgumentRule_data()
    {
        QTest::addColumn<QString>("function");
        for (const char *f :
             {"eMsg", "click", "mousedown", "mousemove", "mouserelease", "mouseenter"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }
    void stringFirstArgumentRule()
    {
        QFETCH(QString, function);
        const std::string name = function.toStdString();
        QCOMPARE(wke.call(name, {}), V::undefined());
        QCOMPARE(wke.call(name, {V::number(5)}), V::undefined());
        QCOMPARE(wke.call(name, {V::boolean(true), V::string(QStringLiteral("titleBar"))}),
                 V::undefined());
        QCOMPARE(wke.call(name, {V::undefined()}), V::undefined());
        QVERIFY(wke.pageCalls.empty());
    }

    void eMsgAnswersTrueForUnknownMessagesAndDoesNothing()
    {
        for (const char *msg : {"SCAN", "LoadedJs", "nonsense", ""}) {
            QCOMPARE(wke.call("eMsg", {V::string(QString::fromLatin1(msg))}), V::boolean(true));
        }
        QVERIFY(wke.pageCalls.empty());
    }

    void constantsAndNoOps()
    {
        QCOMPARE(wke.call("countryID", {}), V::number(44));
        QCOMPARE(wke.call("countryID", {V::string(QStringLiteral("x"))}), V::number(44));
        QCOMPARE(wke.call("appType", {}), V::string(QStringLiteral("graphics")));
        QCOMPARE(wke.call("mousehover", {}), V::boolean(true));
        QCOMPARE(wke.call("mousehover", {V::number(1), V::boolean(false)}), V::boolean(true));
        QCOMPARE(wke.call("mouseleave", {V::undefined()}), V::boolean(true));
        QCOMPARE(wke.call("click", {V::string(QStringLiteral("noSuchButton"))}), V::boolean(true));
        QCOMPARE(wke.call("mouseenter", {V::string(QStringLiteral("usericonBtn")), V::number(1),
                                         V::number(2), V::number(3), V::number(4)}),
                 V::boolean(true));
    }

    void downNeedsExactlyFourArguments()
    {
        const V s = V::string(QStringLiteral("x"));
        QCOMPARE(wke.call("Down", {}), V::number(3));
        QCOMPARE(wke.call("Down", {s, s, s}), V::number(3));
        QCOMPARE(wke.call("Down", {s, s, s, s, s}), V::number(3));
    }

    void pageReadyHandshake()
    {
        // Page first, configuration later.
        QCOMPARE(wke.call("eMsg", {V::string(QStringLiteral("loadedjs"))}), V::boolean(true));
        QCOMPARE(pageCallCount("notifySettingByCpp"), 0);
        emit User::instance()->configReceived(QJsonValue());
        QCOMPARE(pageCallCount("notifySettingByCpp"), 1);
        const PageCall &call = wke.pageCalls.back();
        QCOMPARE(call.name, std::string("notifySettingByCpp"));
        const std::vector<V> expected = {V::boolean(true), V::boolean(true), V::boolean(true),
                                         V::string(QStringLiteral("graphics"))};
        QCOMPARE(call.args, expected);

        // Every later configuration announcement notifies again.
        emit User::instance()->configReceived(QJsonValue());
        QCOMPARE(pageCallCount("notifySettingByCpp"), 2);
    }

    void configurationBeforePage()
    {
        emit User::instance()->configReceived(QJsonValue());
        QCOMPARE(pageCallCount("notifySettingByCpp"), 0);
        wke.pageAnswers["notifySettingByCpp"] = V::boolean(true);
        wke.call("eMsg", {V::string(QStringLiteral("loadedjs"))});
        QCOMPARE(pageCallCount("notifySettingByCpp"), 1);
    }

    void startSendsTwoPings()
    {
        QTRY_VERIFY(nothingInFlight());
        QVERIFY(standIn.reset());
        MiniblinkDialog second;

        // The pings in flight are the new window's, in the order sent.
        QStringList sent;
        for (const QNetworkReply *reply :
             NetworkHelper::instance()->findChildren<QNetworkReply *>()) {
            if (reply->url().path() == QLatin1String("/helper/statistics"))
                sent << QUrlQuery(reply->url()).queryItemValue(QStringLiteral("type"));
        }
        QCOMPARE(sent, (QStringList{"openness", "main_page"}));
        QTRY_COMPARE(standIn.pingCounts(), (QJsonObject{{"openness", 1}, {"main_page", 1}}));
    }

    void userInformationAnswers()
    {
        // The account takes the record the window receives.
        QSignalSpy received(User::instance(), &User::update);
        window->handleHttpResponse(RequestName::UserInfo,
                                   R"({"code":1,"data":{"user_id":7},"msg":""})");
        QCOMPARE(received.size(), 1);
        QCOMPARE(User::instance()->userId(), 7);

        // Answers of other kinds are not the window's business: no box.
        ScriptedMessageBox::clearLastShown();
        ScriptedMessageBox::setNextAnswer(QMessageBox::Cancel);
        window->handleHttpResponse(RequestName::Config, R"({"code":0})");
        QVERIFY(!ScriptedMessageBox::lastShown());

        // A refused token ends in the error box over the window, though the
        // dispatcher passes no parent.
        NetworkHelper::instance()->queryUserInfo(QStringLiteral("expired"), window.get());
        QTRY_VERIFY(ScriptedMessageBox::lastShown());
        QCOMPARE(ScriptedMessageBox::lastShown()->parent, window.get());
        QCOMPARE(ScriptedMessageBox::lastShown()->text,
                 QStringLiteral("请求:获取用户信息错误。错误码:0, 释义: 登录已失效，请重新登录, "
                                "是否联系客服处理？: "));
        QCOMPARE(received.size(), 1);
    }

    void pageFunctionAnswersAreReadAsBooleans()
    {
        QCOMPARE(window->setfrontendCountry(QLocale::China), false);
        wke.pageAnswers["setCountry"] = V::boolean(true);
        QCOMPARE(window->setfrontendCountry(QLocale::China), true);
        QCOMPARE(wke.pageCalls.back().args, std::vector<V>{V::number(44)});
        wke.pageAnswers["notifySettingByCpp"] = V::string(QStringLiteral("yes"));
        QCOMPARE(window->notifySetting(true, false, true), true);

        window->pciinfoResults(QStringLiteral("{\"pcinfo\":{}}"));
        QCOMPARE(wke.pageCalls.back().name, std::string("scanCbkByCpp"));
        QCOMPARE(wke.pageCalls.back().args,
                 std::vector<V>{V::string(QStringLiteral("{\"pcinfo\":{}}"))});
        window->userLogined(true, QStringLiteral("小明"));
        const std::vector<V> login = {V::boolean(true), V::string(QStringLiteral("小明"))};
        QCOMPARE(wke.pageCalls.back().args, login);
    }

    void graphicsListAndScanReadTheMachine()
    {
        // A machine tree with one Intel display adapter.
        QTemporaryDir root;
        const QString device = root.path() + QLatin1String("/sys/bus/pci/devices/0000:00:02.0/");
        QDir().mkpath(device);
        const char *files[][2] = {
            {"class", "0x030000"}, {"vendor", "0x8086"}, {"device", "0x3e92"}};
        for (const auto &file : files) {
            QFile out(device + QLatin1String(file[0]));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file[1]);
        }
        qputenv("TESSALY_SYSROOT", root.path().toUtf8());

        const V list = wke.call("graphicsList", {});
        QCOMPARE(list.type, JSTYPE_STRING);
        const QJsonArray adapters = QJsonDocument::fromJson(list.value.toString().toUtf8()).array();
        QCOMPARE(adapters.size(), 1);
        QCOMPARE(adapters[0].toObject().value(QLatin1String("hardid")).toString(),
                 QStringLiteral("PCI\\VEN_8086&DEV_3E92&SUBSYS_00000000&REV_00"));

        // The driver in use, for the same adapters; arguments are not read.
        QVERIFY(
            QFile::link(QStringLiteral("../../drivers/i915"), device + QLatin1String("driver")));
        const V drivers = wke.call("installedDrivers", {V::number(7)});
        QCOMPARE(drivers.type, JSTYPE_STRING);
        const QJsonArray inUse = QJsonDocument::fromJson(drivers.value.toString().toUtf8()).array();
        QCOMPARE(inUse.size(), 1);
        QCOMPARE(inUse[0].toObject().value(QLatin1String("driver")).toString(),
                 QStringLiteral("i915"));
        QCOMPARE(inUse[0].toObject().value(QLatin1String("hardid")),
                 adapters[0].toObject().value(QLatin1String("hardid")));

        // Two scans, the second while the first may still run: two reports.
        const V scan = V::string(QStringLiteral("scan"));
        QCOMPARE(wke.call("eMsg", {scan}), V::boolean(true));
        QCOMPARE(wke.call("eMsg", {scan}), V::boolean(true));
        QTRY_COMPARE(pageCallCount("scanCbkByCpp"), 2);
        for (const PageCall &call : wke.pageCalls) {
            if (call.name != "scanCbkByCpp")
                continue;
            const QJsonObject report =
                QJsonDocument::fromJson(call.args.at(0).value.toString().toUtf8()).object();
            QCOMPARE(report.value(QLatin1String("videoController")).toString(),
                     QStringLiteral("Intel Corporation CoffeeLake-S GT2 [UHD Graphics 630]"));
        }
        QTRY_VERIFY(window->findChildren<WorkerThread *>().isEmpty());
        qunsetenv("TESSALY_SYSROOT");
    }

    void closingTheWindowWaitsForRunningScans()
    {
        wke.call("eMsg", {V::string(QStringLiteral("scan"))});
        QCOMPARE(window->findChildren<WorkerThread *>().size(), 1);
        setMainWindow(nullptr);
        window.reset();
        QCoreApplication::processEvents();
    }

    void titleBarDrag()
    {
        window->move(200, 150);
        const QPoint start = window->pos();
        const V bar = V::string(QStringLiteral("titleBar"));

        // Moves before any press, and moves of other elements, do nothing.
        QCOMPARE(wke.call("mousemove", {bar, V::number(50), V::number(50)}), V::boolean(true));
        QCOMPARE(window->pos(), start);
        wke.call("mousedown", {V::string(QStringLiteral("logo")), V::number(10), V::number(10)});
        wke.call("mousemove", {V::string(QStringLiteral("logo")), V::number(30), V::number(30)});
        QCOMPARE(window->pos(), start);

        wke.call("mousedown", {bar, V::number(10), V::number(12)});
        wke.call("mousemove", {bar, V::number(40), V::number(32)});
        QCOMPARE(window->pos(), start + QPoint(30, 20));
        // The pointer keeps its place in the page as the window follows it.
        wke.call("mousemove", {bar, V::number(15), V::number(12)});
        QCOMPARE(window->pos(), start + QPoint(35, 20));

        wke.call("mouserelease", {bar, V::number(15), V::number(12)});
        wke.call("mousemove", {bar, V::number(90), V::number(90)});
        QCOMPARE(window->pos(), start + QPoint(35, 20));
    }

    void pageLearnsTheSignInBeforeTheSettings()
    {
        signIn(QStringLiteral("阿明"));
        emit User::instance()->configReceived(QJsonValue());
        wke.pageCalls.clear();
        wke.call("eMsg", {V::string(QStringLiteral("loadedjs"))});
        QCOMPARE(wke.pageCalls.size(), size_t(2));
        QCOMPARE(wke.pageCalls[0].name, std::string("userLoginByCpp"));
        const std::vector<V> state = {V::boolean(true), V::string(QStringLiteral("阿明"))};
        QCOMPARE(wke.pageCalls[0].args, state);
        QCOMPARE(wke.pageCalls[1].name, std::string("notifySettingByCpp"));
    }

    void accountChangesReachThePage()
    {
        signIn(QStringLiteral("小红"));
        std::vector<V> expected = {V::boolean(true), V::string(QStringLiteral("小红"))};
        QCOMPARE(wke.pageCalls.back().name, std::string("userLoginByCpp"));
        QCOMPARE(wke.pageCalls.back().args, expected);
        QCOMPARE(wke.call("isLogin", {}), V::boolean(true));

        // An expired sign-in is pushed as signed out, with the stored name.
        signIn(QStringLiteral("小红"), true);
        expected = {V::boolean(false), V::string(QStringLiteral("小红"))};
        QCOMPARE(wke.pageCalls.back().args, expected);
        QCOMPARE(wke.call("isLogin", {}), V::boolean(false));
    }

    void startQueriesConfigurationAndHandshakes()
    {
        // The window asked the service for its configuration at construction.
        wke.call("eMsg", {V::string(QStringLiteral("loadedjs"))});
        QTRY_COMPARE(pageCallCount("notifySettingByCpp"), 1);
        QCOMPARE(standIn.log(QStringLiteral("/api/driver/config/query")).size(), 1);
        QVERIFY(User::instance()->serviceBase().startsWith(standIn.url().toString()));
        // Signed out: no user information query.
        QCOMPARE(standIn.log(kUserInfoPath).size(), 0);
    }

    void persistedSignInIsRefreshedAtStart_data()
    {
        QTest::addColumn<bool>("expired");
        QTest::newRow("signed in") << false;
        QTest::newRow("expired") << true;
    }
    void persistedSignInIsRefreshedAtStart()
    {
        QFETCH(bool, expired);
        signIn(QStringLiteral("旧名字"), expired);
        QVERIFY(standIn.reset());
        newWindow();
        if (expired) {
            QTRY_COMPARE(standIn.log(QStringLiteral("/api/driver/config/query")).size(), 1);
            QCOMPARE(standIn.log(kUserInfoPath).size(), 0);
            return;
        }
        QTRY_COMPARE(User::instance()->nickname(), QStringLiteral("测试用户"));
        const QJsonArray queries = standIn.log(kUserInfoPath);
        QCOMPARE(queries.size(), 1);
        bool tokenSent = false;
        for (const QJsonValue &header : queries[0][QLatin1String("headers")].toArray())
            tokenSent |= header[0].toString().toLower() == QLatin1String("token") &&
                         header[1].toString() == kDevToken;
        QVERIFY(tokenSent);
        const std::vector<V> pushed = {V::boolean(true), V::string(QStringLiteral("测试用户"))};
        QCOMPARE(callsOf("userLoginByCpp").last().args, pushed);
        UserRecord onDisk;
        QCOMPARE(UserFile::load(UserFile::path(), onDisk), UserFile::LoadResult::Complete);
        QCOMPARE(onDisk.nickname, QStringLiteral("测试用户"));
    }

    void signInFromThePage()
    {
        // Closed without signing in: false, and the account stays signed out.
        whileSignInIsOpen([](LoginWidget *login) {
            QTRY_VERIFY(login->isVisible());
            QTRY_VERIFY(!login->findChild<QtQrCodeWidget *>()->data().isEmpty());
            login->findChild<QPushButton *>(QStringLiteral("closeButton"))->click();
        });
        QCOMPARE(wke.call("eMsg", {V::string(QStringLiteral("loginPage"))}), V::boolean(false));
        QVERIFY(!User::instance()->isLoggedIn());

        // The account icon opens the same dialog; scanning its code signs in.
        QVERIFY(standIn.reset());
        whileSignInIsOpen([this](LoginWidget *login) {
            QCOMPARE(window->findChildren<LoginWidget *>().size(), 1);
            // The first poll names the ticket of the code shown.
            const QString polls = QStringLiteral("/api/driverwechat/index/querylogin");
            QTRY_VERIFY(!standIn.log(polls).isEmpty());
            const QJsonArray query =
                standIn.log(polls).first().toObject()[QLatin1String("query")].toArray();
            const QJsonArray item = query.last().toArray();
            QCOMPARE(item[0].toString(), QStringLiteral("ticket"));
            QCOMPARE(scanWithPhone(standIn.url().resolved(
                         QUrl(QStringLiteral("/login/scan?ticket=") + item[1].toString()))),
                     200);
            QTRY_VERIFY(!login->isVisible());
        });
        QCOMPARE(wke.call("click", {V::string(QStringLiteral("usericonBtn"))}), V::boolean(true));
        QVERIFY(User::instance()->isLoggedIn());
        const std::vector<V> pushed = {V::boolean(true), V::string(QStringLiteral("测试用户"))};
        QCOMPARE(callsOf("userLoginByCpp").last().args, pushed);

        // Signed in, the icon no longer opens it.
        LoginWidget *login = window->findChild<LoginWidget *>();
        QSignalSpy shown(login, &QDialog::finished);
        QCOMPARE(wke.call("click", {V::string(QStringLiteral("usericonBtn"))}), V::boolean(true));
        QCOMPARE(shown.count(), 0);
    }

    void popupFollowsThePointer()
    {
        UserInfoWidget *popup = window->findChild<UserInfoWidget *>();
        QVERIFY(popup);
        QCOMPARE(popup->parentWidget(), window.get());
        window->move(100, 100);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const V icon = V::string(QStringLiteral("usericonBtn"));
        const auto enter = [&] {
            return wke.call("mouseenter",
                            {icon, V::number(700), V::number(8), V::number(30), V::number(24)});
        };

        // Signed out: nothing is shown.
        QCursor::setPos(window->mapToGlobal(QPoint(710, 20)));
        QCOMPARE(enter(), V::boolean(true));
        QVERIFY(!popup->isVisible());

        signIn(QStringLiteral("abc"));
        QCursor::setPos(window->mapToGlobal(QPoint(710, 20)));
        enter();
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->pos(), QCursor::pos());
        QCOMPARE(popup->findChild<QLabel *>(QStringLiteral("accountLabel"))->text(),
                 QStringLiteral("微信: abc"));
        QCOMPARE(popup->findChild<QLabel *>(QStringLiteral("idLabel"))->text(),
                 QStringLiteral("(ID: 4242)"));
        QCOMPARE(popup->findChild<QLabel *>(QStringLiteral("avatarLabel"))
                     ->pixmap(Qt::ReturnByValue)
                     .size(),
                 QSize(40, 40));

        // The popup opens under the pointer. On the icon (edges included) or on
        // the popup it stays across polls; anywhere else it goes at the next one.
        QLoggingCategory::setFilterRules(QStringLiteral("tessaly.chatter.debug=true"));
        previousHandler() = qInstallMessageHandler(countPopupPolls);
        const auto staysAt = [&](const QPoint &global) {
            QCursor::setPos(global);
            const int polls = popupPolls();
            QTRY_VERIFY(popupPolls() >= polls + 2);
            QVERIFY(popup->isVisible());
        };
        staysAt(window->mapToGlobal(QPoint(700, 8))); // the icon's top-left corner
        staysAt(popup->mapToGlobal(QPoint(150, 50)));
        staysAt(window->mapToGlobal(QPoint(730, 8))); // top-right corner
        QCursor::setPos(window->mapToGlobal(QPoint(699, 8)));
        QTRY_VERIFY_WITH_TIMEOUT(!popup->isVisible(), 3000);
        qInstallMessageHandler(previousHandler());
        QLoggingCategory::setFilterRules(QString());
        enter();
        QVERIFY(popup->isVisible());

        // Signing out in the popup tells the page and hides it.
        popup->findChild<QPushButton *>(QStringLiteral("signOutButton"))->click();
        QVERIFY(!popup->isVisible());
        const std::vector<V> pushed = {V::boolean(false), V::string(QString())};
        QCOMPARE(callsOf("userLoginByCpp").last().args, pushed);
        enter();
        QVERIFY(!popup->isVisible());
    }

    void hookAnswers()
    {
        const HookAnswer page = wke.request("http://page.test/index.html");
        QVERIFY(page.handled);
        QVERIFY(page.dataSet);
        QVERIFY(page.data.contains("titleBar"));
        QVERIFY(page.mimeType.isEmpty());

        const HookAnswer loopback = wke.request("http://127.0.0.1:12222/anything");
        QVERIFY(loopback.handled);
        QCOMPARE(loopback.data, QByteArray("\"test1111\""));
        QCOMPARE(loopback.mimeType, QByteArray("text/html"));

        const HookAnswer external = wke.request(PageHook::kExternalTestAddress);
        QVERIFY(!external.handled);
        QVERIFY(external.hooked);

        // Anything else is swallowed: it never reaches the network.
        const HookAnswer other = wke.request("https://www.example.org/track.js");
        QVERIFY(other.handled);
        QVERIFY(other.hooked);
        QVERIFY(other.data.isEmpty());

        // An address of somebody else that carries the prefix further on is
        // not a page; cut at the prefix's length it would name index.html.
        const HookAnswer carrier =
            wke.request("http://evil.test/?u=http://page.test/../../index.html");
        QVERIFY(carrier.handled);
        QVERIFY(carrier.hooked);
        QVERIFY(!carrier.dataSet);
        QVERIFY(carrier.data.isEmpty());
    }

    void pageFiles_data()
    {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("inside html")
            << QByteArray("http://page.test/css/a.css") << QByteArray("body{}");
        QTest::newRow("beside executable")
            << QByteArray("http://page.test/beside.txt") << QByteArray("next to exe");
        QTest::newRow("escaped blank")
            << QByteArray("http://page.test/my page.html") << QByteArray("blank");
        QTest::newRow("empty file") << QByteArray("http://page.test/empty.html") << QByteArray();
        QTest::newRow("query kept in name")
            << QByteArray("http://page.test/index.html?x=1") << QByteArray();
        QTest::newRow("missing") << QByteArray("http://page.test/nothere.js") << QByteArray();
        QTest::newRow("climbs out of html")
            << QByteArray("http://page.test/../../secret.txt") << QByteArray();
        QTest::newRow("climbs out beside exe")
            << QByteArray("http://page.test/../secret.txt") << QByteArray();
        QTest::newRow("climbs and returns")
            << QByteArray("http://page.test/css/../css/a.css") << QByteArray("body{}");
        QTest::newRow("link inside html")
            << QByteArray("http://page.test/in.css") << QByteArray("body{}");
        QTest::newRow("link out of html") << QByteArray("http://page.test/out.txt") << QByteArray();
        QTest::newRow("linked folder inside html")
            << QByteArray("http://page.test/up/secret.txt") << QByteArray();
        QTest::newRow("link beside the executable")
            << QByteArray("http://page.test/beside-link.txt") << QByteArray();
        QTest::newRow("prefix further on")
            << QByteArray("http://evil.test/?u=http://page.test/../../index.html") << QByteArray();
        // Opening it would wait for a writer that never comes.
        QTest::newRow("FIFO") << QByteArray("http://page.test/pipe.js") << QByteArray();
    }
    void pageFiles()
    {
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, body);
        QTemporaryDir root;
        const QString exeDir = root.path() + QStringLiteral("/app/bin");
        QVERIFY(QDir().mkpath(exeDir + QStringLiteral("/html/css")));
        const auto write = [](const QString &path, const QByteArray &data) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(data);
        };
        write(exeDir + QStringLiteral("/html/css/a.css"), "body{}");
        write(exeDir + QStringLiteral("/html/index.html"), "<html>");
        write(exeDir + QStringLiteral("/html/my page.html"), "blank");
        write(exeDir + QStringLiteral("/html/empty.html"), "");
        write(exeDir + QStringLiteral("/beside.txt"), "next to exe");
        write(root.path() + QStringLiteral("/app/secret.txt"), "secret");
        write(root.path() + QStringLiteral("/secret.txt"), "secret");
        // Symbolic links in the page folders, harmless and not.
        QVERIFY(QFile::link(exeDir + QStringLiteral("/html/css/a.css"),
                            exeDir + QStringLiteral("/html/in.css")));
        QVERIFY(QFile::link(root.path() + QStringLiteral("/secret.txt"),
                            exeDir + QStringLiteral("/html/out.txt")));
        QVERIFY(QFile::link(root.path(), exeDir + QStringLiteral("/html/up")));
        QVERIFY(QFile::link(root.path() + QStringLiteral("/app/secret.txt"),
                            exeDir + QStringLiteral("/beside-link.txt")));
        QCOMPARE(
            mkfifo(QFile::encodeName(exeDir + QStringLiteral("/html/pipe.js")).constData(), 0600),
            0);

        QCOMPARE(PageHook::pageContent(exeDir, url), body);
    }

    void escapedAddressesAreDecodedBeforeTheFileIsFound()
    {
        const HookAnswer escaped = wke.request("http://page.test/js/%62ridge.js");
        QVERIFY(escaped.data.contains("attachTitleBarDrag"));
        const HookAnswer climbing = wke.request("http://page.test/%2e%2e/%2e%2e/etc/passwd");
        QVERIFY(climbing.handled);
        QVERIFY(climbing.data.isEmpty());
    }

    // Last of all: quitting lets the process-wide objects go, as it does at the
    // program's end.
    void closeButtonEndsTheEventLoopWithCodeZero()
    {
        QVERIFY(!QFile::exists(UserFile::path()));
        User::instance()->setSaveFolder(QStringLiteral("/srv/drivers"));
        QTimer::singleShot(0,
                           [this] { wke.call("click", {V::string(QStringLiteral("closeBtn"))}); });
        // A guard so a broken close cannot hang the test. It must not outlive
        // the loop: an exit() with no loop running ends every later one at once.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        guard.stop();
        // The user file was written before quitting.
        UserRecord onDisk;
        QCOMPARE(UserFile::load(UserFile::path(), onDisk), UserFile::LoadResult::Complete);
        QCOMPARE(onDisk.saveFolder, QStringLiteral("/srv/drivers"));
    }
};

class TestWkeLoader final : public QObject {
    Q_OBJECT
private slots:
    void missingFunctionsAreReportedAndLeftEmpty()
    {
        wkeApi() = WkeApi();
        std::vector<std::string> missing;
        WkeLoader::setMissingReporter([&](const char *name) { missing.emplace_back(name); });
        runtimeLibraryPath() = QStringLiteral(PARTIAL_RUNTIME_PATH).toStdWString();
        QVERIFY(WkeLoader::load(nullptr));
        WkeLoader::setMissingReporter({});

        QCOMPARE(missing.size(), size_t(24));
        QVERIFY(std::find(missing.begin(), missing.end(), "jsInt") == missing.end());
        QVERIFY(std::find(missing.begin(), missing.end(), "jsCallGlobal") != missing.end());
        QVERIFY(wkeApi().jsInt != nullptr);
        QVERIFY(wkeApi().jsString == nullptr);
        // Initialisation ran once before resolving.
        QCOMPARE(wkeCall(&WkeApi::jsInt, 1), jsValue(1001));
        // An empty entry is never called; the caller gets a default value.
        QCOMPARE(wkeCall(&WkeApi::jsString, nullptr, "x"), jsValue(0));
        wkeCall(&WkeApi::wkeShowWindow, nullptr, true);
    }

    void aMissingLibraryFailsToLoad()
    {
        runtimeLibraryPath() = L"/nonexistent/libwke.so";
        QVERIFY(!WkeLoader::load(nullptr));
    }
};

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Aldmere"));
    QCoreApplication::setApplicationName(QStringLiteral("MorvaneTessalite"));
    QApplication app(argc, argv);
    int status = 0;
    {
        TestWebUi t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TestWkeLoader t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_webui.moc"
