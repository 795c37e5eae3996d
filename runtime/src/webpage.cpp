#include "webpage.h"

#include "scriptbridge.h"

#include <QDebug>
#include <QNetworkRequest>
#include <QWebFrame>
#include <QWebSettings>

#include <cstdio>

WebPage::WebPage(QObject *parent) : QWebPage(parent)
{
    // Local pages are served without a charset; ours are written in UTF-8.
    settings()->setDefaultTextEncoding(QStringLiteral("UTF-8"));
    settings()->setAttribute(QWebSettings::PluginsEnabled, false);
    settings()->setAttribute(QWebSettings::JavaEnabled, false);
    settings()->setAttribute(QWebSettings::LocalContentCanAccessRemoteUrls, false);
    settings()->setAttribute(QWebSettings::DnsPrefetchEnabled, false);
    connect(this, &QWebPage::frameCreated, this, &ScriptBridge::attach);
    ScriptBridge::attach(mainFrame());
}

void logPageMessage(const QString &message, int lineNumber, const QString &sourceID)
{
    // Straight to the stream: a Windows program without a console sends Qt's
    // debug output to the debugger, where nobody reads it.
    const QByteArray line =
        QStringLiteral("[page] %1:%2: %3\n").arg(sourceID).arg(lineNumber).arg(message).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void WebPage::javaScriptConsoleMessage(const QString &message, int lineNumber,
                                       const QString &sourceID)
{
    logPageMessage(message, lineNumber, sourceID);
}

bool WebPage::acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                      NavigationType type)
{
    // A data: address needs no network, so only here can a frame be kept from
    // showing a document that did not come through the load hook.
    if (request.url().scheme() == QLatin1String("data")) {
        qWarning().noquote() << "wke: refused a data: document";
        return false;
    }
    return QWebPage::acceptNavigationRequest(frame, request, type);
}
