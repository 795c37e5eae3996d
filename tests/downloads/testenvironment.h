#pragma once
// What the download tests run against besides the stand-in service: a private
// session bus with a file manager double and a launcher-entry listener, and a
// small local server for what the stand-in cannot do (arbitrary redirects, a
// proxy).

#include <httplib.h>

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantMap>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Byte i of every file the stand-in serves (but a .zip).
QByteArray servedBytes(int size);
// A file's bytes, or "<missing>".
QByteArray contentOf(const QString &path);
// Writes a file, failing the running test when it cannot.
void writeFile(const QString &path, const QByteArray &content);
// Writes a file as an earlier download would have saved it.
void writeSavedFile(const QString &path, const QByteArray &content);
// The file: address a file manager is asked to show.
QString fileUri(const QString &path);

// A helper process that ends with the test, also when the test crashes.
class ChildProcess : public QProcess {
protected:
    void setupChildProcess() override;
};

// A dbus-daemon of our own, so that nothing reaches the desktop of the person
// running the tests.
class PrivateBus {
public:
    bool start();
    ~PrivateBus();

private:
    QTemporaryDir m_dir;
    ChildProcess m_process;
};

// Plays org.freedesktop.FileManager1 on the session bus and records its calls.
class FileManagerDouble : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    bool registerOnBus();
    void unregisterFromBus();
    QStringList calls; // method, then the URIs

public slots:
    void ShowItems(const QStringList &uris, const QString &startupId);
    void ShowFolders(const QStringList &uris, const QString &startupId);
};

// Listens to the launcher-entry signals that carry the taskbar progress.
class LauncherEntryListener : public QObject {
    Q_OBJECT

public:
    bool listen();
    struct Update {
        QString appUri;
        double progress = 0;
        bool visible = false;
    };
    std::vector<Update> updates;

private slots:
    void onUpdate(const QString &appUri, const QVariantMap &properties);

private:
    QDBusConnection m_connection{QString()};
};

// Records the addresses the program hands to the default handlers.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

// An in-test HTTP server: "/to/<name>?url=U" answers 302 to U; a path given
// to serve() answers its content; anything else (also absolute addresses,
// when it serves as a proxy) gets a short body.
class LocalServer {
public:
    LocalServer();
    ~LocalServer();
    QString url(const QString &pathAndQuery) const;
    int port() const { return m_port; }
    // Starts as Windows programs do, so that it passes for an installer.
    static QByteArray body() { return QByteArrayLiteral("MZ local body"); }
    void serve(const std::string &path, const QByteArray &content);
    // Serves content at path as one version of a file with this ETag: Range
    // requests get the rest (unless an If-Range names another version, when
    // ignoreIfRange is false), and the next answer is cut after cutAt bytes.
    void serveVersion(const std::string &path, const QByteArray &content, const std::string &etag,
                      qint64 cutAt = -1, bool ignoreIfRange = false);

    struct Seen {
        std::string target;
        std::multimap<std::string, std::string> headers;
    };
    std::vector<Seen> requests();

private:
    struct Version;
    void answerVersion(const httplib::Request &req, httplib::Response &res, Version &version);

    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::vector<Seen> m_requests;
    std::map<std::string, std::string> m_files;
    struct Version {
        std::string content;
        std::string etag;
        qint64 cutAt;
        bool ignoreIfRange;
    };
    std::map<std::string, Version> m_versions;
};
