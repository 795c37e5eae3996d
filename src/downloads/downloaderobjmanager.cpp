#include "downloads/downloaderobjmanager.h"

#include "base/buildconfig.h"
#include "base/logcategories.h"
#include "downloads/downloaderobj.h"
#include "downloads/downloadpage.h"
#include "downloads/publishercheck.h"
#include "downloads/taskbarprogress.h"

#include <QDebug>
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
    if (!arguments.isEmpty() && m_running.value(arguments.first())) {
        qCInfo(lcDownloads) << "already downloading" << arguments.first();
        return DownloaderObj::Started;
    }
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

void DownloaderObjManager::followRedirect(DownloaderObj *job, const QUrl &target)
{
    const int result = createDownloader()->startSuccessor(*job, target);
    if (result == DownloaderObj::Started)
        return;
    TaskbarProgress::instance().setState(TaskbarProgress::State::NoProgress);
    discardCurrentJob();
    if (m_page)
        m_page->reportRedirectFailed(result);
    job->reportFinish(DownloaderObj::Failed, QString(),
                      DownloaderObj::tr("下载过程发生了错误,错误值:%1").arg(result));
}

void DownloaderObjManager::jobRunning(DownloaderObj *job)
{
    m_running.insert(job->pageUrl(), job);
}

void DownloaderObjManager::jobEnded(DownloaderObj *job)
{
    if (m_running.value(job->pageUrl()) == job)
        m_running.remove(job->pageUrl());
}

void DownloaderObjManager::deleteDownloader()
{
    QPointer<QObject> job = sender();
    QTimer::singleShot(kDeleteDelayMs, this, [job] {
        if (job)
            job->deleteLater();
    });
}

void DownloaderObjManager::checkPublisher(const QString &path)
{
    // An earlier check of the path is of a file that is gone.
    if (PublisherCheck *earlier = m_checks.value(path))
        earlier->cancel();
    auto *check = new PublisherCheck(path, this);
    m_checks.insert(path, check);
    connect(check, &PublisherCheck::finished, this,
            [this, check](const QString &verdict, const QString &signer) {
                // A verdict on an earlier download of the path, or on a file
                // changed since, would land on the wrong file.
                const bool current =
                    m_checks.value(check->path()) == check && check->fileUnchanged();
                if (current)
                    m_checks.remove(check->path());
                if (current && m_page)
                    m_page->reportPublisher(check->path(), verdict, signer);
                check->deleteLater();
            });
}
