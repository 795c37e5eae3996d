#include "webpage.h"

#include "scriptbridge.h"

#include <QDebug>
#include <QWebFrame>
#include <QWebSettings>

WebPage::WebPage(QObject *parent) : QWebPage(parent)
{
    // Local pages are served without a charset; ours are written in UTF-8.
    settings()->setDefaultTextEncoding(QStringLiteral("UTF-8"));
    connect(this, &QWebPage::frameCreated, this, &ScriptBridge::attach);
    ScriptBridge::attach(mainFrame());
}

void logPageMessage(const QString &message, int lineNumber, const QString &sourceID)
{
    qDebug().noquote()
        << QStringLiteral("[page] %1:%2: %3").arg(sourceID).arg(lineNumber).arg(message);
}

void WebPage::javaScriptConsoleMessage(const QString &message, int lineNumber,
                                       const QString &sourceID)
{
    logPageMessage(message, lineNumber, sourceID);
}
