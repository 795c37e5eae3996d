#pragma once
// The stand-in service (tessaly-devservice) for one test executable: started on
// a free loopback port, driven through its /__control/ interface. Tests that
// use it are added with tessaly_add_test(... STANDIN).

#include "listeningurl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSignalSpy>
#include <QUrl>
#include <QtDebug>

class StandIn {
public:
    // Starts it and waits for its "listening on" line.
    bool start()
    {
        m_process.setProgram(QStringLiteral(TESSALY_DEVSERVICE_PATH));
        m_process.setArguments({QStringLiteral("--port"), QStringLiteral("0")});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_url = listeningUrl(m_process);
        return m_url.isValid();
    }

    // Ends it with SIGTERM; true when it exited cleanly with code 0.
    bool stop()
    {
        m_process.terminate();
        return m_process.waitForFinished(10000) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

    QUrl url() const { return m_url; }

    QJsonDocument control(const QByteArray &verb, const QString &path,
                          const QJsonObject &body = QJsonObject())
    {
        QNetworkRequest request(m_url.resolved(QUrl(path)));
        QNetworkReply *reply = nullptr;
        if (verb == "GET") {
            reply = m_network.get(request);
        } else {
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
            reply = m_network.sendCustomRequest(request, verb, QJsonDocument(body).toJson());
        }
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!finished.wait(10000) || reply->error() != QNetworkReply::NoError)
            qWarning() << "stand-in control request failed:" << path << reply->errorString();
        reply->deleteLater();
        return QJsonDocument::fromJson(reply->readAll());
    }

    bool reset()
    {
        return control("POST", QStringLiteral("/__control/reset")).object().value("ok") == true;
    }

    // Requests received for path, oldest first.
    QJsonArray log(const QString &path)
    {
        return control("GET", QStringLiteral("/__control/log?path=") + path).array();
    }

    // Statistics pings received, by type.
    QJsonObject pingCounts()
    {
        return control("GET", QStringLiteral("/__control/statistics"))
            .object()
            .value(QStringLiteral("counts"))
            .toObject();
    }

    bool script(const QJsonObject &entry)
    {
        return control("POST", QStringLiteral("/__control/script"), entry).object().value("ok") ==
               true;
    }

private:
    QProcess m_process;
    QUrl m_url;
    QNetworkAccessManager m_network;
};

// Requests an address as the phone does when the user scans a sign-in code;
// returns the HTTP status.
inline int scanWithPhone(const QUrl &address)
{
    QNetworkAccessManager phone;
    QNetworkReply *reply = phone.get(QNetworkRequest(address));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(10000);
    reply->deleteLater();
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}
