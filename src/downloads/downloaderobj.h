#pragma once
// One download of one driver installer: names the file in the save folder,
// writes the body into a part file beside it (continuing one a cut-off
// download of the same address left), reports progress and the end to the
// page, and hands a redirect over to a successor job. Only a complete body,
// checked against every size it was announced with, takes the file's name.

#include "base/pageprotocol.h"
#include "service/downloadreceiver.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class DownloadPage;
class DownloaderObjManager;
class QFile;
class QNetworkReply;
class QTimer;
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

    // The page's "Down" call, its arguments already converted to text: the
    // address, the expected size in bytes (empty or not a number: unknown),
    // a text kept with the job, and the base name for an address without one.
    int startFromPage(const QStringList &arguments);
    int startDownload(const QString &url);

    QString targetPath() const { return m_targetPath; }
    QString partPath() const { return m_partPath; }

signals:
    void deleteMeLater();

public slots:
    void handleHttpFinished() override;
    void handleHttpReadyRead() override;
    void handleProgress(qint64 bytesReceived, qint64 bytesTotal) override;

private:
    // How the answer's headers say its body is to be taken.
    enum class Body {
        Undecided,
        File,      // the file, or its rest after the part already saved
        Discarded, // a redirect or an error page
        Complete,  // nothing more to fetch: the part file already holds it all
        Refused,   // an encoding or range the job did not ask for
    };

    void decideBody();
    void discardOrWrite(const QByteArray &data);
    void writeChunk(const QByteArray &data);
    void askPage(qint64 received, qint64 total);
    void everySecond();
    void finish();
    // The body is all there: the part file takes the name, and the page hears.
    void complete();
    enum class Part { Keep, KeepUnlessEmpty, Remove };
    // Closes the part file, keeping it (for the name, or to continue from) or not.
    void closePart(Part keep);
    bool bodyComplete() const;
    bool putInPlace();
    void followRedirect(const QUrl &target);
    void reportFinish(FinishCode code, const QString &path, const QString &message);
    // The page of the manager that made this job; none once it is gone.
    DownloadPage *page() const;
    QWidget *dialogParent() const;

    std::unique_ptr<QFile> m_outputFile;
    bool m_keepGoing = true;
    QNetworkReply *m_reply = nullptr;
    QString m_targetPath;
    QString m_partPath;
    QString m_sourceUrl;
    QString m_secondArgument;
    QString m_thirdArgument;
    QString m_fallbackName;
    // The installer's size as the page's catalogue knows it; -1 unknown.
    qint64 m_expectedSize = -1;
    // Bytes of the part file asked for no more (a Range request); 0 for a fresh start.
    qint64 m_resumeFrom = 0;
    // Bytes of the file before this answer's body, and the whole file's size
    // as the answer announces it (-1 unknown).
    qint64 m_offset = 0;
    qint64 m_fileTotal = -1;
    Body m_body = Body::Undecided;
    qint64 m_bytesWritten = 0;
    // Set when the file did not take every byte: the download then fails.
    bool m_writeFailed = false;
    bool m_stalled = false;
    // The last counts the page was told (whole file).
    qint64 m_lastReceived = 0;
    qint64 m_lastTotal = -1;
    QTimer *m_watch = nullptr;
    QElapsedTimer m_sinceData;
    int m_stallTimeoutMs = 0;
    int m_redirectHops = 0;
    QPointer<DownloaderObjManager> m_manager;
};
