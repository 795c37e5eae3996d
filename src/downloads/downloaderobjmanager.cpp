#include "downloads/downloaderobjmanager.h"

#include "downloads/downloaderobj.h"
#include "downloads/downloadpage.h"
#include "downloads/publishercheck.h"

#include <QTimer>

namespace {
// A finished job lingers this long, so that nothing still on its way to it
// (a late signal of its reply) reaches a destroyed object.
constexpr int kDeleteDelayMs = 1000;
} // namespace

DownloaderObjManager::DownloaderObjManager(QObject *parent, std::unique_ptr<DownloadPage> page)
    : QObject(parent), m_page(std::move(page)),
      m_stallTimeout(TESSALY_DOWNLOAD_STALL_SECONDS * 1000)
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

void DownloaderObjManager::checkPublisher(const QString &path)
{
    auto *check = new PublisherCheck(path, this);
    connect(check, &PublisherCheck::finished, this,
            [this, check](const QString &file, const QString &verdict, const QString &signer) {
                if (m_page)
                    m_page->reportPublisher(file, verdict, signer);
                check->deleteLater();
            });
}
