#include "devserviceprocess.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QTest>

DevServiceProcess::~DevServiceProcess()
{
    stop();
}

bool DevServiceProcess::start()
{
    m_process.setProgram(QStringLiteral(TESSALY_DEVSERVICE_PATH));
    m_process.setArguments({QStringLiteral("--port"), QStringLiteral("0")});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted())
        return false;
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(10000))
            return false;
    }
    const QString ready = QString::fromUtf8(m_process.readLine()).trimmed();
    const int at = ready.indexOf(QLatin1String("http://"));
    if (!ready.startsWith(QLatin1String("listening on")) || at < 0)
        return false;
    m_url = QUrl(ready.mid(at));
    qputenv("TESSALY_SERVICE_URL", m_url.toString().toUtf8());
    qputenv("TESSALY_STATISTICS_URL", m_url.toString().toUtf8());
    return true;
}

bool DevServiceProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    return m_process.waitForFinished(10000) && m_process.exitCode() == 0;
}

QJsonDocument DevServiceProcess::control(const QByteArray &verb, const QString &path,
                                         const QJsonObject &body)
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
    if (!reply->isFinished() && !finished.wait(10000))
        qWarning() << "stand-in control request timed out:" << path;
    reply->deleteLater();
    return QJsonDocument::fromJson(reply->readAll());
}

bool DevServiceProcess::reset()
{
    return control("POST", QStringLiteral("/__control/reset"))
               .object()
               .value(QStringLiteral("ok")) == QJsonValue(true);
}

bool DevServiceProcess::script(const QJsonObject &entry)
{
    return control("POST", QStringLiteral("/__control/script"), entry)
               .object()
               .value(QStringLiteral("ok")) == QJsonValue(true);
}

bool DevServiceProcess::setExpireSeconds(int seconds)
{
    return control("POST", QStringLiteral("/__control/settings"),
                   QJsonObject{{QStringLiteral("expire_seconds"), seconds}})
               .object()
               .value(QStringLiteral("expire_seconds"))
               .toInt(-1) == seconds;
}

QJsonArray DevServiceProcess::log(const QString &path)
{
    return control("GET", QStringLiteral("/__control/log?path=") + path).array();
}

QJsonObject DevServiceProcess::pingCounts()
{
    return control("GET", QStringLiteral("/__control/statistics"))
        .object()
        .value(QStringLiteral("counts"))
        .toObject();
}

int DevServiceProcess::get(const QUrl &address)
{
    QNetworkReply *reply = m_network.get(QNetworkRequest(address));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(10000);
    reply->deleteLater();
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}
