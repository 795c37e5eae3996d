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
#include "downloads/downloaderobjmanager.h"
#include "downloads/downloadfilename.h"
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
        QTest::addColumn<bool>("done");
        QTest::newRow("compressed body cut mid-transfer")
            << "/drivers/b.exe?size=3000000&gzip=1&break=1500000"
            << "" << false;
        QTest::newRow("compressible body asked plain") << "/drivers/b.exe?size=300000&gzip=1"
                                                       << "" << true;
        QTest::newRow("compressed although asked plain") << "/drivers/b.exe?size=300000&gzip=always"
                                                         << "" << false;
        QTest::newRow("no length, cut mid-transfer")
            << "/drivers/b.exe?size=3000000&chunked=1&break=1500000"
            << "3000000" << false;
        QTest::newRow("shorter than the catalogue") << "/drivers/b.exe?size=1000"
                                                    << "2000" << false;
        QTest::newRow("as long as the catalogue") << "/drivers/b.exe?size=1000"
                                                  << "1000" << true;
        QTest::newRow("size not a number") << "/drivers/b.exe?size=1000"
                                           << "1000 bytes" << true;
    }
    void bodiesAreChecked()
    {
        QFETCH(QString, path);
        QFETCH(QString, size);
        QFETCH(bool, done);
        QCOMPARE(down(served(path), size), 0);
        QVERIFY(waitForFinish());
        const QString file = target(QStringLiteral("b.exe"));
        if (done) {
            QCOMPARE(finishReport(), report(0, file, QString()));
            QCOMPARE(contentOf(file),
                     servedBytes(QUrlQuery(QUrl(path)).queryItemValue("size").toInt()));
        } else {
            QCOMPARE(finishReport(), report(2, QString(), kFailed));
            QVERIFY(!QFile::exists(file));
        }
        const QJsonArray log = m_standIn->log(QStringLiteral("/drivers/b.exe"));
        QCOMPARE(log.size(), 1);
        QCOMPARE(headerValue(log.first(), QStringLiteral("Accept-Encoding")),
                 QStringLiteral("identity"));
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
        child.kill();
        QVERIFY(child.waitForFinished());

        // Nothing is left under the name; the part file keeps what arrived.
        QVERIFY(!QFile::exists(target(QStringLiteral("k.exe"))));
        const QString part = partOf(QStringLiteral("k.exe"), url);
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
    }
    void publisherOfTheInstaller()
    {
        QFETCH(QString, kind);
        QFETCH(bool, trustRoot);
        QFETCH(QString, verdict);
        QFETCH(QString, signer);
        if (!m_installersMade)
            QSKIP(qPrintable(m_installers.skipReason()));
        const QByteArray &content = kind == QLatin1String("signed")     ? m_installers.signedExe
                                    : kind == QLatin1String("unsigned") ? m_installers.unsignedExe
                                                                        : m_installers.tamperedExe;
        m_local.serve("/files/" + kind.toStdString() + ".exe", content);
        Authenticode::setTrustedCertificates(
            trustRoot ? m_installers.rootCertificate().toStdU16String() : std::u16string());

        QCOMPARE(down(m_local.url("/files/" + kind + ".exe")), 0);
        QVERIFY(waitForFinish());
        const QString file = target(kind + ".exe");
        QCOMPARE(finishReport(), report(0, file, QString()));
        QCOMPARE(contentOf(file), content);
        QTRY_COMPARE_WITH_TIMEOUT(pageCalls("publisherCbkByCpp").size(), size_t(1), 30000);
        QCOMPARE(pageCalls("publisherCbkByCpp").front().args,
                 (std::vector<FakeValue>{V::string(file), V::string(verdict), V::string(signer)}));
        // The check reports after the finish.
        QCOMPARE(wke.pageCalls.back().name, std::string("publisherCbkByCpp"));
        Authenticode::setTrustedCertificates(std::u16string());
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
