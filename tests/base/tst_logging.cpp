// The log file a user can send to support: it stays small however long the
// program runs, keeps the newest lines whole, marks each with its time, level
// and category, leaves off what the rules turn off, and the console still
// hears everything.

#include "base/logcategories.h"
#include "base/logfile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList &heardByConsole()
{
    static QStringList lines;
    return lines;
}

void console(QtMsgType, const QMessageLogContext &, const QString &message)
{
    heardByConsole().append(message);
}

QList<QByteArray> linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    return text.endsWith('\n') ? text.chopped(1).split('\n') : QList<QByteArray>{text};
}

int numberIn(const QByteArray &line)
{
    static const QRegularExpression number(QStringLiteral("line (\\d+) "));
    return number.match(QString::fromUtf8(line)).captured(1).toInt();
}

} // namespace

class TestLogging final : public QObject {
    Q_OBJECT

private slots:
    void staysSmallAndKeepsTheNewestLines()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("data/not yet made"));
        const QtMessageHandler before = qInstallMessageHandler(console);
        heardByConsole().clear();
        {
            const LogFile log(folder, 4096);
            for (int i = 0; i < 500; ++i)
                qCWarning(lcDownloads, "line %d of a long run", i);
            qCDebug(lcChatter) << "a pointer moved";
            qCInfo(lcService) << "two\nlines";
        }
        qCWarning(lcDownloads) << "after the log ended";
        qInstallMessageHandler(before);

        const QList<QByteArray> current = linesOf(folder + QStringLiteral("/tessaly.log"));
        const QList<QByteArray> older = linesOf(folder + QStringLiteral("/tessaly.log.1"));
        QVERIFY(!older.isEmpty());
        QVERIFY(QFileInfo(folder + QStringLiteral("/tessaly.log")).size() <= 4096);
        QVERIFY(QFileInfo(folder + QStringLiteral("/tessaly.log.1")).size() <= 4096);
        // The older file was full when the newer began, and no line was lost
        // between them.
        QVERIFY(QFileInfo(folder + QStringLiteral("/tessaly.log.1")).size() > 4096 - 100);
        QCOMPARE(numberIn(current.first()), numberIn(older.last()) + 1);

        const QRegularExpression form(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z W "
                           "tessaly\\.downloads: line 499 of a long run$"));
        QVERIFY2(form.match(QString::fromUtf8(current.at(current.size() - 2))).hasMatch(),
                 current.at(current.size() - 2).constData());
        QVERIFY(current.last().endsWith(" I tessaly.service: two lines"));
        const QByteArray all = (older + current).join('\n');
        QVERIFY(!all.contains("pointer"));
        QVERIFY(!all.contains("after the log ended"));
        QCOMPARE(heardByConsole().size(), 502);
        QCOMPARE(heardByConsole().last(), QStringLiteral("after the log ended"));
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
