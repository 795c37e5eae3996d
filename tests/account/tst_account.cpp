#include "base/buildconfig.h"
#include "base/scriptedmessagebox.h"
#include "paintrecorder.h"
#include "standin.h"

#include "account/loginwidget.h"
#include "account/qtqrcode.h"
#include "account/qtqrcodepainter.h"
#include "account/qtqrcodewidget.h"
#include "account/user.h"
#include "account/userfile.h"
#include "account/userinfowidget.h"
#include "service/networkhelper.h"
#include "service/requestname.h"
#include "service/serviceerrorbox.h"

#include <QApplication>
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <qrencode.h>

#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), qint64(data.size()));
}

QImage imageOf(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage defaultAvatar()
{
    return imageOf(QPixmap(QStringLiteral(":/img/defaultHead.png")));
}

// A record whose stream form is known byte for byte (no avatar image).
UserRecord knownRecord()
{
    UserRecord r;
    r.username = QStringLiteral("ab");
    r.nickname = QStringLiteral("小明");
    r.token = QStringLiteral("t");
    r.serviceBase = QStringLiteral("");
    r.expireTime = 0x01020304;
    r.userId = 7;
    r.saveFolder = QStringLiteral("/d");
    return r;
}

const QByteArray kKnownBytes = QByteArray::fromHex("00000004"
                                                   "00610062" // username "ab"
                                                   "00000004"
                                                   "5c0f660e" // nickname
                                                   "ffffffff" // mobile: null text
                                                   "00000000" // avatar: null image
                                                   "00000002"
                                                   "0074"     // token
                                                   "00000000" // serviceBase: empty
                                                   "01020304" // expireTime
                                                   "00000007" // userId
                                                   "00000004"
                                                   "002f0064"); // saveFolder

UserRecord fullRecord()
{
    UserRecord r;
    r.username = QStringLiteral("wx_42");
    r.nickname = QStringLiteral("小明");
    r.mobile = QStringLiteral("13800000000");
    QImage face(6, 4, QImage::Format_ARGB32);
    face.fill(QColor(10, 200, 30));
    face.setPixel(1, 2, qRgba(255, 0, 0, 128));
    r.avatar = QPixmap::fromImage(face);
    r.token = QStringLiteral("tok-123");
    r.serviceBase = QStringLiteral("https://kf.example/chat");
    r.expireTime = 2000000000;
    r.userId = 99;
    r.saveFolder = QStringLiteral("/home/u/驱动");
    return r;
}

QByteArray streamed(const UserRecord &r)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    UserFile::write(out, r);
    return bytes;
}

// Byte offsets where each of the nine fields of `r` begins in its stream form.
QVector<int> fieldStarts(const UserRecord &r)
{
    QVector<int> starts;
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QDataStream out(&buf);
    const auto mark = [&] { starts << int(buf.pos()); };
    mark();
    out << r.username;
    mark();
    out << r.nickname;
    mark();
    out << r.mobile;
    mark();
    out << r.avatar;
    mark();
    out << r.token;
    mark();
    out << r.serviceBase;
    mark();
    out << r.expireTime;
    mark();
    out << r.userId;
    mark();
    return starts;
}

void setSignIn(const QString &token, qint64 expireTime, const QString &nickname = QString())
{
    QJsonObject o;
    o.insert(QStringLiteral("token"), token);
    o.insert(QStringLiteral("expiretime"), expireTime);
    o.insert(QStringLiteral("nickname"), nickname);
    User::instance()->parseUserInfo(o);
}

StandIn &standIn()
{
    static StandIn service;
    return service;
}

bool setExpireSeconds(int seconds)
{
    return standIn()
               .control("POST", QStringLiteral("/__control/settings"),
                        QJsonObject{{QStringLiteral("expire_seconds"), seconds}})
               .object()
               .value(QStringLiteral("expire_seconds"))
               .toInt(-1) == seconds;
}

} // namespace

class TestUser final : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(UserFile::path()); }
    void cleanup()
    {
        QFile::remove(UserFile::path());
        User::instance()->loadUserFile();
    }

    void knownRecordHasExactBytes()
    {
        QVERIFY(UserFile::save(UserFile::path(), knownRecord()));
        QCOMPARE(readAll(UserFile::path()), kKnownBytes);

        // Null and empty texts keep their difference.
        UserRecord back;
        QCOMPARE(UserFile::load(UserFile::path(), back), UserFile::LoadResult::Complete);
        QVERIFY(back.mobile.isNull() && !back.serviceBase.isNull());
        QCOMPARE(back.expireTime, 0x01020304);
        QCOMPARE(back.saveFolder, QStringLiteral("/d"));
    }

    void recordWithAvatarRoundTrips()
    {
        const UserRecord r = fullRecord();
        QVERIFY(UserFile::save(UserFile::path(), r));
        User::instance()->loadUserFile();
        const UserRecord &back = User::instance()->record();
        QCOMPARE(back.username, r.username);
        QCOMPARE(back.nickname, r.nickname);
        QCOMPARE(back.mobile, r.mobile);
        QCOMPARE(imageOf(back.avatar), imageOf(r.avatar));
        QCOMPARE(back.token, r.token);
        QCOMPARE(back.serviceBase, r.serviceBase);
        QCOMPARE(back.expireTime, r.expireTime);
        QCOMPARE(back.userId, r.userId);
        QCOMPARE(back.saveFolder, r.saveFolder);
        // learningPage comes only from the configuration.
        QVERIFY(User::instance()->learningPage().isEmpty());
    }

    void shortOrDamagedFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("fieldsKept");

        const UserRecord r = fullRecord();
        const QByteArray whole = streamed(r);
        const QVector<int> at = fieldStarts(r);
        QTest::newRow("no file") << QByteArray() << 0;
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("inside the first length") << whole.left(2) << 0;
        QTest::newRow("inside nickname") << whole.left(at[1] + 6) << 1;
        QTest::newRow("inside the avatar image") << whole.left(at[3] + 20) << 3;
        QTest::newRow("right after the avatar") << whole.left(at[4]) << 4;
        QTest::newRow("inside expireTime") << whole.left(at[6] + 2) << 6;
        QTest::newRow("inside saveFolder") << whole.left(at[8] + 7) << 8;

        QByteArray badImage = whole.left(at[3]);
        badImage += QByteArray::fromHex("00000001") + QByteArray("not a png at all");
        badImage += whole.mid(at[4]);
        QTest::newRow("avatar is not an image") << badImage << 3;

        // An odd byte length cannot be UTF-16; what follows must not be read
        // from the wrong offset into the later fields.
        QByteArray oddLength =
            whole.left(at[4]) + QByteArray::fromHex("00000003") + whole.mid(at[4] + 4);
        QTest::newRow("odd token length") << oddLength << 4;
    }
    void shortOrDamagedFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, fieldsKept);
        if (!bytes.isNull())
            writeAll(UserFile::path(), bytes);
        User::instance()->loadUserFile();
        const UserRecord &got = User::instance()->record();
        const UserRecord full = fullRecord();
        const UserRecord none;
        const auto expect = [&](int index) -> const UserRecord & {
            return index < fieldsKept ? full : none;
        };
        QCOMPARE(got.username, expect(0).username);
        QCOMPARE(got.nickname, expect(1).nickname);
        QCOMPARE(got.mobile, expect(2).mobile);
        const QImage avatar = fieldsKept > 3 ? imageOf(full.avatar) : defaultAvatar();
        QCOMPARE(imageOf(got.avatar), avatar);
        QCOMPARE(got.token, expect(4).token);
        QCOMPARE(got.serviceBase, expect(5).serviceBase);
        QCOMPARE(got.expireTime, expect(6).expireTime);
        QCOMPARE(got.userId, expect(7).userId);
        QCOMPARE(got.saveFolder, expect(8).saveFolder);
    }

    void expiredSignInLoadsButCountsAsSignedOut()
    {
        UserRecord r = fullRecord();
        r.expireTime = qint32(QDateTime::currentSecsSinceEpoch() - 5);
        QVERIFY(UserFile::save(UserFile::path(), r));
        User::instance()->loadUserFile();
        QCOMPARE(User::instance()->token(), r.token);
        QCOMPARE(User::instance()->nickname(), r.nickname);
        QVERIFY(!User::instance()->isLoggedIn());

        r.expireTime = qint32(QDateTime::currentSecsSinceEpoch() + 3600);
        QVERIFY(UserFile::save(UserFile::path(), r));
        User::instance()->loadUserFile();
        QVERIFY(User::instance()->isLoggedIn());
    }

    void savedFileIsReadableByItsOwnerOnly()
    {
        // Also when an earlier file was left readable by everyone.
        writeAll(UserFile::path(), "old");
        QVERIFY(QFile::setPermissions(UserFile::path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(User::instance()->saveUserFile());
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(UserFile::path()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);

        QFile::remove(UserFile::path());
        QVERIFY(User::instance()->saveUserFile());
        QCOMPARE(::stat(QFile::encodeName(UserFile::path()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }

    void failedSaveKeepsThePreviousFile()
    {
        UserRecord before = fullRecord();
        QVERIFY(UserFile::save(UserFile::path(), before));
        const QByteArray old = readAll(UserFile::path());
        QVERIFY(old.size() > 200);

        // A file size limit makes the write fail part-way, as a full disk would.
        UserRecord after = before;
        after.saveFolder = QString(500, QLatin1Char('x'));
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = saved;
        tight.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const bool ok = UserFile::save(UserFile::path(), after);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!ok);
        QCOMPARE(readAll(UserFile::path()), old);
        QCOMPARE(QDir(UserFile::folder()).entryList(QDir::Files),
                 QStringList{QStringLiteral("qmzt.x")});
    }

    void parseUserInfoStoresSavesAndAnnounces()
    {
        User *user = User::instance();
        user->setSaveFolder(QStringLiteral("/tmp/drivers"));
        QSignalSpy updates(user, qOverload<bool>(&User::update));
        user->parseUserInfo(QJsonObject{{"username", "wx_1"},
                                        {"nickname", "阿明"},
                                        {"mobile", "138"},
                                        {"token", "tk"},
                                        {"expiretime", 2100000000},
                                        {"user_id", 31}});
        QCOMPARE(updates.count(), 1);
        QCOMPARE(updates.first().first().toBool(), false);
        UserRecord onDisk;
        QCOMPARE(UserFile::load(UserFile::path(), onDisk), UserFile::LoadResult::Complete);
        for (const UserRecord *r : {&user->record(), static_cast<const UserRecord *>(&onDisk)}) {
            QCOMPARE(r->username + r->nickname + r->mobile + r->token,
                     QStringLiteral("wx_1阿明138tk"));
            QCOMPARE(r->expireTime, 2100000000);
            QCOMPARE(r->userId, 31);
            QCOMPARE(r->saveFolder, QStringLiteral("/tmp/drivers"));
        }

        // Missing keys read as empty text or 0.
        user->parseUserInfo(QJsonObject{{"nickname", "x"}});
        QVERIFY(user->token().isEmpty());
        QCOMPARE(user->userId(), 0);
        QCOMPARE(user->expireTime(), 0);
    }

    void expiryFromTheService_data()
    {
        QTest::addColumn<QJsonValue>("expiretime");
        QTest::addColumn<int>("stored");
        QTest::newRow("seconds") << QJsonValue(2100000000) << 2100000000;
        QTest::newRow("after 2038") << QJsonValue(4102444800.0) << 2147483647;
        QTest::newRow("milliseconds") << QJsonValue(2100000000000.0) << 2100000000;
        QTest::newRow("negative") << QJsonValue(-5) << 0;
        QTest::newRow("text") << QJsonValue(QStringLiteral("soon")) << 0;
    }
    void expiryFromTheService()
    {
        QFETCH(QJsonValue, expiretime);
        QFETCH(int, stored);
        User *user = User::instance();
        user->parseUserInfo(QJsonObject{{"token", "tk"}, {"expiretime", expiretime}});
        QCOMPARE(user->expireTime(), stored);
        QCOMPARE(user->isLoggedIn(), stored != 0);
    }

    void rejectedTokenSignsOut_data()
    {
        QTest::addColumn<QJsonObject>("answer");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("token refused")
            << QJsonObject{{"code", 401}, {"msg", "token expired"}} << false;
        QTest::newRow("service down") << QJsonObject{{"status", 503}} << true;
    }
    void rejectedTokenSignsOut()
    {
        QFETCH(QJsonObject, answer);
        QFETCH(bool, signedIn);
        User *user = User::instance();
        user->parseUserInfo(QJsonObject{{"token", "tk"}, {"expiretime", 2100000000}});
        QVERIFY(standIn().reset());
        answer.insert(QStringLiteral("path"), QStringLiteral("/api/driver/user/info"));
        QVERIFY(standIn().script(answer));
        ScriptedMessageBox::clearLastShown();
        ScriptedMessageBox::setNextAnswer(QMessageBox::Cancel);
        NetworkHelper::instance()->queryUserInfo(user->token(), user);
        QTRY_VERIFY(ScriptedMessageBox::lastShown());
        QCOMPARE(user->isLoggedIn(), signedIn);
        UserRecord onDisk;
        UserFile::load(UserFile::path(), onDisk);
        QCOMPARE(onDisk.token.isEmpty(), !signedIn);
        user->signOut();
    }

    void isLoggedIn_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<qint64>("expiry"); // relative to `now`, or absolute 0
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("a second left") << QStringLiteral("t") << qint64(1) << true;
        QTest::newRow("expiry reached") << QStringLiteral("t") << qint64(0) << false;
        QTest::newRow("expired") << QStringLiteral("t") << qint64(-1) << false;
        QTest::newRow("no token") << QString() << qint64(3600) << false;
        QTest::newRow("no expiry") << QStringLiteral("t") << qint64(-1700000000) << false;
    }
    void isLoggedIn()
    {
        QFETCH(QString, token);
        QFETCH(qint64, expiry);
        QFETCH(bool, signedIn);
        const qint64 nowSecs = 1700000000;
        setSignIn(token, nowSecs + expiry);
        const QDateTime now = QDateTime::fromSecsSinceEpoch(nowSecs, Qt::UTC);
        QCOMPARE(User::instance()->isLoggedIn(now), signedIn);
    }

    void serviceLinkBeforeAnyConfiguration_data()
    {
        QTest::addColumn<QString>("serviceBase");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("link");
        const QString base = QStringLiteral("https://kf.example/chat");
        QTest::newRow("signed in")
            << base << true
            << base + QStringLiteral("?c1=Tessaly&c2=%E5%B7%B2%E7%99%BB%E5%BD%95"
                                     "&c3=a%20b~%E5%B0%8F%26-._");
        QTest::newRow("signed out")
            << base << false
            << base + QStringLiteral("?c1=Tessaly&c2=%E6%9C%AA%E7%99%BB%E5%BD%95"
                                     "&c3=%E6%B8%B8%E5%AE%A2");
        QTest::newRow("first run")
            << QString() << false
            << QStringLiteral(TESSALY_CHAT_URL "?c1=Tessaly&c2=%E6%9C%AA%E7%99%BB%E5%BD%95"
                                               "&c3=%E6%B8%B8%E5%AE%A2");
        QTest::newRow("no scheme in the file")
            << QStringLiteral("kf.example/chat") << false
            << QStringLiteral(TESSALY_CHAT_URL "?c1=Tessaly&c2=%E6%9C%AA%E7%99%BB%E5%BD%95"
                                               "&c3=%E6%B8%B8%E5%AE%A2");
    }
    void serviceLinkBeforeAnyConfiguration()
    {
        QFETCH(QString, serviceBase);
        QFETCH(bool, signedIn);
        QFETCH(QString, link);
        QVERIFY(User::instance()->configData().isNull());
        UserRecord r;
        r.serviceBase = serviceBase;
        r.nickname = QStringLiteral("a b~小&-._");
        r.token = QStringLiteral("t");
        r.expireTime = signedIn ? qint32(QDateTime::currentSecsSinceEpoch() + 600) : 0;
        QVERIFY(UserFile::save(UserFile::path(), r));
        User::instance()->loadUserFile();
        QCOMPARE(User::instance()->serviceLink(), link);
    }

    void configurationReply()
    {
        QVERIFY(standIn().reset());
        User *user = User::instance();
        QSignalSpy received(user, &User::configReceived);
        NetworkHelper::instance()->queryConfig(user);
        QVERIFY(received.wait(10000));

        const QString base = standIn().url().toString();
        QCOMPARE(user->serviceBase(), base + QStringLiteral("/kefu"));
        QCOMPARE(user->learningPage(), base + QStringLiteral("/learning"));
        QCOMPARE(user->internationalConfig(), user->configData()[QLatin1String("international")]);
        QCOMPARE(received.first().first().value<QJsonValue>(), user->internationalConfig());
        QVERIFY(user->internationalConfig().isObject());
        QVERIFY(user->serviceLink().startsWith(base + QStringLiteral("/kefu?c1=Tessaly&c2=")));

        // The configuration's address wins over the one in the file from now on.
        user->signOut();
        UserRecord r;
        r.serviceBase = QStringLiteral("https://old.example/");
        QVERIFY(UserFile::save(UserFile::path(), r));
        user->loadUserFile();
        QVERIFY(user->serviceLink().startsWith(base + QStringLiteral("/kefu?c1=")));
    }

    // Without an address the box's OK and the "service" message would open nothing.
    void configurationWithoutUsableChatAddress_data()
    {
        QTest::addColumn<QJsonObject>("data");
        // Both addresses get the same check.
        const auto both = [](const QJsonValue &address) {
            return QJsonObject{{"kefu", address}, {"learningPage", address}};
        };
        QTest::newRow("missing") << QJsonObject();
        QTest::newRow("empty") << both("");
        QTest::newRow("relative") << both("/kefu");
        QTest::newRow("no host") << both("https:///kefu");
        QTest::newRow("local file") << both("file:///etc/passwd");
        QTest::newRow("script") << both("javascript:alert(1)");
        QTest::newRow("not text") << both(17);
    }
    void configurationWithoutUsableChatAddress()
    {
        QFETCH(QJsonObject, data);
        QVERIFY(standIn().reset());
        QVERIFY(
            standIn().script({{"path", "/api/driver/config/query"}, {"code", 1}, {"data", data}}));
        User *user = User::instance();
        QSignalSpy received(user, &User::configReceived);
        NetworkHelper::instance()->queryConfig(user);
        QVERIFY(received.wait(10000));
        QVERIFY(user->serviceBase().isEmpty());
        QCOMPARE(user->learningPage(), QStringLiteral(TESSALY_TUTORIAL_URL));
        QCOMPARE(
            user->serviceLink(),
            QStringLiteral(TESSALY_CHAT_URL
                           "?c1=Tessaly&c2=%E6%9C%AA%E7%99%BB%E5%BD%95&c3=%E6%B8%B8%E5%AE%A2"));
    }

    void failedConfigurationShowsTheErrorBoxOverTheWindow()
    {
        QVERIFY(standIn().reset());
        QVERIFY(standIn().script({{"path", "/api/driver/config/query"},
                                  {"code", 3},
                                  {"msg", QStringLiteral("维护中")}}));
        User *user = User::instance();
        const QJsonValue before = user->configData();
        QWidget window;
        user->setErrorBoxParent(&window);
        QSignalSpy received(user, &User::configReceived);
        ScriptedMessageBox::clearLastShown();
        ScriptedMessageBox::setNextAnswer(QMessageBox::Cancel);
        NetworkHelper::instance()->queryConfig(user);
        QTRY_VERIFY(ScriptedMessageBox::lastShown());
        QCOMPARE(ScriptedMessageBox::lastShown()->text,
                 QStringLiteral("请求:获取配置错误。错误码:3, 释义: 维护中, 是否联系客服处理？: "));
        QCOMPARE(ScriptedMessageBox::lastShown()->parent, &window);
        // The service's words are shown as text, links and all.
        QCOMPARE(ScriptedMessageBox::lastShown()->textFormat, Qt::PlainText);
        QCOMPARE(received.count(), 0);
        QCOMPARE(user->configData(), before);
        user->setErrorBoxParent(nullptr);
    }
};

namespace {

// What the library itself makes of a text with the widget's settings.
QByteArray libraryMatrix(const QByteArray &text, int *width = nullptr)
{
    QRcode *code = QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_L, QR_MODE_8, 1);
    if (!code)
        return QByteArray();
    QByteArray m(reinterpret_cast<const char *>(code->data), code->width * code->width);
    if (width)
        *width = code->width;
    QRcode_free(code);
    return m;
}

QVector<DrawnRect> paintCode(const QtQrCode &code, int w, int h, float margin)
{
    PaintRecorder device(w, h);
    QtQrCodePainter painter;
    painter.setMargin(margin);
    QPainter p(&device);
    painter.paint(code, p, w, h);
    p.end();
    return device.rects();
}

QtQrCode widgetCode(const QByteArray &text)
{
    QtQrCode code;
    code.setVersion(0);
    code.setMode(QtQrCode::Text8Bit);
    code.setLevel(QtQrCode::LevelL);
    code.setData(text);
    return code;
}

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

const QByteArray kAddress = "http://127.0.0.1:18080/qr/abcdef"; // version 2: 25 modules

} // namespace

class TestQrCode final : public QObject {
    Q_OBJECT

private slots:
    void matrixIsTheLibrarys_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("micro");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("address") << 1 << false << kAddress;
        QTest::newRow("utf-8 text") << 1 << false << QStringLiteral("扫码登录 Tessaly").toUtf8();
        QTest::newRow("raw bytes with NUL") << 0 << false << QByteArray("a\0b\xff", 4);
        QTest::newRow("kanji hint") << 2 << false << QByteArray("\x93\xfa\x96\x7b"); // Shift-JIS
        QTest::newRow("micro text") << 1 << true << QByteArray("12345");
        QTest::newRow("micro raw") << 0 << true << QByteArray("ab");
    }
    void matrixIsTheLibrarys()
    {
        QFETCH(int, mode);
        QFETCH(bool, micro);
        QFETCH(QByteArray, text);
        QtQrCode code;
        code.setMode(mode);
        code.setMicro(micro);
        code.setLevel(QtQrCode::LevelM);
        code.setData(text);

        QRcode *expected = nullptr;
        const auto *bytes = reinterpret_cast<const unsigned char *>(text.constData());
        if (mode == 0) {
            expected = micro ? QRcode_encodeDataMQR(text.size(), bytes, 0, QR_ECLEVEL_M)
                             : QRcode_encodeData(text.size(), bytes, 0, QR_ECLEVEL_M);
        } else {
            const QRencodeMode hint = mode == 1 ? QR_MODE_8 : QR_MODE_KANJI;
            expected = micro ? QRcode_encodeStringMQR(text.constData(), 0, QR_ECLEVEL_M, hint, 1)
                             : QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_M, hint, 1);
        }
        QVERIFY(expected);
        QVERIFY(code.hasMatrix());
        QCOMPARE(code.width(), expected->width);
        QCOMPARE(code.data(), QByteArray(reinterpret_cast<const char *>(expected->data),
                                         expected->width * expected->width));
        QRcode_free(expected);
    }

    void copiesShareUntilWritten()
    {
        const QtQrCode a = widgetCode("first");
        QtQrCode b = a;
        QCOMPARE(b.data(), a.data());
        b.setData("second, a longer text than the first one was");
        QCOMPARE(a.data(), widgetCode("first").data());
        QVERIFY(b.data() != a.data());
        QVERIFY(b.width() > a.width());
    }

    void refusedTextKeepsWidthAndBuffersTheText()
    {
        QtQrCode code = widgetCode("A");
        QCOMPARE(code.width(), 21);
        code.setMicro(true);
        const QByteArray tooLong = "this text does not fit into any micro code";
        code.setData(tooLong);
        QCOMPARE(code.width(), 21);
        QCOMPARE(code.data(), tooLong);
        QVERIFY(!code.hasMatrix());
        // The buffer is shorter than 21 x 21: nothing may be drawn from it.
        QVERIFY(paintCode(code, 138, 138, 3).isEmpty());
    }

    void geometryOfTheSignInCode()
    {
        int n = 0;
        const QByteArray matrix = libraryMatrix(kAddress, &n);
        QCOMPARE(n, 25);
        const QVector<DrawnRect> drawn = paintCode(widgetCode(kAddress), 138, 138, 3);
        QVERIFY(!drawn.isEmpty());

        // The square is filled with the background first, clipped to itself.
        const QRectF square(0, 0, 138, 138);
        QCOMPARE(drawn[0].rect, square);
        QCOMPARE(drawn[0].brush, QBrush(Qt::white));
        QCOMPARE(drawn[0].clip, square);

        const float m = 5.28f;
        QVector<QRectF> expected;
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                if (matrix[r * n + c] & 1)
                    expected << QRectF(float(c) * m + 3.0f, float(r) * m + 3.0f, m, m);
        QCOMPARE(drawn.size() - 1, expected.size());
        for (int i = 1; i < drawn.size(); ++i) {
            QCOMPARE(drawn[i].rect, expected[i - 1]);
            QCOMPARE(drawn[i].brush, QBrush(Qt::black));
        }
        // The finder pattern's corner module starts 3 px from the top-left corner.
        QCOMPARE(drawn[1].rect.topLeft(), QPointF(3, 3));
        QCOMPARE(float(drawn[1].rect.width()), 5.28f);
        // and the last column ends on the far margin.
        QCOMPARE(float(float(n) * m + 3.0f), 135.0f);
    }

    void largestCentredSquare_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRectF>("square");
        QTest::newRow("square") << QSize(138, 138) << QRectF(0, 0, 138, 138);
        QTest::newRow("wide") << QSize(300, 100) << QRectF(100, 0, 100, 100);
        QTest::newRow("tall") << QSize(100, 300) << QRectF(0, 100, 100, 100);
        QTest::newRow("half pixel") << QSize(101, 100) << QRectF(0.5, 0, 100, 100);
    }
    void largestCentredSquare()
    {
        QFETCH(QSize, size);
        QFETCH(QRectF, square);
        const QVector<DrawnRect> drawn =
            paintCode(widgetCode(kAddress), size.width(), size.height(), 2);
        QCOMPARE(drawn[0].rect, square);
        QCOMPARE(drawn[0].clip, square);
        const float m = float((square.width() - 4.0) / 25);
        QCOMPARE(drawn[1].rect, QRectF(float(square.x()) + 2.0f, float(square.y()) + 2.0f, m, m));
    }

    void setDataEncodesRepaintsAndAnnounces()
    {
        QtQrCodeWidget w;
        w.resize(138, 138);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        PaintCounter paints(&w);
        QSignalSpy changed(&w, &QtQrCodeWidget::dataChanged);

        // The empty text while empty: the same bytes, nothing happens.
        w.setData(QByteArray());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(paints.count, 0);

        w.setData(kAddress);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(paints.count, 1); // repainted at once
        QCOMPARE(w.data(), libraryMatrix(kAddress));
        QCOMPARE(changed.last().first().toByteArray(), w.data());

        // The buffer now holds the matrix, so the same text is encoded afresh.
        w.setData(kAddress);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(paints.count, 2);
        // The matrix bytes themselves are what the buffer holds: nothing happens.
        w.setData(w.data());
        QCOMPARE(changed.count(), 2);

        w.setProperty("data", QByteArray());
        QCOMPARE(changed.count(), 3);
        QVERIFY(w.data().isEmpty());
    }

    void widgetShowsTheCodeOrNothing()
    {
        QtQrCodeWidget w;
        w.resize(138, 138);
        const QColor marker(255, 0, 255);
        const auto render = [&] {
            QImage image(138, 138, QImage::Format_RGB32);
            image.fill(marker);
            w.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
            return image;
        };
        QImage image = render();
        QCOMPARE(image.pixelColor(69, 69), marker);
        QCOMPARE(image.pixelColor(1, 1), marker);

        w.setMargin(3);
        w.setData(kAddress);
        image = render();
        QCOMPARE(image.pixelColor(1, 1), QColor(Qt::white));   // quiet zone
        QCOMPARE(image.pixelColor(5, 5), QColor(Qt::black));   // finder pattern
        QCOMPARE(image.pixelColor(136, 5), QColor(Qt::white)); // right quiet zone

        w.setData(QByteArray());
        image = render();
        QCOMPARE(image.pixelColor(1, 1), marker);
        QCOMPARE(image.pixelColor(5, 5), marker);
    }

    void marginAndColours()
    {
        QtQrCodeWidget w;
        QSignalSpy margin(&w, &QtQrCodeWidget::marginChanged);
        QSignalSpy background(&w, &QtQrCodeWidget::backgroundChanged);
        QSignalSpy foreground(&w, &QtQrCodeWidget::foregroundChanged);

        w.setMargin(3.5f);
        QCOMPARE(margin.count(), 1);
        QCOMPARE(margin.last().first().toInt(), 3);
        w.setMargin(3.5f);
        QCOMPARE(margin.count(), 1);
        QCOMPARE(w.margin(), 3.5f);

        w.setBackground(Qt::white);
        QCOMPARE(background.count(), 0);
        w.setBackground(QColor(QStringLiteral("#eeeeee")));
        QCOMPARE(background.count(), 1);
        QCOMPARE(background.last().first().value<QBrush>(),
                 QBrush(QColor(QStringLiteral("#eeeeee"))));
        w.setForeground(Qt::black);
        QCOMPARE(foreground.count(), 0);
        w.setProperty("foreground", QColor(Qt::darkBlue));
        QCOMPARE(foreground.count(), 1);
        QCOMPARE(w.foreground(), QColor(Qt::darkBlue));
    }
};

class TestUserInfoWidget final : public QObject {
    Q_OBJECT

private:
    template <typename T> static T *child(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QString::fromLatin1(name));
        return c;
    }

private slots:
    void cleanup()
    {
        QFile::remove(UserFile::path());
        User::instance()->loadUserFile();
    }

    void nicknameLine_data()
    {
        QTest::addColumn<QString>("nickname");
        QTest::addColumn<bool>("isPhone");
        QTest::addColumn<QString>("line");
        QTest::newRow("messenger") << QStringLiteral("abc") << false << QStringLiteral("微信: abc");
        QTest::newRow("phone") << QStringLiteral("13800000000") << true
                               << QStringLiteral("手机号: 13800000000");
        QTest::newRow("chinese") << QStringLiteral("小明同学") << false
                                 << QStringLiteral("微信: 小明同学");
        QTest::newRow("empty") << QString() << false << QStringLiteral("微信: ");
    }
    void nicknameLine()
    {
        QFETCH(QString, nickname);
        QFETCH(bool, isPhone);
        QFETCH(QString, line);
        UserInfoWidget popup;
        popup.setNickname(nickname, isPhone);
        QLabel *label = child<QLabel>(popup, "accountLabel");
        QCOMPARE(label->text(), line);
        // Measured with the style sheet's 12 px font, even though never shown.
        QCOMPARE(label->font().pixelSize(), 12);
        const int expected = QFontMetrics(label->font()).boundingRect(line).width() + 21;
        QCOMPARE(label->minimumWidth(), expected);
        QCOMPARE(label->maximumWidth(), expected);
    }

    void userIdLine_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << QStringLiteral("(ID: 0)");
        QTest::newRow("typical") << 1234567 << QStringLiteral("(ID: 1234567)");
        QTest::newRow("negative") << -5 << QStringLiteral("(ID: -5)");
    }
    void userIdLine()
    {
        QFETCH(int, id);
        QFETCH(QString, text);
        UserInfoWidget popup;
        popup.SetUserIDLbl(id);
        QCOMPARE(child<QLabel>(popup, "idLabel")->text(), text);
    }

    void headerImages()
    {
        UserInfoWidget popup;
        QLabel *avatar = child<QLabel>(popup, "avatarLabel");
        popup.setHeaderImage(QStringLiteral(":/img/defaultHead.png"));
        QCOMPARE(avatar->pixmap(Qt::ReturnByValue).size(), QSize(64, 64)); // from a path: unscaled

        QPixmap wide(80, 40);
        wide.fill(Qt::red);
        popup.ensurePolished();
        popup.setHeaderImage(wide);
        QCOMPARE(avatar->pixmap(Qt::ReturnByValue).size(),
                 QSize(40, 20)); // fitted, proportions kept

        popup.setHeaderImage(QStringLiteral(":img/defaultHeadimg.png"));
        QCOMPARE(avatar->pixmap(Qt::ReturnByValue).size(), QSize(40, 40));
    }

    void signOutClearsSavesAnnouncesAndHides()
    {
        UserRecord r = fullRecord();
        r.expireTime = qint32(QDateTime::currentSecsSinceEpoch() + 600);
        QVERIFY(UserFile::save(UserFile::path(), r));
        User *user = User::instance();
        user->loadUserFile();
        QVERIFY(user->isLoggedIn());

        UserInfoWidget popup;
        popup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        QSignalSpy updates(user, qOverload<bool>(&User::update));
        QTest::mouseClick(child<QPushButton>(popup, "signOutButton"), Qt::LeftButton);

        QVERIFY(!popup.isVisible());
        QCOMPARE(updates.count(), 1);
        QCOMPARE(updates.first().first().toBool(), false);
        QVERIFY(!user->isLoggedIn());
        QVERIFY(user->nickname().isEmpty() && user->token().isEmpty());
        QCOMPARE(user->userId(), 0);
        QCOMPARE(user->saveFolder(), r.saveFolder);
        UserRecord onDisk;
        QCOMPARE(UserFile::load(UserFile::path(), onDisk), UserFile::LoadResult::Complete);
        QVERIFY(onDisk.token.isEmpty());
        QCOMPARE(onDisk.expireTime, 0);
        QCOMPARE(onDisk.serviceBase, r.serviceBase);
        QCOMPARE(imageOf(onDisk.avatar), imageOf(r.avatar));
    }
};

namespace {

// Answers warning boxes of `owner` with OK as soon as they show, and keeps
// what they said.
class BoxAnswerer final : public QObject {
public:
    explicit BoxAnswerer(QWidget *owner, QMessageBox::StandardButton answer = QMessageBox::Ok)
        : m_owner(owner)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, answer] {
            for (QMessageBox *box : m_owner->findChildren<QMessageBox *>()) {
                if (!box->isVisible())
                    continue;
                titles << box->windowTitle();
                texts << box->text();
                icons << box->icon();
                box->button(answer)->click();
            }
        });
        m_timer.start(10);
    }
    QStringList titles;
    QStringList texts;
    QList<QMessageBox::Icon> icons;

private:
    QWidget *m_owner;
    QTimer m_timer;
};

const QString kPollPath = QStringLiteral("/api/driverwechat/index/querylogin");
const QString kCodePath = QStringLiteral("/api/driverwechat/index/createloginqrcode");

} // namespace

class TestLoginWidget final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoginWidget> dialog;

    template <typename T> T *part(const char *name) const
    {
        return dialog->findChild<T *>(QString::fromLatin1(name));
    }
    QtQrCodeWidget *qr() const { return part<QtQrCodeWidget>("qrWidget"); }
    QPushButton *overlay() const { return part<QPushButton>("refreshButton"); }
    QLabel *animation() const { return part<QLabel>("scanAnimation"); }
    QTimer *pollTimer() const { return part<QTimer>("pollTimer"); }
    QTimer *expiryTimer() const { return part<QTimer>("expiryTimer"); }
    bool timersRunning() const
    {
        return pollTimer() && pollTimer()->isActive() && expiryTimer() && expiryTimer()->isActive();
    }
    bool timersStopped() const
    {
        return (!pollTimer() || !pollTimer()->isActive()) &&
               (!expiryTimer() || !expiryTimer()->isActive());
    }
    bool codeShown() const { return !qr()->data().isEmpty() && !animation()->isVisible(); }

    // The tickets of the polls the service received, oldest first.
    QStringList polledTickets()
    {
        QStringList tickets;
        for (const QJsonValue &request : standIn().log(kPollPath)) {
            for (const QJsonValue &item : request[QLatin1String("query")].toArray()) {
                if (item[0].toString() == QLatin1String("ticket"))
                    tickets << item[1].toString();
            }
        }
        return tickets;
    }
    QUrl scanAddress(const QString &ticket) const
    {
        return standIn().url().resolved(QUrl(QStringLiteral("/login/scan?ticket=") + ticket));
    }
    QByteArray matrixOf(const QUrl &address) const
    {
        QtQrCode code;
        code.setData(address.toString().toUtf8());
        return code.data();
    }

    // Runs exec(); `steps` drive the open dialog from inside its modal loop.
    // Whatever happens in them, the dialog is closed afterwards.
    int execDriven(const std::function<void()> &steps)
    {
        QTimer::singleShot(0, dialog.get(), [this, steps] {
            steps();
            if (dialog->isVisible())
                dialog->reject();
        });
        return dialog->exec();
    }

private slots:
    void init()
    {
        QVERIFY(standIn().reset());
        QFile::remove(UserFile::path());
        User::instance()->loadUserFile();
        dialog = std::make_unique<LoginWidget>();
        dialog->setPollInterval(100);
    }
    void cleanup()
    {
        // Replies still on their way name the dialog as their handler.
        QTRY_COMPARE(RequestName::liveCount(), 0);
        dialog.reset();
    }

    void lookAsWritten()
    {
        QCOMPARE(dialog->size(), QSize(442, 502));
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->layout()->contentsMargins(), QMargins(1, 1, 1, 1));
        QCOMPARE(part<QLabel>("badgeLabel")->geometry(), QRect(317, 125, 60, 28));
        QCOMPARE(part<QLabel>("dotLine")->geometry(), QRect(88, 373, 264, 2));
        QCOMPARE(qr()->margin(), 3.0f);
        QCOMPARE(animation()->movie()->state(), QMovie::Running);

        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QCOMPARE(part<QWidget>("qrFrame")->size(), QSize(188, 188));
        QCOMPARE(qr()->geometry(), QRect(25, 25, 138, 138));
        QCOMPARE(overlay()->geometry(), QRect(0, 0, 138, 138)); // covers the code
        QCOMPARE(animation()->geometry(), QRect(0, 0, 188, 188));
        dialog->hide();

        // The statistics ping for the sign-in page went out once, at construction.
        QTRY_COMPARE(standIn().pingCounts().value(QStringLiteral("login_page")).toInt(), 1);
    }

    void signInByScanningTheCode()
    {
        QSignalSpy updates(User::instance(), qOverload<bool>(&User::update));
        const int result = execDriven([this] {
            // Fetching: the animation, no code, no overlay.
            QVERIFY(animation()->isVisible());
            QVERIFY(!overlay()->isVisible());
            QVERIFY(qr()->data().isEmpty());

            QTRY_VERIFY(codeShown());
            QVERIFY(timersRunning());
            QCOMPARE(pollTimer()->interval(), 100);
            QCOMPARE(expiryTimer()->interval(), 300 * 1000);
            // Waiting answers (1002) change nothing; polling goes on.
            QTRY_VERIFY(polledTickets().size() >= 3);
            QVERIFY(!overlay()->isVisible());
            QVERIFY(dialog->isVisible());
            QVERIFY(timersRunning());
            const QString ticket = polledTickets().first();
            QCOMPARE(qr()->data(), matrixOf(scanAddress(ticket)));

            // The phone follows the code's address.
            QCOMPARE(scanWithPhone(scanAddress(ticket)), 200);
            QTRY_VERIFY(!dialog->isVisible());
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(standIn().log(kCodePath).size(), 1);
        QCOMPARE(standIn().log(kCodePath).first()[QLatin1String("method")].toString(),
                 QStringLiteral("POST"));
        QVERIFY(timersStopped());
        QCOMPARE(overlay()->text(), QStringLiteral("登录成功\n点击刷新"));
        User *user = User::instance();
        QVERIFY(user->isLoggedIn());
        QCOMPARE(user->nickname(), QStringLiteral("测试用户"));
        QCOMPARE(user->userId(), 10001);
        QCOMPARE(updates.count(), 1);
        UserRecord onDisk;
        QCOMPARE(UserFile::load(UserFile::path(), onDisk), UserFile::LoadResult::Complete);
        QCOMPARE(onDisk.token, user->token());

        // Opening again starts clean: no overlay, no old code, a fresh request.
        const int again = execDriven([this] {
            QVERIFY(!overlay()->isVisible());
            QVERIFY(qr()->data().isEmpty());
            QVERIFY(animation()->isVisible());
            QTRY_VERIFY(codeShown());
            QTest::mouseClick(part<QPushButton>("closeButton"), Qt::LeftButton);
        });
        QCOMPARE(again, int(QDialog::Rejected));
        QCOMPARE(standIn().log(kCodePath).size(), 2);
        QCOMPARE(standIn().pingCounts().value(QStringLiteral("login_page")).toInt(), 1);
    }

    void statusAnswers_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("msg");
        QTest::addColumn<QString>("overlayText");
        QTest::newRow("expired") << 1001 << QStringLiteral("二维码已过期")
                                 << QStringLiteral("二维码已失效\n点击刷新");
        QTest::newRow("failed") << 0 << QStringLiteral("扫码失败，请重试")
                                << QStringLiteral("二维码出异常\n点击刷新");
        QTest::newRow("other") << 7 << QStringLiteral("?")
                               << QStringLiteral("二维码其他问题\n点击刷新");
    }
    void statusAnswers()
    {
        QFETCH(int, code);
        QFETCH(QString, msg);
        QFETCH(QString, overlayText);
        QVERIFY(standIn().script({{"path", kPollPath}, {"code", code}, {"msg", msg}}));
        BoxAnswerer boxes(dialog.get());
        const int result = execDriven([&] {
            QTRY_VERIFY(overlay()->isVisible());
            QCOMPARE(overlay()->text(), overlayText);
            QVERIFY(timersStopped());
            QVERIFY(dialog->isVisible());
            QVERIFY(codeShown());
            QTest::mouseClick(part<QPushButton>("closeButton"), Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!User::instance()->isLoggedIn());
        if (code == 0) {
            QCOMPARE(boxes.texts, QStringList{msg});
            QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
            QCOMPARE(boxes.icons.value(0), QMessageBox::Warning);
        } else {
            QVERIFY(boxes.texts.isEmpty());
        }
    }

    void expiryShowsTheOverlayWhilePollingGoesOnAndRefreshStartsAgain()
    {
        QVERIFY(setExpireSeconds(1));
        // The service keeps answering "waiting" past the code's lifetime.
        QVERIFY(standIn().script({{"path", kPollPath}, {"code", 1002}, {"times", 100000}}));
        const int result = execDriven([this] {
            QTRY_VERIFY(codeShown());
            QCOMPARE(expiryTimer()->interval(), 1000);
            QVERIFY(!overlay()->isVisible());
            QTRY_VERIFY(overlay()->isVisible());
            QCOMPARE(overlay()->text(), QStringLiteral("二维码已失效\n点击刷新"));
            QVERIFY(timersRunning());
            const int polls = polledTickets().size();
            QTRY_VERIFY(polledTickets().size() > polls + 2);
            const QString oldTicket = polledTickets().last();
            const QByteArray oldCode = qr()->data();

            // Refresh: a new code with its own lifetime and ticket.
            QVERIFY(setExpireSeconds(120));
            QTest::mouseClick(overlay(), Qt::LeftButton);
            QVERIFY(!overlay()->isVisible());
            QVERIFY(animation()->isVisible());
            QTRY_VERIFY(codeShown());
            QVERIFY(qr()->data() != oldCode);
            QVERIFY(timersRunning());
            QCOMPARE(expiryTimer()->interval(), 120 * 1000);
            QVERIFY(expiryTimer()->remainingTime() > 100 * 1000);
            QTRY_VERIFY(polledTickets().last() != oldTicket);
            const QString newTicket = polledTickets().last();
            QCOMPARE(qr()->data(), matrixOf(scanAddress(newTicket)));
            const int before = polledTickets().size();
            QTRY_VERIFY(polledTickets().size() > before + 1);
            QCOMPARE(polledTickets().last(), newTicket);
            QVERIFY(!overlay()->isVisible());

            QTest::mouseClick(part<QPushButton>("closeButton"), Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(timersStopped());
        QCOMPARE(standIn().log(kCodePath).size(), 2);
    }

    void zeroLifetimeCountsAsExpired()
    {
        QVERIFY(setExpireSeconds(0));
        QVERIFY(standIn().script({{"path", kPollPath}, {"code", 1002}, {"times", 100000}}));
        const int result = execDriven([this] {
            QTRY_VERIFY(codeShown());
            QVERIFY(overlay()->isVisible());
            QCOMPARE(overlay()->text(), QStringLiteral("二维码已失效\n点击刷新"));
            QVERIFY(!expiryTimer()->isActive());
            QVERIFY(pollTimer()->isActive());
        });
        QCOMPARE(result, int(QDialog::Rejected));
    }

    void anOutageEndsInOneErrorBox()
    {
        // Every poll hangs past the service time-out, which is longer than the poll period.
        NetworkHelper::instance()->setServiceTimeout(400);
        QVERIFY(standIn().script({{"path", kPollPath}, {"delay_ms", 5000}, {"times", 1000}}));
        BoxAnswerer boxes(dialog.get(), QMessageBox::Cancel);
        const int result = execDriven([&] {
            QTRY_COMPARE_WITH_TIMEOUT(boxes.texts.size(), 1, 10000);
            QVERIFY(boxes.texts.first().startsWith(QStringLiteral("请求:获取登录状态。")));
            // Whatever was still on its way has ended by now.
            QTRY_COMPARE_WITH_TIMEOUT(RequestName::liveCount(), 0, 10000);
            QCOMPARE(boxes.texts.size(), 1);
            QCOMPARE(polledTickets().size(), 1);
            QVERIFY(timersStopped());
        });
        NetworkHelper::instance()->setServiceTimeout(30000);
        QCOMPARE(result, int(QDialog::Rejected));
    }

    void failuresEndInTheErrorBox_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("script");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("codeWasShown");
        QTest::newRow("code refused")
            << kCodePath << QJsonObject{{"code", 0}, {"msg", QStringLiteral("繁忙")}}
            << QStringLiteral("请求:获取登录二维码。错误码:0, 释义: 繁忙, 是否联系客服处理？: ")
            << false;
        QTest::newRow("code transport")
            << kCodePath << QJsonObject{{"status", 500}}
            << QStringLiteral("请求:获取登录二维码。错误码:401") << false;
        QTest::newRow("poll transport") << kPollPath << QJsonObject{{"status", 500}}
                                        << QStringLiteral("请求:获取登录状态。错误码:401") << true;
    }
    void failuresEndInTheErrorBox()
    {
        QFETCH(QString, path);
        QFETCH(QJsonObject, script);
        QFETCH(QString, text);
        QFETCH(bool, codeWasShown);
        script.insert(QStringLiteral("path"), path);
        QVERIFY(standIn().script(script));
        ScriptedMessageBox::clearLastShown();
        ScriptedMessageBox::setNextAnswer(QMessageBox::Cancel);
        const int result = execDriven([&] {
            QTRY_VERIFY(ScriptedMessageBox::lastShown());
            QVERIFY(ScriptedMessageBox::lastShown()->text.startsWith(text));
            QCOMPARE(ScriptedMessageBox::lastShown()->parent, dialog.get());
            QVERIFY(timersStopped());
            // No overlay to click; the frame keeps what it showed.
            QVERIFY(!overlay()->isVisible());
            QCOMPARE(codeShown(), codeWasShown);
            QCOMPARE(animation()->isVisible(), !codeWasShown);
        });
        QCOMPARE(result, int(QDialog::Rejected));
    }
};

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Aldmere"));
    QCoreApplication::setApplicationName(QStringLiteral("MorvaneTessalite"));
    QApplication app(argc, argv);
    if (!standIn().start()) {
        qCritical("The stand-in service did not start");
        return 1;
    }
    qputenv("TESSALY_SERVICE_URL", standIn().url().toString().toUtf8());
    qputenv("TESSALY_STATISTICS_URL", standIn().url().toString().toUtf8());
    int status = 0;
    {
        TestUser t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TestQrCode t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TestUserInfoWidget t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TestLoginWidget t;
        status |= QTest::qExec(&t, argc, argv);
    }
    if (!standIn().stop())
        status |= 1;
    return status;
}

#include "tst_account.moc"
