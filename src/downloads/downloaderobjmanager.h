#pragma once
// Creates the download jobs, one per address at a time, destroys each one a
// second after it ends, and has finished downloads' publishers checked.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class DownloadPage;
class DownloaderObj;
class PublisherCheck;
class QUrl;

class DownloaderObjManager : public QObject {
    Q_OBJECT

public:
    // Jobs become children of parent (the main window) and report to page.
    DownloaderObjManager(QObject *parent, std::unique_ptr<DownloadPage> page);
    ~DownloaderObjManager() override;

    // The page's "Down": starts a job and returns the start result. A job
    // that did not start is gone before this returns. An address already
    // being downloaded starts nothing: the running job reports.
    int down(const QStringList &arguments);

    // A new job, child of this manager's parent, that becomes the current job.
    DownloaderObj *createDownloader();
    // Destroys the current job at once (its start failed).
    void discardCurrentJob();
    // Hands a redirected job's download over to a new job for target.
    void followRedirect(DownloaderObj *job, const QUrl &target);
    // A job's transfer runs, or has ended (its finish report follows).
    void jobRunning(DownloaderObj *job);
    void jobEnded(DownloaderObj *job);

    DownloadPage *page() const { return m_page.get(); }

    // Checks who signed a finished download, away from the GUI thread, and
    // tells the page once it knows, unless the file has been downloaded again
    // or changed since.
    void checkPublisher(const QString &path);

    // How long a job waits for data before it gives up as stalled.
    int stallTimeout() const { return m_stallTimeout; }
    // For testing: a shorter wait than the build's setting (milliseconds).
    void setStallTimeout(int msecs) { m_stallTimeout = msecs; }

public slots:
    virtual void deleteDownloader();

private:
    QPointer<DownloaderObj> m_current;
    // By the address the page asked for.
    QHash<QString, QPointer<DownloaderObj>> m_running;
    // The latest check of each path; an earlier one's verdict is stale.
    QHash<QString, QPointer<PublisherCheck>> m_checks;
    std::unique_ptr<DownloadPage> m_page;
    int m_stallTimeout;
};
