#pragma once
// One download of one driver installer: names the file in the save folder,
// writes the body as it arrives, reports progress and the end to the page, and
// hands a redirect over to a successor job.

#include "service/downloadreceiver.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class DownloaderObjManager;
class QFile;
class QNetworkReply;

class DownloaderObj : public DownloadReceiver {
    Q_OBJECT

public:
    // What a start gives back to the page.
    enum StartResult {
        Started = 0,
        AlreadyDownloaded = 1, // the user kept the existing file; it was revealed
        CannotSave = 2,        // the target cannot be opened; a box said why
        BadArguments = 3,      // the page did not pass exactly four arguments
    };
    // The code of the one finish report.
    enum FinishCode { Done = 0, Cancelled = 1, Failed = 2 };

    // Redirects followed before a chain is given up.
    static constexpr int kMaxRedirects = 10;

    DownloaderObj(QObject *parent, DownloaderObjManager *manager);
    ~DownloaderObj() override;

    // The page's "Down" call, its arguments already converted to text.
    int startFromPage(const QStringList &arguments);
    int startDownload(const QString &url);

    QString targetPath() const { return m_targetPath; }

signals:
    void deleteMeLater();

public slots:
    void handleHttpFinished() override;
    void handleHttpReadyRead() override;
    void handleProgress(qint64 bytesReceived, qint64 bytesTotal) override;

private:
    void finish();
    void followRedirect(const QUrl &target);
    void writeChunk(const QByteArray &data);
    void reportFinish(FinishCode code, const QString &path, const QString &message);

    std::unique_ptr<QFile> m_outputFile;
    bool m_keepGoing = true;
    QNetworkReply *m_reply = nullptr;
    QString m_targetPath;
    QString m_sourceUrl;
    QString m_secondArgument;
    QString m_thirdArgument;
    QString m_fallbackName;
    // Set when the file did not take every byte: the download then fails.
    bool m_writeFailed = false;
    int m_redirectHops = 0;
    QPointer<DownloaderObjManager> m_manager;
};
