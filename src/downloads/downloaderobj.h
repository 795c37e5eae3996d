#pragma once
// One download of one driver installer: names the file in the save folder,
// writes the body as it arrives, reports progress and the end to the page, and
// hands a redirect over to a successor job.

#include "base/pageprotocol.h"
#include "service/downloadreceiver.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class DownloadPage;
class DownloaderObjManager;
class QFile;
class QNetworkReply;
class QWidget;

class DownloaderObj : public DownloadReceiver {
    Q_OBJECT

public:
    // What a start gives back to the page.
    enum StartResult {
        Started = PageProtocol::Started,
        AlreadyDownloaded = PageProtocol::AlreadyDownloaded,
        CannotSave = PageProtocol::CannotSave,
        BadArguments = PageProtocol::BadArguments,
    };
    // The code of the one finish report.
    enum FinishCode {
        Done = PageProtocol::Done,
        Cancelled = PageProtocol::Cancelled,
        Failed = PageProtocol::Failed,
    };

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
    bool receivedWholeBody(const QNetworkReply *reply) const;
    void reportFinish(FinishCode code, const QString &path, const QString &message);
    // The page of the manager that made this job; none once it is gone.
    DownloadPage *page() const;
    QWidget *dialogParent() const;

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
    qint64 m_bytesWritten = 0;
    int m_redirectHops = 0;
    QPointer<DownloaderObjManager> m_manager;
};
