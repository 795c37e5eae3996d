#pragma once
// One download of one driver installer: names the file in the save folder,
// writes the body into a part file beside it (continuing one a cut-off
// download of the same version left), reports progress and the end to the
// page, and hands a redirect over to a successor job. What each answer means
// is ResponseDecision's to say; only a complete body takes the file's name.

#include "base/pageprotocol.h"
#include "downloads/responsedecision.h"
#include "service/downloadreceiver.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class DownloadPage;
class DownloaderObjManager;
class DownloadProgress;
class PartFile;
class QNetworkReply;
class QUrl;

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

    DownloaderObj(QObject *parent, DownloaderObjManager *manager);
    ~DownloaderObj() override;

    // The page's "Down" call, its arguments already converted to text: the
    // address, the expected size in bytes (empty or not a number: unknown),
    // a text kept with the job, and the base name for an address without one.
    int startFromPage(const QStringList &arguments);
    int startDownload(const QString &url);
    // Starts this job as the successor of a redirected one.
    int startSuccessor(const DownloaderObj &predecessor, const QUrl &target);
    // The one finish report of the download.
    void reportFinish(FinishCode code, const QString &path, const QString &message);

    QString targetPath() const { return m_targetPath; }
    // The address the page asked for, which names the part file.
    QString pageUrl() const { return m_request.pageUrl; }

signals:
    void deleteMeLater();

public slots:
    void handleHttpFinished() override;
    void handleHttpReadyRead() override;
    void handleProgress(qint64 bytesReceived, qint64 bytesTotal) override;

private:
    void decideBody();
    void write(const QByteArray &data);
    void finish();
    // The body is all there: once on the disk, the part file takes the name,
    // and the page hears.
    void complete();
    void commit(PartFile &part, bool synced);
    // Tells the page, and the log with the reply's status and error text.
    void fail(ResponseDecision::Reason reason, const QNetworkReply *reply = nullptr);
    // The page of the manager that made this job; none once it is gone.
    DownloadPage *page() const;

    std::unique_ptr<PartFile> m_part;
    // Gone with the network's access manager when the application quits.
    QPointer<QNetworkReply> m_reply;
    QString m_targetPath;
    QString m_sourceUrl;
    // What the page said of the download; a redirect's successor takes it over.
    struct Request {
        QString pageUrl;
        QString secondArgument;
        QString thirdArgument;
        QString fallbackName;
        qint64 expectedSize = -1;
        int redirectHops = 0;
    } m_request;
    ResponseDecision::Known m_known;
    ResponseDecision::Decision m_decision;
    // The part is on its way to the disk; the job ends after it.
    bool m_committing = false;
    DownloadProgress *m_progress = nullptr;
    QPointer<DownloaderObjManager> m_manager;
};
