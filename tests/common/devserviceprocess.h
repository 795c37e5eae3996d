#pragma once
// Runs the stand-in service on a free loopback port for a test executable and
// scripts it through its control endpoints. start() also points the program's
// service and statistics addresses at it, so it must run before the request
// client is first used.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QUrl>

class DevServiceProcess final {
public:
    DevServiceProcess() = default;
    ~DevServiceProcess();

    bool start();
    bool stop();
    QUrl url() const { return m_url; }

    QJsonDocument control(const QByteArray &verb, const QString &path,
                          const QJsonObject &body = QJsonObject());
    // Forgets logs, scripts, tickets and settings.
    bool reset();
    // Queues scripted answers: each entry names a "path" and what to answer.
    bool script(const QJsonObject &entry);
    bool setExpireSeconds(int seconds);
    // Requests the service received for `path`, oldest first.
    QJsonArray log(const QString &path);
    // Statistics pings received so far, by type.
    QJsonObject pingCounts();
    // Requests an address as the phone does when the user scans a code.
    int get(const QUrl &address);

private:
    QProcess m_process;
    QUrl m_url;
    QNetworkAccessManager m_network;
};
