// The driver catalogue from the service, through the real request client and
// the stand-in: what is taken and kept, what is refused, and that a refusal or
// a cut transfer leaves the kept catalogue as it was, for the next start too.

#include "base/cataloguescript.h"
#include "service/drivercatalogue.h"
#include "service/networkhelper.h"
#include "service/requestname.h"
#include "standin.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

using Edit = std::function<void(QJsonObject &)>;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject builtIn()
{
    return QJsonDocument::fromJson(
               CatalogueScript::documentOf(readFile(QStringLiteral(BUILTIN_SCRIPT))))
        .object();
}

// Sets catalogue[path...] = value, one level after another.
void set(QJsonObject &catalogue, const QStringList &path, const QJsonValue &value)
{
    if (path.size() == 1) {
        catalogue[path.first()] = value;
        return;
    }
    QJsonObject inner = catalogue[path.first()].toObject();
    set(inner, path.mid(1), value);
    catalogue[path.first()] = inner;
}

Edit setting(const QString &path, const QJsonValue &value)
{
    return [path, value](QJsonObject &c) { set(c, path.split(QLatin1Char('.')), value); };
}

QByteArray document(const QJsonObject &catalogue)
{
    return QJsonDocument(catalogue).toJson(QJsonDocument::Compact);
}

// A valid catalogue newer than the built-in one: a later date and a newer
// package on one branch.
QJsonObject newer(const QString &date, const QString &version)
{
    QJsonObject c = builtIn();
    set(c, {QStringLiteral("date")}, date);
    set(c,
        {QStringLiteral("branches"), QStringLiteral("nvidia-r580"), QStringLiteral("package"),
         QStringLiteral("version")},
        version);
    return c;
}

} // namespace

class tst_CatalogueUpdate final : public QObject {
    Q_OBJECT

    StandIn m_standIn;
    QTemporaryDir m_folder;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_folder.isValid());
        QVERIFY(!builtIn().isEmpty());
        QVERIFY(m_standIn.start());
        qputenv("TESSALY_SERVICE_URL", m_standIn.url().toString().toUtf8());
        QVERIFY(NetworkHelper::instance()->hasService());
    }
    void cleanupTestCase() { QVERIFY(m_standIn.stop()); }

    void serviceCatalogue_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<bool>("taken");

        const QJsonObject kept = newer(QStringLiteral("2098-01-01"), QStringLiteral("700.01"));
        const auto edited = [](const Edit &edit) {
            QJsonObject c = newer(QStringLiteral("2099-01-01"), QStringLiteral("800.01"));
            edit(c);
            return document(c);
        };
        const QString r580 = QStringLiteral("branches.nvidia-r580.package.");
        QTest::newRow("newer and valid") << edited([](QJsonObject &) {}) << false << true;
        QTest::newRow("the one in use") << document(kept) << false << false;
        QTest::newRow("older than the one in use")
            << document(newer(QStringLiteral("2097-01-01"), QStringLiteral("800.01"))) << false
            << false;
        QTest::newRow("download off the vendors' hosts")
            << edited(setting(r580 + QStringLiteral("url"),
                              QStringLiteral("https://drivers.example.net/582.66.exe")))
            << false << false;
        QTest::newRow("lookalike host")
            << edited(setting(r580 + QStringLiteral("url"),
                              QStringLiteral("https://us.download.nvidia.com.example.net/a.exe")))
            << false << false;
        QTest::newRow("http download")
            << edited(setting(r580 + QStringLiteral("url"),
                              QStringLiteral("http://us.download.nvidia.com/Windows/a.exe")))
            << false << false;
        QTest::newRow("details page off the vendors' hosts")
            << edited(setting(r580 + QStringLiteral("details"),
                              QStringLiteral("https://example.org/")))
            << false << false;
        QTest::newRow("downloads moved to a base address")
            << edited(setting(QStringLiteral("base"), QStringLiteral("http://127.0.0.1:1")))
            << false << false;
        QTest::newRow("family without its branch")
            << edited(setting(QStringLiteral("families.pascal.branch"), QStringLiteral("gone")))
            << false << false;
        QTest::newRow("id without its family")
            << edited(setting(QStringLiteral("ids.VEN_10DE&DEV_1C82"), QJsonArray{"gone", ""}))
            << false << false;
        QTest::newRow("older date")
            << edited(setting(QStringLiteral("date"), QStringLiteral("2020-01"))) << false << false;
        QTest::newRow("older PCI id list")
            << edited(setting(QStringLiteral("pciIds"), QStringLiteral("2020.01.01"))) << false
            << false;
        QTest::newRow("older package")
            << edited(setting(r580 + QStringLiteral("date"), QStringLiteral("2020-01"))) << false
            << false;
        QTest::newRow("wrong format version")
            << edited(setting(QStringLiteral("format"), 3)) << false << false;
        QTest::newRow("too large")
            << edited(setting(QStringLiteral("padding"),
                              QString(int(CatalogueCheck::kMaxBytes), QLatin1Char('x'))))
            << false << false;
        const QByteArray whole = edited([](QJsonObject &) {});
        QTest::newRow("broken JSON") << whole.left(whole.size() / 2) << false << false;
        QTest::newRow("cut transfer") << whole << true << false;
    }

    // The kept catalogue is one taken earlier; each answer of the service
    // either replaces it or leaves it byte for byte, and the next start,
    // without asking the service, uses what is kept.
    void serviceCatalogue()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, drop);
        QFETCH(bool, taken);

        QVERIFY(m_standIn.reset());
        const QString folder = m_folder.filePath(QString::fromLatin1(QTest::currentDataTag()));
        const QByteArray kept =
            document(newer(QStringLiteral("2098-01-01"), QStringLiteral("700.01")));
        QVERIFY(QDir().mkpath(folder));
        {
            QFile file(folder + QStringLiteral("/catalogue.json"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size());
        }

        DriverCatalogue catalogue(QStringLiteral(BUILTIN_SCRIPT), folder);
        catalogue.load();
        QCOMPARE(catalogue.updated(), kept);
        QSignalSpy changed(&catalogue, &DriverCatalogue::updatedChanged);

        QJsonObject script{{"path", "/api/driver/catalogue"}};
        if (drop)
            script.insert(QStringLiteral("drop"), true);
        else
            script.insert(QStringLiteral("body"), QString::fromUtf8(answer));
        QVERIFY(m_standIn.control("POST", QStringLiteral("/__control/script"), script)
                    .object()
                    .value(QStringLiteral("ok"))
                    .toBool());
        catalogue.fetch();
        QTRY_COMPARE(m_standIn.log(QStringLiteral("/api/driver/catalogue")).size(), 1);
        QTRY_COMPARE(RequestName::liveCount(), 0);

        const QByteArray expected = taken ? answer : kept;
        QCOMPARE(changed.size(), taken ? 1 : 0);
        QCOMPARE(catalogue.updated(), expected);
        QCOMPARE(readFile(catalogue.keptPath()), expected);

        DriverCatalogue nextStart(QStringLiteral(BUILTIN_SCRIPT), folder);
        nextStart.load();
        QCOMPARE(nextStart.updated(), expected);
        QVERIFY(nextStart.updatedOn().isValid());
    }

    // A kept catalogue that a newer built-in one has overtaken, or that was
    // damaged on disk, is not used; the built-in one holds.
    void keptCatalogueIsCheckedAtStart_data()
    {
        QTest::addColumn<QByteArray>("kept");
        QTest::newRow("older than the built-in one")
            << document(newer(QStringLiteral("2001-01-01"), QStringLiteral("1.0")));
        QTest::newRow("damaged") << QByteArray("{\"format\": 2, \"date\": ");
    }
    void keptCatalogueIsCheckedAtStart()
    {
        QFETCH(QByteArray, kept);
        const QString folder = m_folder.filePath(QStringLiteral("start-") +
                                                 QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/catalogue.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size());
        file.close();
        DriverCatalogue catalogue(QStringLiteral(BUILTIN_SCRIPT), folder);
        catalogue.load();
        QVERIFY(catalogue.updated().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_CatalogueUpdate)
#include "tst_catalogueupdate.moc"
