#pragma once
// Creates the download jobs and destroys each one a second after it ends.

#include <QObject>
#include <QPointer>
#include <QStringList>

class DownloaderObj;

class DownloaderObjManager : public QObject {
    Q_OBJECT

public:
    explicit DownloaderObjManager(QObject *parent);

    // The page's "Down": starts a job in the window's manager (made on first
    // use) and returns the start result. A job that did not start is gone
    // before this returns.
    static int down(QObject *window, const QStringList &arguments);

    // A new job, child of this manager's parent, that becomes the current job.
    DownloaderObj *createDownloader();
    // Destroys the current job at once (its start failed).
    void discardCurrentJob();

    // For tests: the delay before a finished job is destroyed.
    void setDeleteDelay(int msecs) { m_deleteDelay = msecs; }

public slots:
    virtual void deleteDownloader();

private:
    QPointer<DownloaderObj> m_current;
    int m_deleteDelay = 1000;
};
