#pragma once
// A view's page: console messages and script errors go to the debug stream,
// and every frame it makes gets the script bridge.

#include <QWebPage>

class WebPage final : public QWebPage {
    Q_OBJECT

public:
    explicit WebPage(QObject *parent);

protected:
    void javaScriptConsoleMessage(const QString &message, int lineNumber,
                                  const QString &sourceID) override;
};

// Writes a page's console message or script error to the debug stream.
void logPageMessage(const QString &message, int lineNumber, const QString &sourceID);
