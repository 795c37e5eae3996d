#include "productrun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace {

bool copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::permissions(from));
}

bool writeFile(const QString &path, const QByteArray &content)
{
    // Written aside and renamed, so the page never reads half a script.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
           file.commit();
}

QByteArray runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(tool), arguments);
    if (!process.waitForFinished(20000))
        return QByteArray();
    return process.readAllStandardOutput();
}

} // namespace

bool ProductRun::install(const QString &binDir, const QString &htmlDir, const QString &driverScript,
                         const QByteArray &catalogueText, const QString &appDir)
{
    if (!QDir().mkpath(appDir + QStringLiteral("/e2e")))
        return false;
    for (const char *name : {"tessaly", "libwke.so"}) {
        const QString file = QString::fromLatin1(name);
        if (!copyFile(binDir + QLatin1Char('/') + file, appDir + QLatin1Char('/') + file))
            return false;
    }
    const QDir source(htmlDir);
    QDirIterator it(htmlDir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = appDir + QStringLiteral("/html/") + source.relativeFilePath(from);
        if (!QDir().mkpath(QFileInfo(to).path()) || !copyFile(from, to))
            return false;
    }
    QFile index(appDir + QStringLiteral("/html/index.html"));
    if (!index.open(QIODevice::ReadOnly))
        return false;
    QByteArray page = index.readAll();
    index.close();
    page.replace("</body>", "<script src=\"e2e-driver.js\"></script>\n</body>");
    return writeFile(index.fileName(), page) &&
           copyFile(driverScript, appDir + QStringLiteral("/html/e2e-driver.js")) &&
           writeFile(appDir + QStringLiteral("/html/data/catalogue.js"), catalogueText);
}

ProductRun::ProductRun(const QString &appDir, const QProcessEnvironment &environment)
    : m_appDir(appDir)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setWorkingDirectory(appDir);
}

ProductRun::~ProductRun()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool ProductRun::start()
{
    for (const QFileInfo &stale :
         QDir(m_appDir + QStringLiteral("/e2e")).entryInfoList(QDir::Files))
        QFile::remove(stale.filePath());
    m_process.start(m_appDir + QStringLiteral("/tessaly"), QStringList());
    return m_process.waitForStarted();
}

void ProductRun::readOutput()
{
    static const QRegularExpression replyLine(QStringLiteral("E2E-REPLY (\\d+) (\\S+)"));
    const QByteArray chunk = m_process.readAll();
    m_output += QString::fromUtf8(chunk);
    m_pending += chunk;
    int end = -1;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        const QRegularExpressionMatch match = replyLine.match(line);
        if (match.hasMatch())
            m_replies.insert(match.captured(1).toInt(),
                             QUrl::fromPercentEncoding(match.captured(2).toUtf8()).toUtf8());
    }
}

int ProductRun::post(const QString &script)
{
    const int n = m_next++;
    writeFile(m_appDir + QStringLiteral("/e2e/cmd-") + QString::number(n), script.toUtf8());
    return n;
}

QJsonValue ProductRun::reply(int n, int timeoutMs, bool *ok, QString *error)
{
    QDeadlineTimer deadline(timeoutMs);
    readOutput();
    while (!m_replies.contains(n) && !deadline.hasExpired() &&
           m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(100);
        readOutput();
    }
    const QJsonObject answer = QJsonDocument::fromJson(m_replies.value(n)).object();
    const bool good = answer.value(QStringLiteral("ok")).toBool();
    if (ok)
        *ok = good;
    if (error) {
        *error = m_replies.contains(n) ? answer.value(QStringLiteral("error")).toString()
                                       : QStringLiteral("no reply to script %1").arg(n);
    }
    return answer.value(QStringLiteral("value"));
}

QJsonValue ProductRun::eval(const QString &script, bool *ok, int timeoutMs)
{
    return reply(post(script), timeoutMs, ok);
}

bool ProductRun::waitFor(const QString &script, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        bool ok = false;
        const QJsonValue value = eval(script, &ok, int(qMax<qint64>(deadline.remainingTime(), 1)));
        if (ok && value.toBool())
            return true;
    } while (!deadline.hasExpired() && m_process.state() == QProcess::Running);
    return false;
}

QString ProductRun::mainWindowId()
{
    // The frameless main window is the largest visible window of the program.
    const QStringList ids =
        QString::fromLatin1(runTool(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--pid"), QString::number(processId())}))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    static const QRegularExpression geometry(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
    QString best;
    int bestArea = 0;
    for (const QString &id : ids) {
        const QRegularExpressionMatch m = geometry.match(QString::fromLatin1(
            runTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), id})));
        const int area = m.hasMatch() ? m.captured(1).toInt() * m.captured(2).toInt() : 0;
        if (area > bestArea) {
            bestArea = area;
            best = id;
        }
    }
    return best;
}

bool ProductRun::screenshot(const QString &path, bool wholeScreen)
{
    const QString window = wholeScreen ? QStringLiteral("root") : mainWindowId();
    if (window.isEmpty() || !QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile::remove(path);
    runTool(QStringLiteral("import"), {QStringLiteral("-window"), window, path});
    return QFileInfo(path).size() > 0;
}

bool ProductRun::close()
{
    post(QStringLiteral("click('closeBtn')"));
    if (!m_process.waitForFinished(20000))
        return false;
    readOutput();
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}
