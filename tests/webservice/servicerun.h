#pragma once
// Processes for the service tests: tessaly-service itself, and the phone
// (headless Chromium with an OpenID Connect provider, phone.mjs).

#include "listeningurl.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QUrl>

// One tessaly-service on a free loopback port; its log is kept for reading.
class ServiceRun {
public:
    bool start(const QJsonObject &config, const QString &folder,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProcessEnvironment(environment);
        const QString path = folder + QStringLiteral("/config-%1.json").arg(++s_count);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(config).toJson()) < 0)
            return false;
        file.close();
        m_process.setProgram(QStringLiteral(TESSALY_SERVICE_PATH));
        m_process.setArguments(
            {QStringLiteral("--config"), path, QStringLiteral("--port"), QStringLiteral("0")});
        QObject::connect(&m_process, &QProcess::readyReadStandardError,
                         [this] { m_log += m_process.readAllStandardError(); });
        m_process.start();
        m_url = listeningUrl(m_process);
        return m_url.isValid();
    }

    // SIGTERM; true when it ended cleanly.
    bool stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return m_process.exitCode() == 0;
        m_process.terminate();
        const bool ended = m_process.waitForFinished(15000);
        m_log += m_process.readAllStandardError();
        return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    void terminate() { m_process.terminate(); }
    QProcess &process() { return m_process; }

    QUrl url() const { return m_url; }
    QByteArray log() const { return m_log; }

private:
    static inline int s_count = 0;
    QProcess m_process;
    QUrl m_url;
    QByteArray m_log;
};

// The phone and the provider; every command answers one line.
class PhoneRun {
public:
    // Empty when it can run, else why not.
    QString start(const QString &clientSecret)
    {
        const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
        if (node.isEmpty())
            return QStringLiteral("node is not installed");
        if (!QFile::exists(QStringLiteral("/usr/bin/chromium")) &&
            qEnvironmentVariableIsEmpty("TESSALY_CHROMIUM"))
            return QStringLiteral("chromium is not installed");
        if (!QDir(QStringLiteral(PHONE_DIR "/node_modules/oidc-provider")).exists())
            return QStringLiteral(
                "the npm packages are not installed (tests/webservice/run.sh installs them)");
        m_process.setProgram(node);
        m_process.setArguments({QStringLiteral(PHONE_DIR "/phone.mjs"), clientSecret});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        const QString issuer = answer();
        if (!issuer.startsWith(QLatin1String("issuer ")))
            return QStringLiteral("the phone did not start: ") + issuer;
        m_issuer = issuer.mid(7);
        return QString();
    }
    ~PhoneRun()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
    }

    QString issuer() const { return m_issuer; }

    // Sends a command without waiting for its answer.
    void send(const QString &command) { m_process.write(command.toUtf8() + '\n'); }
    // The next line the phone prints.
    QString answer(int msecs = 60000)
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(msecs))
                return QStringLiteral("no answer");
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    QString ask(const QString &command)
    {
        send(command);
        return answer();
    }
    bool answered() const { return m_process.canReadLine(); }

private:
    QProcess m_process;
    QString m_issuer;
};
