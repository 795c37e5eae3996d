// The transfer of a download against servers and machines that misbehave:
// bodies cut short (compressed ones too) or shorter than the catalogue says,
// servers that stall or never answer, a download killed mid-way and started
// again, a replacement that fails while the earlier file waits, resumed
// downloads, a redirect to an address without a file name, and the publisher
// check of signed, unsigned and tampered installers.

#include "base/scriptedmessagebox.h"
#include "fakewke.h"
#include "signedinstallers.h"
#include "standin.h"
#include "testenvironment.h"

#include "downloads/authenticode.h"
#include "downloads/downloaderobj.h"
#include "downloads/downloaderobjmanager.h"
#include "downloads/downloadfilename.h"
#include "downloads/publishercheck.h"
#include "downloads/savefolder.h"
#include "webui/mainwindowref.h"
#include "webui/miniblinkdialog.h"
#include "webui/pagedownloads.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <memory>

using V = FakeValue;

namespace {

const char kChildOption[] = "--download-until-killed";
const QString kStalled = QStringLiteral("下载停滞：长时间没有收到任何数据");
const QString kFailed = QStringLiteral("下载过程发生了错误");

QString headerValue(const QJsonValue &entry, const QString &name)
{
    for (const QJsonValue &pair : entry[QLatin1String("headers")].toArray()) {
        if (pair[0].toString().compare(name, Qt::CaseInsensitive) == 0)
            return pair[1].toString();
    }
    return QString();
}

// An address on this machine where nothing listens: the network is "off".
QString offlineAddress(const QString &path)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

// The second process of killedMidDownloadThenStartedAgain: downloads through
// the page's "Down" like the window does and prints how far it got, until
// it is killed.
int downloadUntilKilled(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    FakeWke &wke = FakeWke::instance();
    wke.install();
    wke.pageAnswers["progressCbkByCpp"] = V::boolean(true);
    MiniblinkDialog window;
    setMainWindow(&window);
    storeSaveFolder(QString::fromLocal8Bit(argv[3]));
    wke.call("Down", {V::string(QString::fromLocal8Bit(argv[2])), V::string(QString()),
                      V::string(QString()), V::string(QStringLiteral("driver"))});
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&wke] {
        for (auto call = wke.pageCalls.rbegin(); call != wke.pageCalls.rend(); ++call) {
            if (call->name == "progressCbkByCpp") {
                std::printf("received %d\n", call->args.at(0).value.toInt());
                std::fflush(stdout);
                break;
            }
        }
    });
    report.start(20);
    return app.exec();
}

} // namespace

class TestTransfers final : public QObject {
    Q_OBJECT

private:
    FakeWke &wke = FakeWke::instance();
    QTemporaryDir m_home;
    PrivateBus m_bus;
    std::unique_ptr<StandIn> m_standIn;
    LocalServer m_local;
    // "Show in folder" lands here, never in the desktop of whoever runs the tests.
    FileManagerDouble m_fileManager;
    UrlRecorder m_urls;
    std::unique_ptr<MiniblinkDialog> m_window;
    QString m_folder;
    SignedInstallers m_installers;
    bool m_installersMade = false;
    QHash<QString, QByteArray> m_kinds;
    QTcpServer m_silent;
    QTemporaryDir m_tools;

    // Runs the publisher checks through the stand-in tool of m_tools.
    void useSlowChecks(const QString &flag)
    {
        writeFile(m_tools.filePath(flag), "");
        qputenv("PATH", QFile::encodeName(m_tools.path()) + ':' + qgetenv("PATH"));
    }
    void useRealChecks()
    {
        QFile::remove(m_tools.filePath(QStringLiteral("hold")));
        QFile::remove(m_tools.filePath(QStringLiteral("slow")));
        QFile::remove(m_tools.filePath(QStringLiteral("slowed")));
        qputenv("PATH", qgetenv("PATH").mid(QFile::encodeName(m_tools.path()).size() + 1));
    }
    std::vector<FakeValue> publisherReport(const QString &file, const QString &verdict,
                                           const QString &signer) const
    {
        return {V::string(file), V::string(verdict), V::string(signer)};
    }

    std::vector<PageCall> pageCalls(const std::string &name) const
    {
        std::vector<PageCall> calls;
        for (const PageCall &c : wke.pageCalls) {
            if (c.name == name)
                calls.push_back(c);
        }
        return calls;
    }
    bool waitForFinish(int msecs = 20000)
    {
        return QTest::qWaitFor([this] { return !pageCalls("finishCbkByCpp").empty(); }, msecs);
    }
    std::vector<FakeValue> finishReport() const
    {
        const auto calls = pageCalls("finishCbkByCpp");
        return calls.size() == 1 ? calls.front().args : std::vector<FakeValue>();
    }
    static std::vector<FakeValue> report(int code, const QString &path, const QString &message)
    {
        return {V::number(code), V::string(path), V::string(message)};
    }
    // The page's "Down" with the catalogue's size as its second argument.
    int down(const QString &url, const QString &size = QString(),
             const QString &name = QStringLiteral("driver"))
    {
        wke.pageCalls.clear();
        return wke
            .call("Down", {V::string(url), V::string(size), V::string(QStringLiteral("third")),
                           V::string(name)})
            .value.toInt();
    }
    QString served(const QString &pathAndQuery) const
    {
        return m_standIn->url().toString() + pathAndQuery;
    }
    QString target(const QString &name) const { return m_folder + QLatin1Char('/') + name; }
    QString partOf(const QString &name, const QString &url) const
    {
        return target(DownloadFileName::partName(name, url));
    }
    QStringList filesInFolder() const { return QDir(m_folder).entryList(QDir::Files); }
    DownloaderObjManager *manager() { return PageDownloads::managerOf(m_window.get()); }
    // Progress reports the page received with these counts.
    int reportsOf(int received, int total) const
    {
        int count = 0;
        for (const PageCall &call : pageCalls("progressCbkByCpp"))
            count += call.args == std::vector<FakeValue>{V::number(received), V::number(total)};
        return count;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY(m_bus.start());
        QVERIFY(m_fileManager.registerOnBus());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_urls, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_urls, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_urls, "open");
        m_standIn = std::make_unique<StandIn>();
        QVERIFY(m_standIn->start());
        qputenv("TESSALY_SERVICE_URL", m_standIn->url().toString().toUtf8());
        qputenv("TESSALY_STATISTICS_URL", m_standIn->url().toString().toUtf8());
        m_installersMade = m_installers.make();
        // A revocation list server that takes connections and never answers.
        QVERIFY(m_silent.listen(QHostAddress::LocalHost));
        if (m_installersMade) {
            m_kinds = {
                {"signed", m_installers.signedExe},
                {"unsigned", m_installers.unsignedExe},
                {"tampered", m_installers.tamperedExe},
                {"cn-spoof",
                 m_installers.signedBy(QStringLiteral("/O=Evil/CN=Evil\\/CN=NVIDIA Corporation"))},
                {"ou-spoof", m_installers.signedBy(
                                 QStringLiteral("/CN=Evil Signer/OU=x\\/CN=NVIDIA Corporation"))},
                {"crl", m_installers.signedBy(
                            "/CN=" + SignedInstallers::signer(),
                            QStringLiteral("crlDistributionPoints=URI:http://127.0.0.1:%1/root.crl")
                                .arg(m_silent.serverPort()))},
            };
        }
        // Stands in for osslsigncode where a check must take long: "hold"
        // never ends it, "slow" delays it.
        const QString real = QStandardPaths::findExecutable(QStringLiteral("osslsigncode"));
        writeFile(m_tools.filePath(QStringLiteral("osslsigncode")),
                  "#!/bin/sh\n"
                  "if [ \"$1\" = verify ]; then\n"
                  "  [ -e \"$(dirname \"$0\")/hold\" ] && exec sleep 60\n"
                  "  [ -e \"$(dirname \"$0\")/slow\" ] && touch \"$(dirname \"$0\")/slowed\" "
                  "&& sleep 3\n"
                  "fi\n"
                  "exec '" +
                      real.toUtf8() + "' \"$@\"\n");
        QFile::setPermissions(m_tools.filePath(QStringLiteral("osslsigncode")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void cleanupTestCase() { QVERIFY(m_standIn->stop()); }

    void init()
    {
        QVERIFY(m_standIn->reset());
        wke.install();
        wke.pageAnswers["progressCbkByCpp"] = V::boolean(true);
        m_window = std::make_unique<MiniblinkDialog>();
        setMainWindow(m_window.get());
        m_folder = m_home.filePath(QStringLiteral("saves/%1 %2")
                                       .arg(QString::fromLatin1(QTest::currentTestFunction()),
                                            QString::fromLatin1(QTest::currentDataTag())));
        storeSaveFolder(m_folder);
        QVERIFY(QDir().mkpath(m_folder));
        ScriptedMessageBox::clearLastShown();
    }

    void cleanup()
    {
        setMainWindow(nullptr);
        m_window.reset();
    }

    void bodiesAreChecked_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("size"); // the catalogue's, as the page passes it
        QTest::addColumn<QJsonObject>("script");
        QTest::addColumn<QString>("reason"); // empty: done
        const QJsonObject none;
        QTest::newRow("compressed body cut mid-transfer")
            << "/drivers/b.exe?size=3000000&gzip=1&break=1500000"
            << "" << none << "closedEarly";
        QTest::newRow("compressible body asked plain") << "/drivers/b.exe?size=300000&gzip=1"
                                                       << "" << none << "";
        QTest::newRow("compressed although asked plain") << "/drivers/b.exe?size=300000&gzip=always"
                                                         << "" << none << "somethingElse";
        QTest::newRow("no length, cut mid-transfer")
            << "/drivers/b.exe?size=3000000&chunked=1&break=1500000"
            << "3000000" << none << "closedEarly";
        QTest::newRow("no length, cut, size unknown")
            << "/drivers/b.exe?size=3000000&chunked=1&break=1500000"
            << "" << none << "closedEarly";
        QTest::newRow("shorter than the catalogue") << "/drivers/b.exe?size=1000"
                                                    << "2000" << none << "wrongSize";
        QTest::newRow("longer than the catalogue") << "/drivers/b.exe?size=3000"
                                                   << "2000" << none << "wrongSize";
        QTest::newRow("as long as the catalogue") << "/drivers/b.exe?size=1000"
                                                  << "1000" << none << "";
        QTest::newRow("size not a number") << "/drivers/b.exe?size=1000"
                                           << "1000 bytes" << none << "";
        QTest::newRow("empty body") << "/drivers/b.exe?size=0"
                                    << "" << none << "empty";
        // A captive portal's sign-in page where the installer should be.
        QTest::newRow("login page saved as .exe")
            << "/drivers/b.exe"
            << ""
            << QJsonObject{{"path", "/drivers/b.exe"},
                           {"body", "<!DOCTYPE html><html><body>Sign in to Wi-Fi</body></html>"}}
            << "somethingElse";
    }
    void bodiesAreChecked()
    {
        QFETCH(QString, path);
        QFETCH(QString, size);
        QFETCH(QJsonObject, script);
        QFETCH(QString, reason);
        if (!script.isEmpty())
            QVERIFY(m_standIn->script(script));
        // Downloaded again over an installer saved before: only a good body replaces it.
        const QString file = target(QStringLiteral("b.exe"));
        writeSavedFile(file, "old");
        ScriptedMessageBox::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(down(served(path), size), 0);
        QVERIFY(waitForFinish());
        const QString fullSize = QUrlQuery(QUrl(path)).queryItemValue("size");
        if (reason.isEmpty()) {
            QCOMPARE(finishReport(), report(0, file, QString()));
            QCOMPARE(contentOf(file), servedBytes(fullSize.toInt()));
        } else {
            QCOMPARE(finishReport(), report(2, QString(), kFailed));
            QCOMPARE(pageCalls("failReasonByCpp").size(), size_t(1));
            QCOMPARE(pageCalls("failReasonByCpp").front().args,
                     std::vector<FakeValue>{V::string(reason)});
            QCOMPARE(contentOf(file), QByteArray("old"));
        }
        const QJsonArray log = m_standIn->log(QStringLiteral("/drivers/b.exe"));
        QCOMPARE(log.size(), 1);
        QCOMPARE(headerValue(log.first(), QStringLiteral("Accept-Encoding")),
                 QStringLiteral("identity"));
    }

    void resumesOnlyTheSameFile_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("ignoreIfRange"); // the server sends the rest whatever
        QTest::newRow("unchanged") << false << false;
        QTest::newRow("changed") << true << false;
        QTest::newRow("changed, If-Range ignored") << true << true;
    }
    void resumesOnlyTheSameFile()
    {
        QFETCH(bool, changed);
        QFETCH(bool, ignoreIfRange);
        const QByteArray first = "MZ" + QByteArray(400000, 'a');
        const QByteArray second = "MZ" + QByteArray(400000, 'b');
        m_local.serveVersion("/v/f.exe", first, "\"one\"", 150000);
        const QString url = m_local.url(QStringLiteral("/v/f.exe"));
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport().at(0), V::number(2));

        if (changed)
            m_local.serveVersion("/v/f.exe", second, "\"two\"", -1, ignoreIfRange);
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        const auto resumed = m_local.requests().back().headers;
        QCOMPARE(resumed.find("Range")->second, std::string("bytes=150000-"));
        QCOMPARE(resumed.find("If-Range")->second, std::string("\"one\""));
        if (ignoreIfRange) {
            // Two versions spliced would pass every length check: it fails,
            // and the next attempt starts over.
            QCOMPARE(finishReport(), report(2, QString(), kFailed));
            QCOMPARE(pageCalls("failReasonByCpp").front().args,
                     std::vector<FakeValue>{V::string(QStringLiteral("changed"))});
            QCOMPARE(down(url), 0);
            QVERIFY(waitForFinish());
            QCOMPARE(m_local.requests().back().headers.count("Range"), size_t(0));
        }
        QCOMPARE(finishReport(), report(0, target(QStringLiteral("f.exe")), QString()));
        QCOMPARE(contentOf(target(QStringLiteral("f.exe"))), changed ? second : first);
        QCOMPARE(filesInFolder(), QStringList{QStringLiteral("f.exe")});
    }

    void oneJobPerAddress()
    {
        // A second "Down" of an address in progress, at once and a moment later.
        const QString url = served(QStringLiteral("/drivers/one.exe?size=2000000&rate=4000000"));
        QCOMPARE(down(url), 0);
        QCOMPARE(down(url), 0);
        QTRY_VERIFY(!pageCalls("progressCbkByCpp").empty());
        QCOMPARE(wke.call("Down", {V::string(url), V::string(QString()), V::string(QString()),
                                   V::string(QStringLiteral("driver"))}),
                 V::number(0));
        QVERIFY(waitForFinish());
        QTRY_VERIFY_WITH_TIMEOUT(m_window->findChildren<DownloaderObj *>().isEmpty(), 5000);
        QCOMPARE(pageCalls("finishCbkByCpp").size(), size_t(1));
        QCOMPARE(finishReport(), report(0, target(QStringLiteral("one.exe")), QString()));
        QCOMPARE(contentOf(target(QStringLiteral("one.exe"))), servedBytes(2000000));
        QCOMPARE(m_standIn->log(QStringLiteral("/drivers/one.exe")).size(), 1);
    }

    void neverReplacesWhatIsNotOurs_data()
    {
        QTest::addColumn<QString>("foreign"); // a file of the user's in the folder
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("saved");
        QTest::newRow("a file of the name")
            << "f.exe" << served(QStringLiteral("/drivers/f.exe?size=1000")) << "f (2).exe";
        QTest::newRow("its second free name too")
            << "g.exe|g (2).exe" << served(QStringLiteral("/drivers/g.exe?size=1000"))
            << "g (3).exe";
        QTest::newRow("redirect to a hidden name")
            << ".bashrc"
            << m_local.url(QStringLiteral("/to/x.exe?url=") +
                           QString::fromLatin1(QUrl::toPercentEncoding(
                               served(QStringLiteral("/drivers/.bashrc?size=1000")))))
            << "bashrc";
    }
    void neverReplacesWhatIsNotOurs()
    {
        QFETCH(QString, foreign);
        QFETCH(QString, url);
        QFETCH(QString, saved);
        const QStringList theirs = foreign.split(QLatin1Char('|'));
        for (const QString &name : theirs)
            writeFile(target(name), "the user's own");
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QVERIFY(!ScriptedMessageBox::lastShown());
        QCOMPARE(finishReport(), report(0, target(saved), QString()));
        QCOMPARE(contentOf(target(saved)), servedBytes(1000));
        for (const QString &name : theirs)
            QCOMPARE(contentOf(target(name)), QByteArray("the user's own"));
    }

    void partFilesAreCleanedUp()
    {
        // Parts failures left: a week old, one of a package saved since, and
        // two large ones over the cap (sparse, so they cost no disk).
        const auto part = [this](const QString &name, qint64 size, int ageHours) {
            QFile file(target(DownloadFileName::partName(name, "https://vendor.example/" + name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600 * ageHours),
                                     QFileDevice::FileModificationTime));
        };
        part(QStringLiteral("old.exe"), 1000, 8 * 24);
        part(QStringLiteral("done.exe"), 1000, 1);
        writeSavedFile(target(QStringLiteral("done.exe")), "MZ");
        part(QStringLiteral("big1.exe"), 1536LL << 20, 3);
        part(QStringLiteral("big2.exe"), 1536LL << 20, 2);
        part(QStringLiteral("recent.exe"), 1000, 1);

        // A failure through a redirect leaves one part, named after the page's address.
        const QString file = served(QStringLiteral("/drivers/t.exe?size=3000000&break=1000000"));
        const QString url = m_local.url(QStringLiteral("/to/t?url=") +
                                        QString::fromLatin1(QUrl::toPercentEncoding(file)));
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport().at(0), V::number(2));
        QCOMPARE(QFileInfo(partOf(QStringLiteral("t.exe"), url)).size(), qint64(1000000));
        QStringList parts = QDir(m_folder).entryList({QStringLiteral("*.part")});
        QCOMPARE(parts.size(), 3); // big2, recent and the new one
        QVERIFY(parts.contains(
            QFileInfo(partOf(QStringLiteral("big2.exe"), "https://vendor.example/big2.exe"))
                .fileName()));

        // Started again, it continues that part and leaves none behind.
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(0, target(QStringLiteral("t.exe")), QString()));
        QCOMPARE(contentOf(target(QStringLiteral("t.exe"))), servedBytes(3000000));
        QCOMPARE(headerValue(m_standIn->log(QStringLiteral("/drivers/t.exe")).last(),
                             QStringLiteral("Range")),
                 QStringLiteral("bytes=1000000-"));
        QCOMPARE(QDir(m_folder).entryList({QStringLiteral("t.exe*")}),
                 QStringList{QStringLiteral("t.exe")});
    }

    void stallsEnd_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("script");
        QTest::addColumn<int>("kept"); // bytes the part file keeps for later
        QTest::newRow("no answer at all")
            << "/drivers/s.exe?size=1000"
            << QJsonObject{{"path", "/drivers/s.exe"}, {"delay_ms", 3600000}} << 0;
        QTest::newRow("nothing after the headers")
            << "/drivers/s.exe?size=300000&stall=0" << QJsonObject() << 0;
        QTest::newRow("nothing after a part")
            << "/drivers/s.exe?size=300000&stall=100000" << QJsonObject() << 100000;
    }
    void stallsEnd()
    {
        QFETCH(QString, path);
        QFETCH(QJsonObject, script);
        QFETCH(int, kept);
        if (!script.isEmpty())
            QVERIFY(m_standIn->script(script));
        manager()->setStallTimeout(1500);
        QCOMPARE(down(served(path)), 0);
        QVERIFY(waitForFinish(10000));
        QCOMPARE(finishReport(), report(2, QString(), kStalled));
        QVERIFY(!QFile::exists(target(QStringLiteral("s.exe"))));
        const QString part = partOf(QStringLiteral("s.exe"), served(path));
        QCOMPARE(QFileInfo(part).size(), qint64(kept));
        QCOMPARE(QFile::exists(part), kept > 0);
    }

    void thePageIsAskedWhileNothingArrives_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("script");
        QTest::addColumn<int>("received");
        QTest::addColumn<int>("total");
        QTest::newRow("no answer at all")
            << "/drivers/c.exe?size=1000"
            << QJsonObject{{"path", "/drivers/c.exe"}, {"delay_ms", 3600000}} << 0 << -1;
        QTest::newRow("nothing after a part")
            << "/drivers/c.exe?size=300000&stall=100000" << QJsonObject() << 100000 << 300000;
    }
    void thePageIsAskedWhileNothingArrives()
    {
        QFETCH(QString, path);
        QFETCH(QJsonObject, script);
        QFETCH(int, received);
        QFETCH(int, total);
        if (!script.isEmpty())
            QVERIFY(m_standIn->script(script));
        QCOMPARE(down(served(path)), 0);
        // Asked again with the last counts while the transfer stands still.
        QTRY_VERIFY_WITH_TIMEOUT(reportsOf(received, total) >= 3, 10000);
        QVERIFY(pageCalls("finishCbkByCpp").empty());

        // The page's cancel now acts within a second, not at the next byte.
        wke.pageAnswers["progressCbkByCpp"] = V::boolean(false);
        QVERIFY(waitForFinish(3000));
        QCOMPARE(finishReport(), report(1, QString(), QStringLiteral("用户取消了下载")));
        QCOMPARE(filesInFolder(), QStringList());
    }

    void killedMidDownloadThenStartedAgain()
    {
        const QString url = served(QStringLiteral("/drivers/k.exe?size=3000000&rate=1000000"));
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(kChildOption), url, m_folder});
        int received = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                while (child.canReadLine())
                    received =
                        QString::fromLatin1(child.readLine()).trimmed().section(' ', 1).toInt();
                return received >= 400000;
            }(),
            20000);

        // Nothing is left under the name; the part file keeps what arrived.
        QVERIFY(!QFile::exists(target(QStringLiteral("k.exe"))));
        const QString part = partOf(QStringLiteral("k.exe"), url);

        // While it runs, a second process's download of the address is refused.
        ScriptedMessageBox::setNextAnswer(QMessageBox::Ok);
        QCOMPARE(down(url), 2);
        QVERIFY(ScriptedMessageBox::lastShown());
        QVERIFY(ScriptedMessageBox::lastShown()->text.contains(QStringLiteral("另一个下载")));
        ScriptedMessageBox::clearLastShown();
        child.kill();
        QVERIFY(child.waitForFinished());
        const qint64 saved = QFileInfo(part).size();
        QVERIFY2(saved >= 400000, qPrintable(QString::number(saved)));

        // Started again, it asks nothing and continues where it stopped.
        QCOMPARE(down(url), 0);
        QVERIFY(!ScriptedMessageBox::lastShown());
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(0, target(QStringLiteral("k.exe")), QString()));
        QCOMPARE(contentOf(target(QStringLiteral("k.exe"))), servedBytes(3000000));
        QCOMPARE(filesInFolder(), QStringList{QStringLiteral("k.exe")});
        const QJsonArray log = m_standIn->log(QStringLiteral("/drivers/k.exe"));
        QCOMPARE(headerValue(log.last(), QStringLiteral("Range")),
                 QStringLiteral("bytes=%1-").arg(saved));
        // Progress counts the whole file.
        const auto progress = pageCalls("progressCbkByCpp");
        QVERIFY(!progress.empty());
        QVERIFY(progress.front().args.at(0).value.toInt() >= saved);
        QCOMPARE(progress.front().args.at(1), V::number(3000000));
    }

    void replacementThatFailsKeepsTheFile_data()
    {
        QTest::addColumn<bool>("offline");
        QTest::newRow("offline") << true;
        QTest::newRow("cut off") << false;
    }
    void replacementThatFailsKeepsTheFile()
    {
        QFETCH(bool, offline);
        const QString file = target(QStringLiteral("again.exe"));
        writeSavedFile(file, "old");
        ScriptedMessageBox::setNextAnswer(QMessageBox::Yes);
        const QString url =
            offline ? offlineAddress(QStringLiteral("/again.exe"))
                    : served(QStringLiteral("/drivers/again.exe?size=3000000&break=1000"));
        QCOMPARE(down(url), 0);
        QVERIFY(ScriptedMessageBox::lastShown());
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(2, QString(), kFailed));
        QCOMPARE(contentOf(file), QByteArray("old"));
    }

    void replacedFileStaysUntilTheNewOneIsComplete()
    {
        const QString file = target(QStringLiteral("slow.exe"));
        writeSavedFile(file, "old");
        ScriptedMessageBox::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(down(served(QStringLiteral("/drivers/slow.exe?size=1000000&rate=1000000"))), 0);
        QTRY_VERIFY(!pageCalls("progressCbkByCpp").empty());
        QCOMPARE(contentOf(file), QByteArray("old"));
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(0, file, QString()));
        QCOMPARE(contentOf(file), servedBytes(1000000));
        QCOMPARE(filesInFolder(), QStringList{QStringLiteral("slow.exe")});
    }

    void onlyACompleteFileIsAlreadyDownloaded()
    {
        // A file of another size than the catalogue's is a leftover, not a download.
        const QString file = target(QStringLiteral("q.exe"));
        writeSavedFile(file, "old");
        const QString url = served(QStringLiteral("/drivers/q.exe?size=1000"));
        QCOMPARE(down(url, QStringLiteral("1000")), 0);
        QVERIFY(!ScriptedMessageBox::lastShown());
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(0, file, QString()));
        QCOMPARE(contentOf(file), servedBytes(1000));

        // Now it is complete: the question comes, and No keeps it and shows it.
        m_fileManager.calls.clear();
        ScriptedMessageBox::setNextAnswer(QMessageBox::No);
        QCOMPARE(down(url, QStringLiteral("1000")), 1);
        QVERIFY(ScriptedMessageBox::lastShown());
        QCOMPARE(contentOf(file), servedBytes(1000));
        QTRY_COMPARE(m_fileManager.calls,
                     (QStringList{QStringLiteral("ShowItems"), fileUri(file)}));
    }

    void resumes_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("continued");
        QTest::newRow("the server continues") << "" << true;
        QTest::newRow("the server starts over") << "&ranges=0" << false;
    }
    void resumes()
    {
        QFETCH(QString, options);
        QFETCH(bool, continued);
        // Slow enough that the first report of a fresh start comes before byte 700000.
        const QString url = served(
            QStringLiteral("/drivers/r.exe?size=2000000&rate=4000000&break=700000") + options);
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(2, QString(), kFailed));
        QCOMPARE(QFileInfo(partOf(QStringLiteral("r.exe"), url)).size(), qint64(700000));

        // The page starts it again, as after a dropped network.
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(0, target(QStringLiteral("r.exe")), QString()));
        QCOMPARE(contentOf(target(QStringLiteral("r.exe"))), servedBytes(2000000));
        QCOMPARE(filesInFolder(), QStringList{QStringLiteral("r.exe")});
        const QJsonArray log = m_standIn->log(QStringLiteral("/drivers/r.exe"));
        QCOMPARE(headerValue(log.last(), QStringLiteral("Range")), QStringLiteral("bytes=700000-"));
        const int first = pageCalls("progressCbkByCpp").front().args.at(0).value.toInt();
        QCOMPARE(first >= 700000, continued);
    }

    void wrongRangeStartsAfreshNextTime()
    {
        const QString url =
            served(QStringLiteral("/drivers/w.exe?size=2000000&break=700000&ranges=wrong"));
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(2, QString(), kFailed));
        QCOMPARE(filesInFolder(), QStringList());
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(0, target(QStringLiteral("w.exe")), QString()));
        QCOMPARE(contentOf(target(QStringLiteral("w.exe"))), servedBytes(2000000));
    }

    void redirectToAnAddressWithoutAName()
    {
        const QString url = served(QStringLiteral("/redirect/302/drivers/pkg/?size=1000"));
        QCOMPARE(down(url, QString(), QStringLiteral("setup")), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(0, target(QStringLiteral("setup.exe")), QString()));
        QCOMPARE(contentOf(target(QStringLiteral("setup.exe"))), servedBytes(1000));
    }

    void publisherOfTheInstaller_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("trustRoot");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("signer");
        QTest::newRow("signed") << "signed" << true << "signed" << SignedInstallers::signer();
        QTest::newRow("signed, root unknown")
            << "signed" << false << "untrusted" << SignedInstallers::signer();
        QTest::newRow("unsigned") << "unsigned" << true << "unsigned"
                                  << "";
        QTest::newRow("tampered") << "tampered" << true << "broken"
                                  << "";
        // The name is the signer certificate's common name, read by field.
        QTest::newRow("slash and CN inside the CN") << "cn-spoof" << true << "signed"
                                                    << "Evil/CN=NVIDIA Corporation";
        QTest::newRow("CN inside a later field") << "ou-spoof" << true << "signed"
                                                 << "Evil Signer";
        // Nothing is fetched: Windows checks without revocation lists too.
        QTest::newRow("revocation list server never answers")
            << "crl" << true << "signed" << SignedInstallers::signer();
    }
    void publisherOfTheInstaller()
    {
        QFETCH(QString, kind);
        QFETCH(bool, trustRoot);
        QFETCH(QString, verdict);
        QFETCH(QString, signer);
        if (!m_installersMade)
            QSKIP(qPrintable(m_installers.skipReason()));
        const QByteArray content = m_kinds.value(kind);
        QVERIFY(!content.isEmpty());
        m_local.serve("/files/" + kind.toStdString() + ".exe", content);
        Authenticode::setTrustedCertificates(
            trustRoot ? m_installers.rootCertificate().toStdU16String() : std::u16string());

        QCOMPARE(down(m_local.url("/files/" + kind + ".exe")), 0);
        QVERIFY(waitForFinish());
        const QString file = target(kind + ".exe");
        QCOMPARE(finishReport(), report(0, file, QString()));
        QCOMPARE(contentOf(file), content);
        QTRY_COMPARE_WITH_TIMEOUT(pageCalls("publisherCbkByCpp").size(), size_t(1), 20000);
        QCOMPARE(pageCalls("publisherCbkByCpp").front().args,
                 publisherReport(file, verdict, signer));
        // The check reports after the finish.
        QCOMPARE(wke.pageCalls.back().name, std::string("publisherCbkByCpp"));
        Authenticode::setTrustedCertificates(std::u16string());
    }

    void lateVerdictOfAnEarlierDownloadIsDropped()
    {
        if (!m_installersMade)
            QSKIP(qPrintable(m_installers.skipReason()));
        Authenticode::setTrustedCertificates(m_installers.rootCertificate().toStdU16String());
        const QString file = target(QStringLiteral("again.exe"));
        m_local.serve("/files/again.exe", m_installers.signedExe);
        useSlowChecks(QStringLiteral("slow"));
        QCOMPARE(down(m_local.url(QStringLiteral("/files/again.exe"))), 0);
        QVERIFY(waitForFinish());
        // Its check still runs when the same address serves a tampered file.
        QTRY_VERIFY(QFile::exists(m_tools.filePath(QStringLiteral("slowed"))));
        QFile::remove(m_tools.filePath(QStringLiteral("slow")));
        m_local.serve("/files/again.exe", m_installers.tamperedExe);
        ScriptedMessageBox::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(down(m_local.url(QStringLiteral("/files/again.exe"))), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(contentOf(file), m_installers.tamperedExe);
        QTRY_VERIFY_WITH_TIMEOUT(manager()->findChildren<PublisherCheck *>().isEmpty(), 20000);
        useRealChecks();
        Authenticode::setTrustedCertificates(std::u16string());
        QCOMPARE(pageCalls("publisherCbkByCpp").size(), size_t(1));
        QCOMPARE(pageCalls("publisherCbkByCpp").front().args,
                 publisherReport(file, QStringLiteral("broken"), QString()));
    }

    void checksThatTakeTooLong_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("out of time") << false;
        QTest::newRow("window closed") << true;
    }
    void checksThatTakeTooLong()
    {
        QFETCH(bool, closeWindow);
        if (!m_installersMade)
            QSKIP(qPrintable(m_installers.skipReason()));
        m_local.serve("/files/held.exe", m_installers.signedExe);
        useSlowChecks(QStringLiteral("hold"));
        Authenticode::setTimeLimit(closeWindow ? 600000 : 1000);
        QCOMPARE(down(m_local.url(QStringLiteral("/files/held.exe"))), 0);
        QVERIFY(waitForFinish());
        QElapsedTimer closing;
        if (closeWindow) {
            QTRY_VERIFY(!manager()->findChildren<PublisherCheck *>().isEmpty());
            closing.start();
            setMainWindow(nullptr);
            m_window.reset();
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(pageCalls("publisherCbkByCpp").size(), size_t(1), 10000);
        }
        useRealChecks();
        Authenticode::setTimeLimit(120000);
        if (closeWindow) {
            // Closing waits for no check: the program ends at once.
            QVERIFY2(closing.elapsed() < 2000, qPrintable(QString::number(closing.elapsed())));
            return;
        }
        // Its own words on the card, not the forgery warning.
        QCOMPARE(pageCalls("publisherCbkByCpp").front().args,
                 publisherReport(target(QStringLiteral("held.exe")), QStringLiteral("unchecked"),
                                 QString()));
    }
};

int main(int argc, char *argv[])
{
    // The test starts itself a second time to have a download to kill.
    if (argc == 4 && qstrcmp(argv[1], kChildOption) == 0)
        return downloadUntilKilled(argc, argv);
    QApplication app(argc, argv);
    TestTransfers test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_transfers.moc"
