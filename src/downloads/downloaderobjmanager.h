#pragma once
// Creates the download jobs and destroys each one a second after it ends.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class DownloadPage;
class DownloaderObj;

class DownloaderObjManager : public QObject {
    Q_OBJECT

public:
    // Jobs become children of parent (the main window) and report to page.
    DownloaderObjManager(QObject *parent, std::unique_ptr<DownloadPage> page);
    ~DownloaderObjManager() override;

    // The page's "Down": starts a job and returns the start result. A job
    // that did not start is gone before this returns.
    int down(const QStringList &arguments);

    // A new job, child of this manager's parent, that becomes the current job.
    DownloaderObj *createDownloader();
    // Destroys the current job at once (its start failed).
    void discardCurrentJob();

    DownloadPage *page() const { return m_page.get(); }

    // Checks who signed a finished download, away from the GUI thread, and
    // tells the page once it knows.
    void checkPublisher(const QString &path);

    // How long a job waits for data before it gives up as stalled.
    int stallTimeout() const { return m_stallTimeout; }
    // For testing: a shorter wait than the build's setting (milliseconds).
    void setStallTimeout(int msecs) { m_stallTimeout = msecs; }

public slots:
    virtual void deleteDownloader();

private:
    QPointer<DownloaderObj> m_current;
    std::unique_ptr<DownloadPage> m_page;
    int m_stallTimeout;
};
