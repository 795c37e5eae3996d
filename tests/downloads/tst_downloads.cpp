#include "base/scriptedmessagebox.h"
#include "fakewke.h"
#include "logcapture.h"
#include "standin.h"
#include "testenvironment.h"
#include "tinyproxy.h"

#include "account/user.h"
#include "downloads/downloaderobj.h"
#include "downloads/downloadfilename.h"
#include "downloads/downloadprompt.h"
#include "downloads/savefolder.h"
#include "downloads/shellactions.h"
#include "webui/mainwindowref.h"
#include "webui/miniblinkdialog.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>

using V = FakeValue;

class TestDownloads final : public QObject {
    Q_OBJECT

private:
    FakeWke &wke = FakeWke::instance();
    QTemporaryDir m_home;
    PrivateBus m_bus;
    // Made once the private bus runs: its network manager connects to the session bus.
    std::unique_ptr<StandIn> m_standIn;
    LocalServer m_local;
    FileManagerDouble m_fileManager;
    LauncherEntryListener m_launcher;
    UrlRecorder m_urls;
    std::unique_ptr<MiniblinkDialog> m_window;
    QString m_folder;

    std::vector<PageCall> pageCalls(const std::string &name) const
    {
        std::vector<PageCall> calls;
        for (const PageCall &c : wke.pageCalls) {
            if (c.name == name)
                calls.push_back(c);
        }
        return calls;
    }
    bool waitForFinish()
    {
        return QTest::qWaitFor([this] { return !pageCalls("finishCbkByCpp").empty(); }, 20000);
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
    int down(const QString &url, const QString &name = QStringLiteral("driver"))
    {
        return wke
            .call("Down", {V::string(url), V::string(QStringLiteral("second")),
                           V::string(QStringLiteral("third")), V::string(name)})
            .value.toInt();
    }
    // An address of the stand-in service.
    QString served(const QString &pathAndQuery) const
    {
        return m_standIn->url().toString() + pathAndQuery;
    }
    QList<DownloaderObj *> jobs() const { return m_window->findChildren<DownloaderObj *>(); }
    QString defaultFolder() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
               QStringLiteral("/驱动");
    }
    // The taskbar's last word, once the bus has delivered it.
    bool taskbarEndsHidden()
    {
        return QTest::qWaitFor(
            [this] { return !m_launcher.updates.empty() && !m_launcher.updates.back().visible; },
            5000);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // Documents and the user file land in a throw-away home.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY(m_bus.start());
        QVERIFY(m_fileManager.registerOnBus());
        QVERIFY(m_launcher.listen());
        m_standIn = std::make_unique<StandIn>();
        QVERIFY(m_standIn->start());
        // The window asks the service for its configuration when it is built.
        qputenv("TESSALY_SERVICE_URL", m_standIn->url().toString().toUtf8());
        qputenv("TESSALY_STATISTICS_URL", m_standIn->url().toString().toUtf8());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_urls, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_urls, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_urls, "open");
    }

    void cleanupTestCase() { QVERIFY(m_standIn->stop()); }

    void init()
    {
        wke.install();
        wke.pageAnswers["progressCbkByCpp"] = V::boolean(true);
        m_window = std::make_unique<MiniblinkDialog>();
        setMainWindow(m_window.get());
        m_folder = m_home.filePath(QStringLiteral("saves/%1 %2")
                                       .arg(QString::fromLatin1(QTest::currentTestFunction()),
                                            QString::fromLatin1(QTest::currentDataTag())));
        storeSaveFolder(m_folder);
        QVERIFY(QDir().mkpath(m_folder));
        m_fileManager.calls.clear();
        m_urls.opened.clear();
        m_launcher.updates.clear();
        ScriptedMessageBox::clearLastShown();
    }

    void cleanup()
    {
        setMainWindow(nullptr);
        m_window.reset();
    }

    void fileNameRules_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("name");
        const QString h = QStringLiteral("http://h.example/d/");
        QTest::newRow("plain") << h + "setup.exe?x=1"
                               << "f"
                               << "setup.exe";
        QTest::newRow("escaped blank") << h + "my%20setup.exe"
                                       << "f"
                                       << "my setup.exe";
        QTest::newRow("trailing slash") << h << "setup"
                                        << "setup.exe";
        QTest::newRow("trailing slash, no name") << h << ""
                                                 << "exe";
        // A leading dot would hide the file, or name the user's ".bashrc".
        QTest::newRow("leading dot") << h + ".bashrc"
                                     << "f"
                                     << "bashrc";
        QTest::newRow("escaped slashes") << h + "..%2F..%2Fevil.exe"
                                         << "f"
                                         << "evil.exe";
        QTest::newRow("escaped backslashes") << h + "..%5C..%5Cevil.exe"
                                             << "f"
                                             << "_.._evil.exe";
        QTest::newRow("only dots") << h + "%2E%2E"
                                   << "f"
                                   << "f.exe";
        QTest::newRow("forbidden characters") << h + "a%3Ab%3F%22c%00.exe"
                                              << "f"
                                              << "a_b__c_.exe";
        QTest::newRow("trailing dots and blanks") << h + "setup.exe.%20."
                                                  << "f"
                                                  << "setup.exe";
        QTest::newRow("device name") << h + "nul.exe"
                                     << "f"
                                     << "_nul.exe";
        QTest::newRow("fallback with a path") << h << "../../x"
                                              << "_.._x.exe";
        QTest::newRow("fallback of dots") << h << ".."
                                          << "exe";

        // Windows devices, whatever the digit, blanks or extension.
        QTest::newRow("COM0") << h + "COM0.exe"
                              << "f"
                              << "_COM0.exe";
        QTest::newRow("lpt0") << h + "lpt0"
                              << "f"
                              << "_lpt0";
        QTest::newRow("superscript digit") << h + "COM%C2%B9.exe"
                                           << "f" << QStringLiteral("_COM¹.exe");
        QTest::newRow("superscript three") << h + "lpt%C2%B3"
                                           << "f" << QStringLiteral("_lpt³");
        QTest::newRow("full-width digit") << h + "COM%EF%BC%91.exe"
                                          << "f" << QStringLiteral("_COM１.exe");
        QTest::newRow("blank before the extension") << h + "CON%20.exe"
                                                    << "f"
                                                    << "_CON .exe";
        QTest::newRow("dot and blank") << h + "nul.%20.txt"
                                       << "f"
                                       << "_nul. .txt";
        QTest::newRow("console input") << h + "CONIN$.txt"
                                       << "f"
                                       << "_CONIN$.txt";
        QTest::newRow("console output") << h + "conout$"
                                        << "f"
                                        << "_conout$";
        QTest::newRow("device fallback") << h << "CON"
                                         << "_CON.exe";
        QTest::newRow("COM10 is a file") << h + "COM10.exe"
                                         << "f"
                                         << "COM10.exe";
        QTest::newRow("CONSOLE is a file") << h + "CONSOLE.exe"
                                           << "f"
                                           << "CONSOLE.exe";

        // Marks that reorder text could show "setup\u202Eexe.txt" as "setuptxt.exe".
        QTest::newRow("right-to-left override") << h + "setup%E2%80%AEexe.txt"
                                                << "f"
                                                << "setupexe.txt";
        QTest::newRow("other direction marks") << h + "a%E2%80%8Fb%E2%81%A6c%D8%9C.exe"
                                               << "f"
                                               << "abc.exe";

        // Long names: the part file's name must fit into 255 bytes too.
        const QString a300 = QString(300, QLatin1Char('a'));
        QTest::newRow("long name") << h + a300 + ".exe"
                                   << "f" << QString(237, QLatin1Char('a')) + ".exe";
        const QString zi = QStringLiteral("驱");
        QTest::newRow("long name of three-byte characters") << h + zi.repeated(100) + ".exe"
                                                            << "f" << zi.repeated(79) + ".exe";
        const QString accented = QStringLiteral("e\u0301");
        QTest::newRow("no cut between a letter and its accent")
            << h + "x" + accented.repeated(100) + ".exe"
            << "f"
            << "x" + accented.repeated(78) + ".exe";
        QTest::newRow("long name without extension")
            << h + QString(300, QLatin1Char('b')) << "f" << QString(241, QLatin1Char('b'));
        QTest::newRow("long tail is no extension")
            << h + "c." + QString(300, QLatin1Char('d')) << "f"
            << "c." + QString(239, QLatin1Char('d'));
        QTest::newRow("long fallback")
            << h << QString(300, QLatin1Char('f')) << QString(237, QLatin1Char('f')) + ".exe";
    }
    void fileNameRules()
    {
        QFETCH(QString, url);
        QFETCH(QString, fallback);
        QFETCH(QString, name);
        QCOMPARE(DownloadFileName::forUrl(url, fallback), name);
    }

    void partFileNames()
    {
        const QString address = QStringLiteral("http://h.example/d/setup.exe");
        const QString part = DownloadFileName::partName(QStringLiteral("setup.exe"), address);
        QVERIFY2(QRegularExpression(QStringLiteral("^setup\\.exe\\.[0-9a-f]{8}\\.part$"))
                     .match(part)
                     .hasMatch(),
                 qPrintable(part));
        QCOMPARE(DownloadFileName::partName(QStringLiteral("setup.exe"), address), part);
        QVERIFY(DownloadFileName::partName(QStringLiteral("setup.exe"), address + "?v=2") != part);

        const QString longest = DownloadFileName::forUrl(
            QStringLiteral("http://h.example/") + QString(400, QChar(0x9a71)), QString());
        QCOMPARE(longest.toUtf8().size(), 240);
        QVERIFY(DownloadFileName::partName(longest, address).toUtf8().size() <= 255);
    }

    void downloadsWhatWasServed_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("lengthKnown");
        QTest::newRow("plain") << "/drivers/plain.exe?size=300000"
                               << "x"
                               << "plain.exe" << 300000 << true;
        QTest::newRow("no length") << "/drivers/nolen.exe?size=300000&chunked=1"
                                   << "x"
                                   << "nolen.exe" << 300000 << false;
        QTest::newRow("trailing slash") << "/drivers/pkg/?size=1000"
                                        << "setup"
                                        << "setup.exe" << 1000 << true;
        QTest::newRow("trailing slash, no name") << "/drivers/pkg/?size=1000"
                                                 << ""
                                                 << "exe" << 1000 << true;
        QTest::newRow("escaped blank") << "/drivers/my%20driver.exe?size=1000"
                                       << "x"
                                       << "my driver.exe" << 1000 << true;
        // The stand-in refuses the file without the header.
        QTest::newRow("amd in the query") << "/drivers/a.exe?size=1000&referer=https://www.amd.com"
                                          << "x"
                                          << "a.exe" << 1000 << true;
        QTest::newRow("name longer than a file system takes")
            << "/drivers/" + QString(300, QLatin1Char('a')) + ".exe?size=1000"
            << "x" << QString(237, QLatin1Char('a')) + ".exe" << 1000 << true;
        QTest::newRow("Windows device name") << "/drivers/COM%C2%B9.exe?size=1000"
                                             << "x" << QStringLiteral("_COM¹.exe") << 1000 << true;
        QTest::newRow("disguised extension") << "/drivers/setup%E2%80%AEexe.txt?size=1000"
                                             << "x"
                                             << "setupexe.txt" << 1000 << true;
    }
    void downloadsWhatWasServed()
    {
        QFETCH(QString, path);
        QFETCH(QString, fallback);
        QFETCH(QString, name);
        QFETCH(int, size);
        QFETCH(bool, lengthKnown);

        QCOMPARE(down(served(path), fallback), 0);
        QVERIFY(waitForFinish());
        const QString target = m_folder + QLatin1Char('/') + name;
        QCOMPARE(finishReport(), report(0, target, QString()));
        QCOMPARE(contentOf(target), servedBytes(size));

        const auto progress = pageCalls("progressCbkByCpp");
        QVERIFY(!progress.empty());
        QCOMPARE(progress.back().args.at(0), V::number(size));
        for (size_t i = 0; i + 1 < progress.size(); ++i)
            QCOMPARE(progress[i].args.at(1), V::number(lengthKnown ? size : -1));

        QVERIFY(taskbarEndsHidden());
        QCOMPARE(m_launcher.updates.front().appUri,
                 QStringLiteral("application://tessaly.desktop"));
        QVERIFY(m_launcher.updates.front().visible);
    }

    void refererHeader_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("viaProxy");
        QTest::addColumn<bool>("sent");
        QTest::newRow("host in capitals") << "http://Download.AMD.COM/x.exe" << true << true;
        QTest::newRow("only in the query")
            << m_local.url("/q.exe?from=www.Amd.com") << false << true;
        QTest::newRow("other host") << "http://download.example.com/x.exe" << true << false;
        QTest::newRow("no mention") << m_local.url("/plain.exe") << false << false;
    }
    void refererHeader()
    {
        QFETCH(QString, url);
        QFETCH(bool, viaProxy);
        QFETCH(bool, sent);
        // Names that do not resolve reach the local server as the system's proxy.
        if (viaProxy)
            qputenv("http_proxy", m_local.url(QString()).toUtf8());
        const int result = down(url);
        const bool finished = waitForFinish();
        qunsetenv("http_proxy");
        QCOMPARE(result, 0);
        QVERIFY(finished);
        QCOMPARE(finishReport().at(0), V::number(0));

        const auto requests = m_local.requests();
        QVERIFY(!requests.empty());
        const auto &headers = requests.back().headers;
        QCOMPARE(headers.count("Referer"), size_t(sent ? 1 : 0));
        if (sent)
            QCOMPARE(headers.find("Referer")->second, std::string("https://www.amd.com"));
    }

    void downloadThroughTheSystemProxy()
    {
        // The proxy hands everything on to the stand-in, so a name that
        // resolves nowhere arrives there only through it.
        TinyProxy proxy;
        if (!proxy.start(m_standIn->url().port()))
            QSKIP(qPrintable(proxy.skipReason()));
        qputenv("http_proxy", proxy.url());
        const int result =
            down(QStringLiteral("http://drivers.tessaly.example/drivers/proxied.exe?size=300000"));
        const bool finished = waitForFinish();
        qunsetenv("http_proxy");
        QCOMPARE(result, 0);
        QVERIFY(finished);
        const QString target = m_folder + QStringLiteral("/proxied.exe");
        QCOMPARE(finishReport(), report(0, target, QString()));
        QCOMPARE(contentOf(target), servedBytes(300000));
        QTRY_VERIFY(
            proxy.output().contains("GET http://drivers.tessaly.example/drivers/proxied.exe"));
    }

    void cancelledByThePage_data()
    {
        QTest::addColumn<bool>("answerFalse");
        QTest::newRow("false") << true;
        QTest::newRow("no answer") << false;
    }
    void cancelledByThePage()
    {
        QFETCH(bool, answerFalse);
        if (answerFalse)
            wke.pageAnswers["progressCbkByCpp"] = V::boolean(false);
        else
            wke.pageAnswers.erase("progressCbkByCpp");
        QCOMPARE(down(served(QStringLiteral("/drivers/c.exe?size=4000000&rate=2000000"))), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(1, QString(), QStringLiteral("用户取消了下载")));
        QCOMPARE(pageCalls("progressCbkByCpp").size(), size_t(1));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/c.exe")));
        QVERIFY(taskbarEndsHidden());
    }

    void failedTransfer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("logged");
        QTest::newRow("not found") << "/nothing/f.exe"
                                   << "/nothing/f.exe failed: httpStatus HTTP 404 Error";
        QTest::newRow("refused") << "/drivers/f.exe?referer=https://elsewhere.example"
                                 << "/drivers/f.exe failed: httpStatus HTTP 403 ";
        // Only an announced length makes a cut-off body detectable at all.
        QTest::newRow("cut off") << "/drivers/f.exe?size=3000000&break=1000000"
                                 << "/drivers/f.exe failed: closedEarly HTTP 200 ";
        QTest::newRow("cut off near the end") << "/drivers/f.exe?size=3000000&break=2990000"
                                              << "/drivers/f.exe failed: closedEarly HTTP 200 ";
    }
    void failedTransfer()
    {
        QFETCH(QString, path);
        QFETCH(QString, logged);
        LogCapture log;
        const QString secret = QStringLiteral("token=a1b2c3");
        path += (path.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + secret;
        QCOMPARE(down(served(path)), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(), report(2, QString(), QStringLiteral("下载过程发生了错误")));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/f.exe")));

        // The log keeps the address without its query, the status and Qt's words.
        const QString text = log.text();
        QVERIFY2(text.contains(QStringLiteral(" W tessaly.downloads: download of ") +
                               m_standIn->url().toString(QUrl::StripTrailingSlash) + logged),
                 qPrintable(text));
        QVERIFY2(!text.contains(secret), qPrintable(text));
    }

    void failedWrite()
    {
        // A file size limit makes the disk refuse the rest, as a full disk would.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 256 * 1024;
        setrlimit(RLIMIT_FSIZE, &limited);
        const int result = down(served(QStringLiteral("/drivers/w.exe?size=2000000")));
        const bool finished = waitForFinish();
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(result, 0);
        QVERIFY(finished);
        QCOMPARE(finishReport(), report(2, QString(), QStringLiteral("下载过程发生了错误")));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/w.exe")));
    }

    void redirects_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        const QString file = QStringLiteral("/drivers/hop.exe?size=5000");
        QTest::newRow("301 then 302")
            << served(QStringLiteral("/redirect/301/redirect/302") + file) << "hop.exe";
        QTest::newRow("to another name")
            << m_local.url(QStringLiteral("/to/first.exe?url=") +
                           QString::fromLatin1(QUrl::toPercentEncoding(served(file))))
            << "hop.exe";
        QTest::newRow("ten hops") << served(QStringLiteral("/redirect/301").repeated(10) + file)
                                  << "hop.exe";
        QTest::newRow("to a local file")
            << m_local.url(QStringLiteral("/to/first.exe?url=file:///etc/hostname")) << "";
        QTest::newRow("eleven hops")
            << served(QStringLiteral("/redirect/302").repeated(11) + file) << "";
    }
    void redirects()
    {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(down(url), 0);
        QVERIFY(waitForFinish());
        if (name.isEmpty()) {
            QCOMPARE(finishReport(), report(2, QString(), QStringLiteral("下载过程发生了错误")));
        } else {
            const QString target = m_folder + QLatin1Char('/') + name;
            QCOMPARE(finishReport(), report(0, target, QString()));
            QCOMPARE(contentOf(target), servedBytes(5000));
        }
        QCOMPARE(QDir(m_folder).entryList(QDir::Files),
                 name.isEmpty() ? QStringList() : QStringList{name});
        // No report follows from any job of the chain.
        QTRY_VERIFY_WITH_TIMEOUT(jobs().isEmpty(), 5000);
        QCOMPARE(pageCalls("finishCbkByCpp").size(), size_t(1));
    }

    void redirectOntoAnExistingFileAnsweredNo()
    {
        const QString existing = m_folder + QStringLiteral("/kept.exe");
        writeSavedFile(existing, "old");
        const QString target = served(QStringLiteral("/drivers/kept.exe?size=100"));
        ScriptedMessageBox::setNextAnswer(QMessageBox::No);
        QCOMPARE(down(m_local.url(QStringLiteral("/to/first.exe?url=") +
                                  QString::fromLatin1(QUrl::toPercentEncoding(target)))),
                 0);
        QVERIFY(waitForFinish());
        QCOMPARE(finishReport(),
                 report(2, QString(), QStringLiteral("下载过程发生了错误,错误值:1")));
        QCOMPARE(contentOf(existing), QByteArray("old"));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/first.exe")));
        QTRY_COMPARE(m_fileManager.calls,
                     (QStringList{QStringLiteral("ShowItems"), fileUri(existing)}));
        // Only the first job is left, waiting for its deletion.
        QCOMPARE(jobs().size(), 1);
    }

    void existingFile_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(QMessageBox::Yes);
        QTest::newRow("no") << int(QMessageBox::No);
        QTest::newRow("closed") << int(QMessageBox::NoButton);
    }
    void existingFile()
    {
        QFETCH(int, answer);
        const QString path = m_folder + QStringLiteral("/again.exe");
        writeSavedFile(path, "old");
        ScriptedMessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
        const int result = down(served(QStringLiteral("/drivers/again.exe?size=1000")));

        const auto shown = ScriptedMessageBox::lastShown();
        QVERIFY(shown);
        QCOMPARE(shown->title, QStringLiteral("重新下载"));
        QCOMPARE(shown->text, QStringLiteral(" %1.已经下载好了， 是否重新下载?").arg(path));
        QCOMPARE(shown->buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown->defaultButton, QMessageBox::No);
        QCOMPARE(shown->parent, m_window.get());
        if (answer == QMessageBox::Yes) {
            QCOMPARE(result, 0);
            QVERIFY(waitForFinish());
            QCOMPARE(finishReport(), report(0, path, QString()));
            QCOMPARE(contentOf(path), servedBytes(1000));
            QVERIFY(m_fileManager.calls.isEmpty());
        } else {
            QCOMPARE(result, 1);
            QCOMPARE(contentOf(path), QByteArray("old"));
            QTRY_COMPARE(m_fileManager.calls,
                         (QStringList{QStringLiteral("ShowItems"), fileUri(path)}));
            QVERIFY(jobs().isEmpty());
            QVERIFY(pageCalls("finishCbkByCpp").empty());
        }
        QVERIFY(taskbarEndsHidden());
    }

    void unwritableFolder()
    {
        // A plain file where the folder should be: no rights check can let this through.
        const QString blocker = m_home.filePath(QStringLiteral("blocker"));
        writeFile(blocker, "x");
        storeSaveFolder(blocker);
        ScriptedMessageBox::setNextAnswer(QMessageBox::Ok);
        QCOMPARE(down(served(QStringLiteral("/drivers/u.exe"))), 2);
        const auto shown = ScriptedMessageBox::lastShown();
        QVERIFY(shown);
        QCOMPARE(shown->title, QStringLiteral("错误"));
        QVERIFY2(shown->text.startsWith(
                     QStringLiteral("无法保存文件 %1: ")
                         .arg(QDir::toNativeSeparators(blocker + QStringLiteral("/u.exe")))),
                 qPrintable(shown->text));
        QVERIFY(jobs().isEmpty());
        QVERIFY(taskbarEndsHidden());
    }

    void wrongArgumentCount_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("none") << 0;
        QTest::newRow("three") << 3;
        QTest::newRow("five") << 5;
    }
    void wrongArgumentCount()
    {
        QFETCH(int, count);
        const std::vector<FakeValue> args(size_t(count),
                                          V::string(served(QStringLiteral("/drivers/n.exe"))));
        QCOMPARE(wke.call("Down", args), V::number(3));
        QVERIFY(jobs().isEmpty());
        QVERIFY(!ScriptedMessageBox::lastShown());
        QVERIFY(QDir(m_folder).entryList(QDir::Files).isEmpty());
    }

    void finishedJobIsDestroyedASecondLater()
    {
        QCOMPARE(down(served(QStringLiteral("/drivers/d.exe?size=1000"))), 0);
        QVERIFY(waitForFinish());
        QElapsedTimer sinceFinish;
        sinceFinish.start();
        QCOMPARE(jobs().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(jobs().isEmpty(), 5000);
        QVERIFY(sinceFinish.elapsed() >= 900);
    }

    void closingTheWindowMidDownloadLeavesNoFileUnderItsName()
    {
        const QString url = served(QStringLiteral("/drivers/p.exe?size=4000000&rate=1000000"));
        QCOMPARE(down(url), 0);
        QTRY_VERIFY(!pageCalls("progressCbkByCpp").empty());
        const QString part =
            m_folder + QLatin1Char('/') + DownloadFileName::partName(QStringLiteral("p.exe"), url);
        QVERIFY(QFile::exists(part));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/p.exe")));
        setMainWindow(nullptr);
        m_window.reset();
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/p.exe")));
        // What arrived waits for the next download of the address.
        QVERIFY(QFileInfo(part).size() > 0);
    }

    void downDir()
    {
        storeSaveFolder(QString());
        QCOMPARE(wke.call("downDir", {}), V::string(defaultFolder()));
        QVERIFY(QFileInfo(defaultFolder()).isDir());

        const QString chosen = m_home.filePath(QStringLiteral("chosen/不存在"));
        QCOMPARE(wke.call("downDir", {V::string(chosen)}), V::boolean(true));
        QVERIFY(!QFile::exists(chosen));
        QCOMPARE(wke.call("downDir", {V::number(7)}), V::undefined());
        QCOMPARE(User::instance()->saveFolder(), chosen);

        // As after a restart: the user file has it.
        User::instance()->loadUserFile();
        QCOMPARE(User::instance()->saveFolder(), chosen);

        // The next download creates the folder.
        QCOMPARE(down(served(QStringLiteral("/drivers/n.exe?size=10"))), 0);
        QVERIFY(waitForFinish());
        QCOMPARE(contentOf(chosen + QStringLiteral("/n.exe")), servedBytes(10));
    }

    void selectDir_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("chosen") << m_home.filePath(QStringLiteral("picked"));
        QTest::newRow("cancelled") << QString();
    }
    void selectDir()
    {
        QFETCH(QString, answer);
        ShellActions::setNextChosenFolder(answer);
        QCOMPARE(wke.call("selectDir", {V::number(1)}), V::string(answer));
        User::instance()->loadUserFile();
        QCOMPARE(User::instance()->saveFolder(), answer);
        QCOMPARE(saveFolder(), answer.isEmpty() ? defaultFolder() : answer);
    }

    void shellMessages()
    {
        storeSaveFolder(QString());
        QCOMPARE(wke.call("eMsg", {V::string(QStringLiteral("saveFolder"))}), V::boolean(true));
        QVERIFY(QFileInfo(defaultFolder()).isDir());
        QCOMPARE(m_urls.opened, QList<QUrl>{QUrl::fromLocalFile(defaultFolder())});

        QCOMPARE(wke.call("eMsg", {V::string(QStringLiteral("service"))}), V::boolean(true));
        QCOMPARE(m_urls.opened.size(), 2);
        QCOMPARE(m_urls.opened.last(), QUrl(User::instance()->serviceLink(), QUrl::TolerantMode));
        QTRY_VERIFY(!User::instance()->learningPage().isEmpty());
        QCOMPARE(wke.call("eMsg", {V::string(QStringLiteral("tutorial"))}), V::boolean(true));
        QCOMPARE(m_urls.opened.size(), 3);
        QCOMPARE(m_urls.opened.last(), QUrl(User::instance()->learningPage(), QUrl::TolerantMode));
    }

    void vendorPages_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opened");
        QTest::newRow("NVIDIA search") << "https://www.nvidia.com/en-us/drivers/" << true;
        QTest::newRow("AMD, capitals") << "https://WWW.AMD.COM/en/support" << true;
        QTest::newRow("ATI download host") << "https://www2.ati.com/drivers/" << true;
        QTest::newRow("Intel itself") << "https://intel.com/" << true;
        QTest::newRow("plain http") << "http://www.nvidia.com/" << false;
        QTest::newRow("look-alike host") << "https://www.evilnvidia.com/" << false;
        QTest::newRow("vendor as a subdomain") << "https://nvidia.com.example/" << false;
        QTest::newRow("vendor in the user part") << "https://www.intel.com@evil.example/" << false;
        QTest::newRow("local file") << "file:///etc/passwd" << false;
        QTest::newRow("not an address") << "nvidia.com" << false;
    }
    void vendorPages()
    {
        QFETCH(QString, address);
        QFETCH(bool, opened);
        QCOMPARE(wke.call("openVendorPage", {V::string(address)}), V::boolean(opened));
        QCOMPARE(m_urls.opened, opened ? QList<QUrl>{QUrl(address)} : QList<QUrl>());
        QCOMPARE(wke.call("openVendorPage", {V::number(1)}), V::undefined());
    }

    void explorerArguments_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("isDirectory");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("file, blank in a folder")
            << "C:/Users/Mei Lin/Documents/驱动/setup.exe" << false
            << QStringList{"/select,", "C:\\Users\\Mei Lin\\Documents\\驱动\\setup.exe"};
        QTest::newRow("directory") << "C:/Users/Mei Lin/Documents/驱动" << true
                                   << QStringList{"C:\\Users\\Mei Lin\\Documents\\驱动"};
    }
    void explorerArguments()
    {
        QFETCH(QString, path);
        QFETCH(bool, isDirectory);
        QFETCH(QStringList, arguments);
        QCOMPARE(ShellActions::explorerArguments(path, isDirectory), arguments);
    }

    void revealInFileManager_data()
    {
        QTest::addColumn<bool>("isDirectory");
        QTest::addColumn<bool>("fileManagerRuns");
        QTest::newRow("file") << false << true;
        QTest::newRow("directory") << true << true;
        QTest::newRow("file, no file manager") << false << false;
        QTest::newRow("directory, no file manager") << true << false;
    }
    void revealInFileManager()
    {
        QFETCH(bool, isDirectory);
        QFETCH(bool, fileManagerRuns);
        const QString folder = m_home.filePath(QStringLiteral("with blank"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = isDirectory ? folder : folder + QStringLiteral("/setup.exe");
        if (!isDirectory)
            writeFile(path, "x");
        if (!fileManagerRuns)
            m_fileManager.unregisterFromBus();
        ShellActions::revealInFolder(path);
        if (fileManagerRuns) {
            QTRY_COMPARE(m_fileManager.calls,
                         (QStringList{isDirectory ? "ShowFolders" : "ShowItems", fileUri(path)}));
            QVERIFY(m_urls.opened.isEmpty());
        } else {
            QTRY_COMPARE(m_urls.opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
            QVERIFY(m_fileManager.calls.isEmpty());
            QVERIFY(m_fileManager.registerOnBus());
        }
    }
};

QTEST_MAIN(TestDownloads)
#include "tst_downloads.moc"
