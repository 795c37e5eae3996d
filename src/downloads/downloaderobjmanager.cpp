#include "downloads/downloaderobjmanager.h"

#include "downloads/downloaderobj.h"

#include <QTimer>

DownloaderObjManager::DownloaderObjManager(QObject *parent) : QObject(parent) {}

int DownloaderObjManager::down(QObject *window, const QStringList &arguments)
{
    auto *manager =
        window->findChild<DownloaderObjManager *>(QString(), Qt::FindDirectChildrenOnly);
    if (!manager)
        manager = new DownloaderObjManager(window);
    DownloaderObj *job = manager->createDownloader();
    const int result = job->startFromPage(arguments);
    if (result != DownloaderObj::Started)
        manager->discardCurrentJob();
    return result;
}

DownloaderObj *DownloaderObjManager::createDownloader()
{
    auto *job = new DownloaderObj(parent(), this);
    m_current = job;
    connect(job, &DownloaderObj::deleteMeLater, this, &DownloaderObjManager::deleteDownloader);
    return job;
}

void DownloaderObjManager::discardCurrentJob()
{
    delete m_current.data();
    m_current.clear();
}

void DownloaderObjManager::deleteDownloader()
{
    QPointer<QObject> job = sender();
    QTimer::singleShot(m_deleteDelay, this, [job] { delete job.data(); });
}
