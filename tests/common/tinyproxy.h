#pragma once
// Debian's tinyproxy as the user's HTTP proxy, for one test: started on a free
// loopback port with a configuration file of its own, it hands every request
// on to one upstream server (the stand-in service), so that addresses under a
// name that resolves nowhere still arrive. Its output lists the requests it
// carried.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrl>

class TinyProxy {
public:
    ~TinyProxy()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

    // False when tinyproxy is missing or does not start; skipReason() says why.
    bool start(int upstreamPort)
    {
        const QString program = QStandardPaths::findExecutable(
            QStringLiteral("tinyproxy"), {QStringLiteral("/usr/bin"), QStringLiteral("/usr/sbin")});
        if (program.isEmpty()) {
            m_skipReason =
                QStringLiteral("tinyproxy is not installed (scripts/install-deps.sh installs it)");
            return false;
        }
        // A port that was free a moment ago; tinyproxy cannot report one it picked.
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost)) {
            m_skipReason = QStringLiteral("no free loopback port");
            return false;
        }
        m_port = probe.serverPort();
        probe.close();

        const QString config = m_dir.filePath(QStringLiteral("tinyproxy.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            m_skipReason = QStringLiteral("cannot write %1").arg(config);
            return false;
        }
        file.write(QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 60\nMaxClients 16\n"
                                  "Allow 127.0.0.1\nLogLevel Info\n"
                                  "Upstream http 127.0.0.1:%2\n")
                       .arg(m_port)
                       .arg(upstreamPort)
                       .toUtf8());
        file.close();

        // In the foreground and without a log file it writes its log to the terminal.
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, {QStringLiteral("-d"), QStringLiteral("-c"), config});
        while (!m_output.contains("Accepting connections")) {
            if (!m_process.waitForReadyRead(10000)) {
                m_skipReason = QStringLiteral("tinyproxy did not start: ") +
                               QString::fromLocal8Bit(m_output + m_process.readAll());
                return false;
            }
            m_output += m_process.readAll();
        }
        return true;
    }

    QString skipReason() const { return m_skipReason; }
    QByteArray url() const { return "http://127.0.0.1:" + QByteArray::number(m_port); }

    // Everything it has logged so far.
    QByteArray output()
    {
        m_output += m_process.readAll();
        return m_output;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_output;
    QString m_skipReason;
    quint16 m_port = 0;
};
