#include "testenvironment.h"

#include "downloads/savedfiles.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QtTest>

#include <csignal>

#include <sys/prctl.h>

QByteArray servedBytes(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char(i % 251);
    // The stand-in's files start as Windows programs do.
    return data.replace(0, qMin(size, 2), QByteArray("MZ").left(size));
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void writeSavedFile(const QString &path, const QByteArray &content)
{
    writeFile(path, content);
    SavedFiles::remember(path);
}

QString fileUri(const QString &path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

void ChildProcess::setupChildProcess()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

bool PrivateBus::start()
{
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\" "
               "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:dir=" +
               m_dir.path().toUtf8() +
               "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n");
    file.close();
    m_process.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                     QStringLiteral("--config-file=") + config});
    if (!m_process.waitForReadyRead(10000))
        return false;
    const QByteArray address = m_process.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    return !address.isEmpty();
}

PrivateBus::~PrivateBus()
{
    m_process.terminate();
    m_process.waitForFinished(5000);
}

bool FileManagerDouble::registerOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), this,
                              QDBusConnection::ExportAllSlots) &&
           bus.registerService(QStringLiteral("org.freedesktop.FileManager1"));
}

void FileManagerDouble::unregisterFromBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
}

void FileManagerDouble::ShowItems(const QStringList &uris, const QString &)
{
    calls << QStringLiteral("ShowItems") << uris;
}

void FileManagerDouble::ShowFolders(const QStringList &uris, const QString &)
{
    calls << QStringLiteral("ShowFolders") << uris;
}

bool LauncherEntryListener::listen()
{
    // A connection of its own, so it hears the program's signals like a dock would.
    m_connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                 QStringLiteral("launcher-entry-listener"));
    return m_connection.connect(
        QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
        QStringLiteral("Update"), this, SLOT(onUpdate(QString, QVariantMap)));
}

void LauncherEntryListener::onUpdate(const QString &appUri, const QVariantMap &properties)
{
    updates.push_back({appUri, properties.value(QStringLiteral("progress")).toDouble(),
                       properties.value(QStringLiteral("progress-visible")).toBool()});
}

namespace {

// Writes body, or its first cutAt bytes and then cuts the connection.
void sendCut(httplib::Response &res, std::string body, qint64 cutAt)
{
    const size_t length = body.size();
    res.set_content_provider(
        length, "application/octet-stream",
        [body = std::move(body), cutAt](size_t offset, size_t, httplib::DataSink &sink) {
            const size_t end = cutAt >= 0 ? size_t(cutAt) : body.size();
            if (offset >= end)
                return false;
            return sink.write(body.data() + offset, end - offset);
        });
}

} // namespace

void LocalServer::answerVersion(const httplib::Request &req, httplib::Response &res,
                                Version &version)
{
    const_cast<httplib::Request &>(req).ranges.clear();
    res.set_header("ETag", version.etag);
    const qint64 cutAt = version.cutAt;
    version.cutAt = -1;
    const std::string range = req.get_header_value("Range");
    const bool sameVersion = !req.has_header("If-Range") || version.ignoreIfRange ||
                             req.get_header_value("If-Range") == version.etag;
    if (range.rfind("bytes=", 0) == 0 && sameVersion) {
        const size_t first = std::stoul(range.substr(6));
        res.status = 206;
        res.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                            std::to_string(version.content.size() - 1) + "/" +
                                            std::to_string(version.content.size()));
        sendCut(res, version.content.substr(first), cutAt);
        return;
    }
    sendCut(res, version.content, cutAt);
}

LocalServer::LocalServer()
{
    m_server.Get(".*", [this](const httplib::Request &req, httplib::Response &res) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back({req.target, {req.headers.begin(), req.headers.end()}});
            const auto version = m_versions.find(req.path);
            if (version != m_versions.end()) {
                answerVersion(req, res, version->second);
                return;
            }
            const auto file = m_files.find(req.path);
            if (file != m_files.end()) {
                res.set_content(file->second, "application/octet-stream");
                return;
            }
        }
        if (req.path.rfind("/to/", 0) == 0 && req.has_param("url")) {
            res.set_redirect(req.get_param_value("url"), 302);
            return;
        }
        res.set_content(body().toStdString(), "application/octet-stream");
    });
    // Bound and listening before the thread runs, so no request can come too early.
    m_port = m_server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
}

LocalServer::~LocalServer()
{
    m_server.stop();
    m_thread.join();
}

QString LocalServer::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery);
}

void LocalServer::serve(const std::string &path, const QByteArray &content)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files[path] = content.toStdString();
}

void LocalServer::serveVersion(const std::string &path, const QByteArray &content,
                               const std::string &etag, qint64 cutAt, bool ignoreIfRange)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_versions[path] = {content.toStdString(), etag, cutAt, ignoreIfRange};
}

std::vector<LocalServer::Seen> LocalServer::requests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}
