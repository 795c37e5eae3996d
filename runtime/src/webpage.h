#pragma once
// A view's page: console messages and script errors go to the standard error
// stream, every frame it makes gets the script bridge, and no frame shows a
// document that is not ours (plugins are off, data: documents refused).

#include <QWebPage>

class WebPage final : public QWebPage {
    Q_OBJECT

public:
    explicit WebPage(QObject *parent);

protected:
    void javaScriptConsoleMessage(const QString &message, int lineNumber,
                                  const QString &sourceID) override;
    bool acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                 NavigationType type) override;
};

// Writes a page's console message or script error to the standard error stream.
void logPageMessage(const QString &message, int lineNumber, const QString &sourceID);
