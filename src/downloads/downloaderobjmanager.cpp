#include "downloads/downloaderobjmanager.h"

#include "downloads/downloaderobj.h"
#include "downloads/downloadpage.h"

#include <QTimer>

namespace {
// A finished job lingers this long, so that nothing still on its way to it
// (a late signal of its reply) reaches a destroyed object.
constexpr int kDeleteDelayMs = 1000;
} // namespace

DownloaderObjManager::DownloaderObjManager(QObject *parent, std::unique_ptr<DownloadPage> page)
    : QObject(parent), m_page(std::move(page))
{
}

DownloaderObjManager::~DownloaderObjManager() = default;

int DownloaderObjManager::down(const QStringList &arguments)
{
    DownloaderObj *job = createDownloader();
    const int result = job->startFromPage(arguments);
    if (result != DownloaderObj::Started)
        discardCurrentJob();
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
    QTimer::singleShot(kDeleteDelayMs, this, [job] { delete job.data(); });
}
