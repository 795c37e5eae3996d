// Drives the real program with the real runtime library and a test page.

#include "standin.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

class TestEndToEnd final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_appDir;
    StandIn m_standIn;

    bool copy(const QString &from, const QString &to)
    {
        QFile::remove(to);
        return QFile::copy(from, to) && QFile::setPermissions(to, QFile::permissions(from));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QVERIFY(m_standIn.start());
        m_appDir = m_root.path() + QStringLiteral("/app");
        QVERIFY(QDir().mkpath(m_appDir + QStringLiteral("/html/css")));
        const QString bin = QStringLiteral(TESSALY_BIN_DIR);
        QVERIFY(copy(bin + QStringLiteral("/tessaly"), m_appDir + QStringLiteral("/tessaly")));
        QVERIFY(copy(bin + QStringLiteral("/libwke.so"), m_appDir + QStringLiteral("/libwke.so")));
        const QString page = QStringLiteral(E2E_PAGE_DIR);
        for (const char *f : {"index.html", "css/a.css", "my page.html", "empty.html"}) {
            const QString name = QString::fromUtf8(f);
            QVERIFY(
                copy(page + QLatin1Char('/') + name, m_appDir + QStringLiteral("/html/") + name));
        }
        QFile beside(m_appDir + QStringLiteral("/beside.txt"));
        QVERIFY(beside.open(QIODevice::WriteOnly));
        beside.write("next to exe\n");
        beside.close();
        QFile secret(m_root.path() + QStringLiteral("/secret.txt"));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("secret\n");
    }

    void pageSeesTheBridgeAndTheHook()
    {
        QProcess app;
        app.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("TESSALY_SERVICE_URL"), m_standIn.url().toString());
        env.insert(QStringLiteral("TESSALY_STATISTICS_URL"), m_standIn.url().toString());
        app.setProcessEnvironment(env);
        app.start(m_appDir + QStringLiteral("/tessaly"), QStringList());
        QVERIFY(app.waitForStarted());
        if (!app.waitForFinished(60000)) {
            app.kill();
            app.waitForFinished();
            QFAIL(qPrintable(QStringLiteral("the program did not close itself:\n") +
                             QString::fromUtf8(app.readAll())));
        }
        const QString output = QString::fromUtf8(app.readAll());
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);

        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("E2E-RESULT ([^\\s\"']+)")).match(output);
        QVERIFY2(match.hasMatch(), qPrintable(output));
        const QJsonArray results =
            QJsonDocument::fromJson(QUrl::fromPercentEncoding(match.captured(1).toUtf8()).toUtf8())
                .array();
        QVERIFY(results.size() >= 19);
        for (const QJsonValue &v : results) {
            const QJsonObject r = v.toObject();
            QVERIFY2(r.value(QStringLiteral("ok")).toBool(),
                     qPrintable(r.value(QStringLiteral("name")).toString() + QStringLiteral(": ") +
                                r.value(QStringLiteral("actual")).toString()));
        }
        QVERIFY2(output.contains(QStringLiteral("loadedjs")), qPrintable(output));
        // The start pings reached the service.
        QTRY_COMPARE(m_standIn.pingCounts(), (QJsonObject{{QStringLiteral("openness"), 1},
                                                          {QStringLiteral("main_page"), 1}}));
    }

    void startWithoutRuntimeFailsWithAMessage()
    {
        QTemporaryDir bare;
        QVERIFY(
            copy(m_appDir + QStringLiteral("/tessaly"), bare.path() + QStringLiteral("/tessaly")));
        QProcess app;
        app.start(bare.path() + QStringLiteral("/tessaly"), QStringList());
        QVERIFY(app.waitForStarted());
        // The box waits for a person; answer it as one would.
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        QVERIFY(!xdotool.isEmpty());
        for (int attempt = 0; attempt < 40 && app.state() != QProcess::NotRunning; ++attempt) {
            QProcess search;
            search.start(xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--pid"), QString::number(app.processId())});
            search.waitForFinished();
            const QString box =
                QString::fromLatin1(search.readAll()).section(QLatin1Char('\n'), 0, 0);
            if (!box.isEmpty()) {
                QProcess::execute(xdotool, {QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                            box, QStringLiteral("key"), QStringLiteral("Return")});
            }
            app.waitForFinished(500);
        }
        QCOMPARE(app.state(), QProcess::NotRunning);
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QVERIFY(app.exitCode() != 0);
    }

    void cleanupTestCase() { QVERIFY(m_standIn.stop()); }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
