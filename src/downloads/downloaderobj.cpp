#include "downloads/downloaderobj.h"

#include "downloads/downloaderobjmanager.h"
#include "downloads/downloadfilename.h"
#include "downloads/downloadpage.h"
#include "downloads/downloadprogress.h"
#include "downloads/partfile.h"
#include "downloads/savedfiles.h"
#include "downloads/savefolder.h"
#include "downloads/shellactions.h"
#include "downloads/taskbarprogress.h"
#include "service/networkhelper.h"

#include <QFileInfo>
#include <QNetworkReply>

using namespace ResponseDecision;

namespace {

// Without a bound the network side keeps reading ahead while the file is
// written, and an installer of a gigabyte ends up in memory.
constexpr qint64 kReadBufferSize = 1024 * 1024;
// Part files older than this, and beyond this total, go when a download starts.
constexpr int kPartMaxAgeDays = 7;
constexpr qint64 kPartMaxBytes = qint64(TESSALY_PART_FILES_MAX_MIB) * 1024 * 1024;

bool writesBody(Action action)
{
    return action == Action::Write || action == Action::Resume || action == Action::Restart;
}

} // namespace

DownloaderObj::DownloaderObj(QObject *parent, DownloaderObjManager *manager)
    : DownloadReceiver(parent), m_manager(manager)
{
}

DownloaderObj::~DownloaderObj()
{
    // A job destroyed mid-transfer (its window closing) leaves its part file
    // for the next download of the same address, never a file under the name.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

int DownloaderObj::startFromPage(const QStringList &arguments)
{
    if (arguments.size() != 4)
        return BadArguments;
    m_secondArgument = arguments.at(1);
    m_thirdArgument = arguments.at(2);
    m_fallbackName = arguments.at(3);
    m_known.expectedSize = expectedSizeFrom(m_secondArgument);
    return startDownload(arguments.at(0));
}

int DownloaderObj::startDownload(const QString &url)
{
    TaskbarProgress &taskbar = TaskbarProgress::instance();
    taskbar.setState(TaskbarProgress::State::Normal);
    m_sourceUrl = url;
    if (m_pageUrl.isEmpty())
        m_pageUrl = url;
    const QString folder = saveFolder();
    const QString name = DownloadFileName::forUrl(url, m_fallbackName);
    m_targetPath = folder + QLatin1Char('/') + name;

    // A file the program did not save keeps its place; of ours, only a
    // complete one is "already downloaded", one of another size is a leftover.
    m_targetPath = SavedFiles::placeFor(m_targetPath);
    const QFileInfo existing(m_targetPath);
    DownloadPage *const asked = page();
    if (existing.isFile() &&
        (m_known.expectedSize < 0 || existing.size() == m_known.expectedSize) &&
        !(asked && asked->askRedownload(m_targetPath))) {
        ShellActions::revealInFolder(m_targetPath);
        taskbar.setState(TaskbarProgress::State::NoProgress);
        return AlreadyDownloaded;
    }

    PartFile::cleanUp(folder, kPartMaxAgeDays, kPartMaxBytes, &SavedFiles::savedAt);
    m_part = std::make_unique<PartFile>(folder, name, m_pageUrl);
    const PartFile::Open opened = m_part->open();
    if (opened != PartFile::Open::Opened) {
        if (asked)
            asked->showCannotSave(m_targetPath, opened == PartFile::Open::Busy
                                                    ? tr("另一个下载正在写入这个文件")
                                                    : m_part->errorString());
        m_part.reset();
        taskbar.setState(TaskbarProgress::State::NoProgress);
        return CannotSave;
    }
    m_known.requestUrl = QUrl(url, QUrl::TolerantMode);
    m_known.partLength = m_part->size();
    m_known.validator = m_part->validator();

    m_reply = NetworkHelper::instance()->startGet(m_sourceUrl, requestHeaders(url, m_known), this);
    m_reply->setReadBufferSize(kReadBufferSize);
    m_progress = new DownloadProgress(
        this, m_manager ? m_manager->stallTimeout() : 0,
        [this](int received, int total) {
            DownloadPage *const target = page();
            return target && target->reportProgress(received, total);
        },
        [this] { return m_part && writesBody(m_decision.action) ? m_part->size() : qint64(0); });
    connect(m_progress, &DownloadProgress::endRequested, this, [this] {
        if (m_reply)
            m_reply->abort();
    });
    if (m_manager)
        m_manager->jobRunning(this);
    return Started;
}

void DownloaderObj::decideBody()
{
    if (m_decision.action != Action::Wait || !m_reply)
        return;
    m_decision = decide(answerOf(*m_reply), m_known);
    m_progress->setKnownTotal(m_decision.total);
    m_part->take(m_decision);
}

void DownloaderObj::handleHttpReadyRead()
{
    if (!m_reply)
        return;
    decideBody();
    write(m_reply->readAll());
    // An error page or a refused body is not worth receiving.
    if (m_decision.action == Action::Fail && m_reply && m_reply->isRunning())
        m_reply->abort();
}

void DownloaderObj::write(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    m_progress->dataArrived();
    // A full disk stops the transfer now rather than report a cut-off installer.
    if (writesBody(m_decision.action) && !m_part->append(data) && m_reply && m_reply->isRunning())
        m_reply->abort();
}

void DownloaderObj::handleProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    // Nothing is reported once the job has ended, nor for a body that is not the file.
    if (!m_reply)
        return;
    decideBody();
    if (!writesBody(m_decision.action))
        return;
    const qint64 total =
        m_decision.total >= 0 || bytesTotal < 0 ? m_decision.total : m_decision.offset + bytesTotal;
    m_progress->report(m_decision.offset + bytesReceived, total);
}

void DownloaderObj::handleHttpFinished()
{
    // An abort inside one of the slots can end the reply a second time.
    if (!m_reply)
        return;
    finish();
    emit deleteMeLater();
}

void DownloaderObj::finish()
{
    m_progress->stop();
    TaskbarProgress::instance().setState(TaskbarProgress::State::NoProgress);
    decideBody();
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    // Bytes that came with the end of the reply belong to the file too.
    if (m_progress->keepGoing() && !m_progress->stalled() &&
        reply->error() == QNetworkReply::NoError)
        write(reply->readAll());

    End end;
    end.decision = m_decision;
    end.cancelled = !m_progress->keepGoing();
    end.stalled = m_progress->stalled();
    end.error = reply->error();
    end.fileName = m_targetPath;
    end.expectedSize = m_known.expectedSize;
    const Ending ending = m_part->verify(end);
    if (ending.outcome == Outcome::Done) {
        complete();
        return;
    }
    if (!ending.keepPart)
        m_part->discard();
    m_part.reset();
    switch (ending.outcome) {
    case Outcome::Done:
    case Outcome::Cancelled:
        reportFinish(Cancelled, QString(), tr("用户取消了下载"));
        return;
    case Outcome::FollowRedirect:
        followRedirect();
        return;
    case Outcome::Failed:
        fail(ending.reason);
        return;
    }
}

void DownloaderObj::complete()
{
    // Someone may have put a file of the name there while this one arrived.
    m_targetPath = SavedFiles::placeFor(m_targetPath);
    const bool committed = m_part->commit(m_targetPath);
    m_part.reset();
    if (!committed) {
        fail(Reason::NotWritable);
        return;
    }
    SavedFiles::remember(m_targetPath);
    reportFinish(Done, m_targetPath, QString());
    if (m_manager)
        m_manager->checkPublisher(m_targetPath);
}

void DownloaderObj::followRedirect()
{
    if (!m_manager) {
        fail(Reason::BadRedirect);
        return;
    }
    // The successor takes over what the page said of the download: a target
    // without a file name still gets the page's name, and the size is checked.
    DownloaderObj *successor = m_manager->createDownloader();
    successor->m_known.redirectHops = m_known.redirectHops + 1;
    successor->m_known.expectedSize = m_known.expectedSize;
    successor->m_pageUrl = m_pageUrl;
    successor->m_secondArgument = m_secondArgument;
    successor->m_thirdArgument = m_thirdArgument;
    successor->m_fallbackName = m_fallbackName;
    const int result = successor->startDownload(m_decision.target.toDisplayString());
    if (result == Started)
        return;
    TaskbarProgress::instance().setState(TaskbarProgress::State::NoProgress);
    m_manager->discardCurrentJob();
    if (DownloadPage *const pageOfJob = page())
        pageOfJob->reportRedirectFailed(result);
    reportFinish(Failed, QString(), tr("下载过程发生了错误,错误值:%1").arg(result));
}

void DownloaderObj::fail(Reason reason)
{
    if (DownloadPage *const target = page())
        target->reportFailReason(QString::fromLatin1(reasonWord(reason)));
    reportFinish(Failed, QString(),
                 reason == Reason::Stalled ? tr("下载停滞：长时间没有收到任何数据")
                                           : tr("下载过程发生了错误"));
}

void DownloaderObj::reportFinish(FinishCode code, const QString &path, const QString &message)
{
    if (m_manager)
        m_manager->jobEnded(this);
    if (DownloadPage *const target = page())
        target->reportFinish(code, path, message);
}

DownloadPage *DownloaderObj::page() const
{
    return m_manager ? m_manager->page() : nullptr;
}
