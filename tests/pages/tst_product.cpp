// The whole product end to end: the real program, runtime and pages on the
// sample desktop (samples/desktop) against the stand-in service, driven
// through the start page. Screenshots of each state go to the build tree.

#include "base/buildconfig.h"
#include "base/cataloguescript.h"
#include "productrun.h"
#include "standin.h"
#include "tinyproxy.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kSaveFolderName = QStringLiteral("/Documents/驱动");
const QString kNvidiaFile =
    QStringLiteral("582.66-desktop-win10-win11-64bit-international-dch-whql.exe");
const QString kIntelFile = QStringLiteral("gfx_win_101.2145.exe");
constexpr qint64 kNvidiaSize = 50331648;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString card(const char *vendor)
{
    return QStringLiteral("document.querySelector('.card[data-vendor=%1]')")
        .arg(QLatin1String(vendor));
}

} // namespace

class TestProduct final : public QObject {
    Q_OBJECT

private:
    StandIn m_standIn;
    QTemporaryDir m_root;
    QString m_appDir;
    QString m_plainAppDir; // with the vendors' own addresses
    QString m_saveFolder;
    std::unique_ptr<ProductRun> m_run;

    QProcessEnvironment environment(const QString &sysroot) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString url = m_standIn.url().toString(QUrl::StripTrailingSlash);
        env.insert(QStringLiteral("HOME"), m_root.path() + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("TESSALY_SERVICE_URL"), url);
        env.insert(QStringLiteral("TESSALY_STATISTICS_URL"), url);
        env.insert(QStringLiteral("TESSALY_SYSROOT"), sysroot);
        env.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
        return env;
    }

    void shoot(const QString &name, bool wholeScreen = false)
    {
        const QString path =
            QStringLiteral(SCREENSHOT_DIR "/product-") + name + QStringLiteral(".png");
        if (!m_run->screenshot(path, wholeScreen))
            qWarning() << "no screenshot" << path;
    }

    QString text(const QString &expression)
    {
        return m_run->eval(expression + QStringLiteral(".innerText")).toString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QVERIFY(m_standIn.start());
        QByteArray catalogue = readAll(QStringLiteral(HTML_DIR "/data/catalogue.js")) +
                               readAll(QStringLiteral(SAMPLES_DIR "/demo-catalogue.js"));
        QVERIFY(catalogue.contains("@SERVICE_URL@"));
        catalogue.replace("@SERVICE_URL@",
                          m_standIn.url().toString(QUrl::StripTrailingSlash).toUtf8());
        m_appDir = m_root.path() + QStringLiteral("/app");
        QVERIFY(ProductRun::install(QStringLiteral(TESSALY_BIN_DIR), QStringLiteral(HTML_DIR),
                                    QStringLiteral(DRIVER_SCRIPT), catalogue, m_appDir));
        m_saveFolder = m_root.path() + QStringLiteral("/home") + kSaveFolderName;
        m_plainAppDir = m_root.path() + QStringLiteral("/plain");
        QVERIFY(ProductRun::install(QStringLiteral(TESSALY_BIN_DIR), QStringLiteral(HTML_DIR),
                                    QStringLiteral(DRIVER_SCRIPT),
                                    readAll(QStringLiteral(HTML_DIR "/data/catalogue.js")),
                                    m_plainAppDir));

        m_run = std::make_unique<ProductRun>(m_appDir,
                                             environment(QStringLiteral(SAMPLES_DIR "/desktop")));
        QVERIFY(m_run->start());
    }

    void adaptersAreListedWithTheirDrivers()
    {
        QVERIFY2(m_run->waitFor(QStringLiteral("document.querySelectorAll('.card').length === 2"),
                                30000),
                 qPrintable(m_run->output()));
        const QString nvidia = text(card("nvidia"));
        QVERIFY2(nvidia.contains(QStringLiteral("GeForce GTX 1050 Ti")), qPrintable(nvidia));
        QVERIFY2(nvidia.contains(QStringLiteral("NVIDIA GeForce Driver (R580)")),
                 qPrintable(nvidia));
        QVERIFY(nvidia.contains(QStringLiteral("582.66")));
        QVERIFY(nvidia.contains(QStringLiteral("PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1")));
        const QString intel = text(card("intel"));
        QVERIFY2(intel.contains(QStringLiteral("UHD Graphics 630")), qPrintable(intel));
        QVERIFY(intel.contains(QStringLiteral("31.0.101.2145")));
        QCOMPARE(text(QStringLiteral("document.getElementById('adapterSummary')")),
                 QStringLiteral("检测到 2 块显卡"));
        QCOMPARE(text(QStringLiteral("document.getElementById('folderPath')")), m_saveFolder);
        shoot(QStringLiteral("adapters"));
    }

    void downloadRunsToTheEndIntoTheSaveFolder()
    {
        m_run->eval(card("nvidia") + QStringLiteral(".querySelector('button.download').click()"));
        QVERIFY(m_run->waitFor(card("nvidia") + QStringLiteral(".querySelector('.progress')") +
                                   QStringLiteral(" !== null && Tessaly.app.state.download."
                                                  "received > 12000000"),
                               20000));
        m_run->waitFor(QStringLiteral("/MB\\/s/.test(") + card("nvidia") +
                           QStringLiteral(".innerText)"),
                       5000);
        shoot(QStringLiteral("downloading"));
        QVERIFY2(
            m_run->waitFor(QStringLiteral("Tessaly.app.state.download.state === 'done'"), 30000),
            qPrintable(text(card("nvidia"))));
        QVERIFY(m_run->waitFor(QStringLiteral("/下载完成/.test(") + card("nvidia") +
                                   QStringLiteral(".innerText)"),
                               5000));
        // The stand-in's file carries no signature; without osslsigncode the
        // check cannot run. Either way the card says so.
        QVERIFY2(m_run->waitFor(QStringLiteral("/没有数字签名|未能检查/.test(") + card("nvidia") +
                                    QStringLiteral(".innerText)"),
                                30000),
                 qPrintable(text(card("nvidia"))));
        // The card's end, with the signature note, in the picture.
        m_run->eval(card("nvidia") + QStringLiteral(".scrollIntoView(false)"));
        shoot(QStringLiteral("finished"));

        const QString path = m_saveFolder + QLatin1Char('/') + kNvidiaFile;
        QCOMPARE(m_run->eval(QStringLiteral("Tessaly.app.state.download.path")).toString(), path);
        const QByteArray body = readAll(path);
        QCOMPARE(body.size(), kNvidiaSize);
        QVERIFY(body.startsWith("MZ"));
        for (const qint64 at : {qint64(250), qint64(251), kNvidiaSize - 1})
            QCOMPARE(quint8(body[int(at)]), quint8(at % 251));
        QVERIFY(text(card("nvidia")).contains(kNvidiaFile));
    }

    void cancelDeletesThePartialFile()
    {
        const QString path = m_saveFolder + QLatin1Char('/') + kIntelFile;
        // While it runs the body goes into a part file beside the name.
        const auto parts = [this] {
            return QDir(m_saveFolder)
                .entryInfoList({kIntelFile + QStringLiteral(".*.part")}, QDir::Files);
        };
        m_run->eval(card("intel") + QStringLiteral(".querySelector('button.download').click()"));
        QVERIFY(
            m_run->waitFor(QStringLiteral("Tessaly.app.state.download.received > 300000"), 20000));
        QTRY_VERIFY(!parts().isEmpty() && parts().first().size() > 0);
        QVERIFY(!QFileInfo::exists(path));
        m_run->eval(card("intel") + QStringLiteral(".querySelector('button.cancel').click()"));
        QVERIFY(m_run->waitFor(QStringLiteral("Tessaly.app.state.download.state === 'cancelled'"),
                               20000));
        QVERIFY(text(card("intel")).contains(QStringLiteral("已取消下载")));
        shoot(QStringLiteral("cancelled"));
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(parts().isEmpty());
        QVERIFY2(QFileInfo::exists(m_saveFolder + QLatin1Char('/') + kNvidiaFile),
                 "the finished download stays");
    }

    void inventoryFillsIn()
    {
        m_run->eval(QStringLiteral("document.querySelector('.tab[data-view=inventory]').click()"));
        QVERIFY(m_run->waitFor(QStringLiteral("document.querySelectorAll('.tile').length === 11 && "
                                              "document.getElementById('inventoryStatus')."
                                              "classList.contains('hidden')"),
                               30000));
        const auto value = [this](const char *key) {
            return text(QStringLiteral("document.querySelector('.tile[data-key=%1] .tile-value')")
                            .arg(QLatin1String(key)));
        };
        QCOMPARE(value("host"), QStringLiteral("DESKTOP-TESSALY"));
        QCOMPARE(value("system"), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
        QCOMPARE(value("cpu"), QStringLiteral("Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz"));
        QCOMPARE(value("baseboard"), QStringLiteral("ASUSTeK COMPUTER INC. PRIME B365M-A"));
        QCOMPARE(value("physicalMemory"), QStringLiteral("8GB(Kingston 2666MHz)单通道内存"));
        QCOMPARE(value("diskDrive"), QStringLiteral("Samsung SSD 970 EVO Plus 500GB"));
        QCOMPARE(value("monitor"), QStringLiteral("DELL U2415"));
        QCOMPARE(value("audioCard"), QStringLiteral("HDA Intel PCH"));
        QVERIFY(value("videoController").contains(QStringLiteral("NVIDIA")) ||
                value("videoController").contains(QStringLiteral("Intel")));
        shoot(QStringLiteral("inventory"));
    }

    void signInShowsTheNickname()
    {
        QVERIFY(m_standIn.reset());
        // The click opens the modal sign-in dialog; the script waits inside it.
        const int click =
            m_run->post(QStringLiteral("document.getElementById('usericonBtn').click(), true"));
        QString ticket;
        const bool polled = QTest::qWaitFor(
            [&] {
                const QJsonArray polls =
                    m_standIn.log(QStringLiteral("/api/driverwechat/index/querylogin"));
                for (const QJsonValue &request : polls) {
                    for (const QJsonValue &item : request[QStringLiteral("query")].toArray()) {
                        if (item[0].toString() == QLatin1String("ticket"))
                            ticket = item[1].toString();
                    }
                }
                return !ticket.isEmpty();
            },
            10000);
        if (!polled)
            QSKIP("the account icon opened no sign-in dialog that polls the service");
        shoot(QStringLiteral("signin-dialog"), true);
        // Stands for scanning the code with the phone and confirming.
        m_standIn.control("GET", QStringLiteral("/login/scan?ticket=") + ticket);
        bool ok = false;
        m_run->reply(click, 30000, &ok);
        QVERIFY2(ok, "the sign-in dialog closed");
        QVERIFY2(m_run->waitFor(QStringLiteral("document.getElementById('userName').textContent "
                                               "=== '测试用户'"),
                                20000),
                 qPrintable(text(QStringLiteral("document.getElementById('userName')"))));
        m_run->eval(QStringLiteral("document.querySelector('.tab[data-view=drivers]').click()"));
        shoot(QStringLiteral("signed-in"));
    }

    void wordingFollowsTheCountry()
    {
        m_run->eval(QStringLiteral("document.querySelector('.tab[data-view=drivers]').click(), "
                                   "setCountry(1)"));
        QCOMPARE(text(QStringLiteral("document.getElementById('adapterSummary')")),
                 QStringLiteral("2 graphics adapters found"));
        shoot(QStringLiteral("english"));
        m_run->eval(QStringLiteral("setCountry(44)"));
        QCOMPARE(text(QStringLiteral("document.getElementById('adapterSummary')")),
                 QStringLiteral("检测到 2 块显卡"));
    }

    void closeEndsTheProgram()
    {
        QVERIFY2(m_run->close(), qPrintable(m_run->output()));
        m_run.reset();
    }

    // Built with AddressSanitizer, the program is run start to close with a
    // download and a service request still running, and LeakSanitizer finds
    // nothing of ours at its exit: what the process-wide objects held went
    // with the application. (What system libraries keep for the whole
    // process is suppressed by library, never by our code.)
    void startToCloseLeavesNothingBehind()
    {
        if (!TESSALY_SANITIZED)
            QSKIP("a build without -DTESSALY_SANITIZE=ON has no LeakSanitizer");
        QProcessEnvironment env = environment(QStringLiteral(SAMPLES_DIR "/desktop"));
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=1"));
        // Mesa's GL driver would be unloaded before the leak check, taking
        // with it the names a suppression needs; the page needs no GL.
        env.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
        env.insert(QStringLiteral("LSAN_OPTIONS"),
                   QStringLiteral("suppressions=" LSAN_SUPPRESSIONS ":print_suppressions=0"));
        const QString report = QStringLiteral(SCREENSHOT_DIR "/leaks.txt");
        QFile::remove(report);
        // LeakSanitizer's stop-the-world tracer sometimes dies on its own on
        // shared machines; a second run decides.
        QString output;
        for (int attempt = 0; attempt < 2; ++attempt) {
            // The catalogue query is still on its way at the close.
            QVERIFY(m_standIn.reset());
            QVERIFY(m_standIn.script({{"path", "/api/driver/catalogue"}, {"delay_ms", 60000}}));
            ProductRun run(m_appDir, env);
            QVERIFY(run.start());
            QVERIFY2(run.waitFor(card("intel") + QStringLiteral(" !== null"), 60000),
                     qPrintable(run.output()));
            QTRY_VERIFY(!m_standIn.log(QStringLiteral("/api/driver/catalogue")).isEmpty());
            run.eval(card("intel") + QStringLiteral(".querySelector('button.download').click()"));
            QVERIFY(run.waitFor(QStringLiteral("Tessaly.app.state.download.received > 0"), 30000));
            const bool closed = run.close();
            output = run.output();
            if (closed && !output.contains(QStringLiteral("LeakSanitizer")))
                return;
            if (!output.contains(QStringLiteral("LeakSanitizer has encountered a fatal error")))
                break;
        }
        QFile file(report);
        if (file.open(QIODevice::WriteOnly))
            file.write(output.toUtf8());
        if (output.contains(QStringLiteral("LeakSanitizer has encountered a fatal error")))
            QSKIP(qPrintable(QStringLiteral("LeakSanitizer could not run here twice: see ") +
                             report));
        QFAIL(qPrintable(QStringLiteral("the run did not end cleanly: see ") + report));
    }

    // A build without a service, as built by default: not one request
    // leaves the program (the proxy every request would go through sees
    // none, nor does the stand-in), and the page offers no sign-in.
    void noServiceMeansNoTraffic()
    {
        if (!QStringLiteral(TESSALY_SERVICE_HOST).isEmpty())
            QSKIP("this build has a service host built in");
        TinyProxy proxy;
        if (!proxy.start(m_standIn.url().port()))
            QSKIP(qPrintable(proxy.skipReason()));
        QVERIFY(m_standIn.reset());
        QProcessEnvironment env = environment(QStringLiteral(SAMPLES_DIR "/desktop"));
        env.remove(QStringLiteral("TESSALY_SERVICE_URL"));
        env.remove(QStringLiteral("TESSALY_STATISTICS_URL"));
        for (const char *name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"})
            env.insert(QLatin1String(name), QString::fromLatin1(proxy.url()));
        env.remove(QStringLiteral("no_proxy"));
        env.remove(QStringLiteral("NO_PROXY"));
        m_run = std::make_unique<ProductRun>(m_plainAppDir, env);
        QVERIFY(m_run->start());
        QVERIFY2(m_run->waitFor(QStringLiteral("document.querySelectorAll('.card').length === 2 "
                                               "&& !!document.getElementById('catalogueInfo')"
                                               ".textContent"),
                                30000),
                 qPrintable(m_run->output()));
        QCOMPARE(m_run->eval(QStringLiteral("getComputedStyle(document.getElementById("
                                            "'usericonBtn')).display")),
                 QJsonValue(QStringLiteral("none")));
        // Signed in by the earlier test, persisted; still nothing to ask.
        QCOMPARE(m_run->eval(QStringLiteral("eMsg('loginPage')")), QJsonValue(false));
        shoot(QStringLiteral("no-service"), true);
        QVERIFY2(!proxy.output().contains("Request"), proxy.output().constData());
        QCOMPARE(m_standIn.control("GET", QStringLiteral("/__control/log")).array().size(), 0);
        QVERIFY(m_run->close());
        m_run.reset();
    }

    // A newer catalogue from the service changes the cards while the window
    // is open, is kept, and holds on the next start with the service gone.
    void newerCatalogueFromTheService()
    {
        QVERIFY(m_standIn.reset());
        QJsonObject newer =
            QJsonDocument::fromJson(
                CatalogueScript::documentOf(readAll(QStringLiteral(HTML_DIR "/data/catalogue.js"))))
                .object();
        QVERIFY(!newer.isEmpty());
        newer[QStringLiteral("date")] = QStringLiteral("2026-11-20");
        QJsonObject branches = newer[QStringLiteral("branches")].toObject();
        QJsonObject r580 = branches[QStringLiteral("nvidia-r580")].toObject();
        QJsonObject package = r580[QStringLiteral("package")].toObject();
        package[QStringLiteral("version")] = QStringLiteral("582.97");
        package[QStringLiteral("date")] = QStringLiteral("2026-11");
        package[QStringLiteral("url")] =
            QStringLiteral("https://us.download.nvidia.com/Windows/582.97/"
                           "582.97-desktop-win10-win11-64bit-international-dch-whql.exe");
        r580[QStringLiteral("package")] = package;
        branches[QStringLiteral("nvidia-r580")] = r580;
        newer[QStringLiteral("branches")] = branches;
        // Late, so the cards are there first with the built-in catalogue.
        m_standIn.control("POST", QStringLiteral("/__control/script"),
                          QJsonObject{{"path", "/api/driver/catalogue"},
                                      {"delay_ms", 1500},
                                      {"body", QString::fromUtf8(QJsonDocument(newer).toJson())}});

        m_run = std::make_unique<ProductRun>(m_appDir,
                                             environment(QStringLiteral(SAMPLES_DIR "/desktop")));
        QVERIFY(m_run->start());
        const QString info = QStringLiteral("document.getElementById('catalogueInfo')");
        QVERIFY2(m_run->waitFor(card("nvidia") + QStringLiteral(" !== null"), 30000),
                 qPrintable(m_run->output()));
        QVERIFY(text(card("nvidia")).contains(QStringLiteral("582.66")));
        QCOMPARE(text(info), QStringLiteral("驱动目录 2026-09 · 程序内置"));
        shoot(QStringLiteral("catalogue-built-in"));

        QVERIFY2(
            m_run->waitFor(card("nvidia") + QStringLiteral(".innerText.includes('582.97')"), 20000),
            qPrintable(m_run->output()));
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(text(info), QStringLiteral("驱动目录 2026-11-20 · %1 从服务更新").arg(today));
        // The download still comes from the stand-in: the demo overlay
        // applies to the newer catalogue too.
        QVERIFY(m_run
                    ->eval(QStringLiteral("Tessaly.app.state.matches.filter(function (m) { "
                                          "return m.vendor === '10de'; })[0].package.url"))
                    .toString()
                    .contains(QStringLiteral("/drivers/582.97-desktop")));
        shoot(QStringLiteral("catalogue-updated"));
        QVERIFY(m_run->close());

        // The next start, with nobody answering at the service's address.
        QProcessEnvironment offline = environment(QStringLiteral(SAMPLES_DIR "/desktop"));
        offline.insert(QStringLiteral("TESSALY_SERVICE_URL"), QStringLiteral("http://127.0.0.1:9"));
        m_run = std::make_unique<ProductRun>(m_appDir, offline);
        QVERIFY(m_run->start());
        QVERIFY2(m_run->waitFor(card("nvidia") + QStringLiteral(" !== null && ") + card("nvidia") +
                                    QStringLiteral(".innerText.includes('582.97')"),
                                30000),
                 qPrintable(m_run->output()));
        QVERIFY(text(info).contains(QStringLiteral("从服务更新")));
        QVERIFY(m_run->close());
        m_run.reset();
        QVERIFY(QFile::remove(m_root.path() +
                              QStringLiteral("/data/Aldmere/MorvaneTessalite/catalogue.json")));
    }

    void emptyAdapterListSaysSoAndOffersTheInventory()
    {
        const QString bare = m_root.path() + QStringLiteral("/bare");
        QVERIFY(QDir().mkpath(bare + QStringLiteral("/sys/bus/pci/devices")));
        m_run = std::make_unique<ProductRun>(m_appDir, environment(bare));
        QVERIFY(m_run->start());
        QVERIFY2(m_run->waitFor(QStringLiteral("document.querySelector('.empty') !== null"), 30000),
                 qPrintable(m_run->output()));
        QVERIFY(text(QStringLiteral("document.querySelector('.empty')"))
                    .contains(QStringLiteral("没有检测到 NVIDIA、Intel 或 AMD 显卡")));
        shoot(QStringLiteral("empty"));
        m_run->eval(QStringLiteral("document.getElementById('emptyInventoryBtn').click()"));
        QVERIFY(m_run->waitFor(QStringLiteral("document.querySelectorAll('.tile').length === 11"),
                               30000));
        QVERIFY(m_run->close());
        m_run.reset();
    }

    // One sample machine per way the catalogue answers, each card with its
    // explanation opened and the Linux driver in use.
    void cardsOfTheSampleMachines_data()
    {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QStringList>("shown");
        const auto row = [](const char *name, const char *tree, const char *vendor,
                            const QStringList &shown) {
            QTest::newRow(name) << QString::fromLatin1(tree) << QString::fromLatin1(vendor)
                                << shown;
        };
        row("rtx5090-notebook", "machines/rtx5090-notebook", "nvidia",
            {"GeForce RTX 5090", "NVIDIA GeForce Game Ready Driver (notebooks)", "610.88",
             "笔记本版", "Linux 内核驱动 nvidia 580.95.05", "不与 Windows 驱动包比较",
             "Blackwell (GB203M)", "VEN_10DE&DEV_2C58"});
        row("gtx1050ti", "desktop", "nvidia",
            {"GeForce GTX 1050 Ti", "NVIDIA GeForce Driver (R580)", "582.66", "870 MB",
             "Pascal 架构：NVIDIA 于 2026 年将 GeForce 10 系列移到 R580 分支。",
             "Linux 内核驱动 nvidia 580.95.05"});
        row("gtx780", "machines/gtx780", "nvidia",
            {"GeForce GTX 780", "R470", "475.14", "下载地址尚未经厂商确认",
             "厂商已停止更新这一驱动", "Linux 内核驱动 nvidia 470.256.02", "Kepler (GK110)"});
        row("gtx480", "machines/gtx480", "nvidia",
            {"GeForce GTX 480", "厂商已不再为这块显卡提供驱动", "最后一版：391.35",
             "Linux 内核驱动 nouveau", "Fermi (GF100)"});
        row("rx9070xt", "machines/rx9070xt", "amd",
            {"Navi 48", "AMD Software: Adrenalin Edition", "26.9.2", "下载地址尚未经厂商确认",
             "Linux 内核驱动 amdgpu", "RDNA 4 (Navi 48)"});
        row("radeon-vii", "machines/radeon-vii", "amd",
            {"Radeon VII", "Polaris/Vega", "25.5.1", "Vega (Vega 20)", "Linux 内核驱动 amdgpu"});
        row("arc-b580", "machines/arc-b580", "intel",
            {"Arc B580", "Intel Arc & Core Ultra Graphics Driver", "32.0.101.9033", "889 MB",
             "Linux 内核驱动 xe"});
        row("uhd630", "desktop", "intel",
            {"UHD Graphics 630", "Intel 7th-10th Gen", "31.0.101.2145", "Linux 内核驱动 i915"});
        row("hd530", "machines/hd530", "intel",
            {"HD Graphics 530", "Intel 6th Gen", "31.0.101.2115", "厂商已停止更新这一驱动",
             "Linux 内核驱动 i915", "Gen9 (Skylake-S GT2)"});
        row("unknown", "machines/unknown", "nvidia",
            {"Device 2e60", "没有这块显卡的已知驱动", "https://www.nvidia.com/en-us/drivers/",
             "未使用显卡驱动", "驱动目录中没有这个设备"});
    }

    void cardsOfTheSampleMachines()
    {
        QFETCH(QString, tree);
        QFETCH(QString, vendor);
        QFETCH(QStringList, shown);
        m_run = std::make_unique<ProductRun>(m_plainAppDir,
                                             environment(QStringLiteral(SAMPLES_DIR "/") + tree));
        QVERIFY(m_run->start());
        const QString selected = card(vendor.toLatin1().constData());
        QVERIFY2(m_run->waitFor(selected + QStringLiteral(" !== null"), 30000),
                 qPrintable(m_run->output()));
        m_run->eval(selected + QStringLiteral(".querySelector('.why-toggle').click()"));
        QVERIFY(m_run->waitFor(selected + QStringLiteral(".querySelector('.why-detail') !== null"),
                               5000));
        m_run->eval(selected + QStringLiteral(".scrollIntoView(false)"));
        const QString shownText = text(selected);
        for (const QString &expected : shown)
            QVERIFY2(shownText.contains(expected),
                     qPrintable(expected + QLatin1String(" in:\n") + shownText));
        shoot(QStringLiteral("card-") + QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(m_run->close());
        m_run.reset();
    }

    void cleanupTestCase()
    {
        m_run.reset();
        QVERIFY(m_standIn.stop());
    }
};

QTEST_GUILESS_MAIN(TestProduct)
#include "tst_product.moc"
