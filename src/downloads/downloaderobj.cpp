#include "downloads/downloaderobj.h"

#include "base/logcategories.h"
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

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkReply>
#include <QThreadPool>

using namespace ResponseDecision;

// Without a bound the network side keeps reading ahead while the file is
// written, and an installer of a gigabyte ends up in memory.
constexpr qint64 kReadBufferSize = 1024 * 1024;

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
    const QString &address = arguments.at(0);
    m_request = {address, arguments.at(1), arguments.at(2), arguments.at(3), -1, 0};
    m_request.expectedSize = expectedSizeFrom(m_request.secondArgument);
    return startDownload(address);
}

int DownloaderObj::startDownload(const QString &url)
{
    TaskbarProgress &taskbar = TaskbarProgress::instance();
    taskbar.setState(TaskbarProgress::State::Normal);
    m_sourceUrl = url;
    const QString folder = saveFolder();
    const QString name = DownloadFileName::forUrl(url, m_request.fallbackName);
    // A file the program did not save keeps its place; of ours, only a
    // complete one is "already downloaded", one of another size is a leftover.
    m_targetPath = SavedFiles::placeFor(folder + QLatin1Char('/') + name);
    const QFileInfo existing(m_targetPath);
    DownloadPage *const asked = page();
    if (existing.isFile() &&
        (m_request.expectedSize < 0 || existing.size() == m_request.expectedSize) &&
        !(asked && asked->askRedownload(m_targetPath))) {
        ShellActions::revealInFolder(m_targetPath);
        taskbar.setState(TaskbarProgress::State::NoProgress);
        return AlreadyDownloaded;
    }
    m_part = std::make_unique<PartFile>(folder, name, m_request.pageUrl);
    const PartFile::Open opened = m_part->open();
    const QString why =
        opened == PartFile::Open::Busy ? tr("另一个下载正在写入这个文件") : m_part->errorString();
    if (opened != PartFile::Open::Opened) {
        qCWarning(lcDownloads).noquote() << "cannot save into" << m_targetPath << ":" << why;
        if (asked)
            asked->showCannotSave(m_targetPath, why);
        m_part.reset();
        taskbar.setState(TaskbarProgress::State::NoProgress);
        return CannotSave;
    }
    m_known = {QUrl(url, QUrl::TolerantMode), m_part->size(), m_part->validator(),
               m_request.expectedSize, m_request.redirectHops};
    m_reply = NetworkHelper::instance()->startGet(m_sourceUrl, requestHeaders(url, m_known), this);
    if (!m_reply) {
        m_part.reset();
        taskbar.setState(TaskbarProgress::State::NoProgress);
        return CannotSave;
    }
    m_reply->setReadBufferSize(kReadBufferSize);
    m_progress = new DownloadProgress(
        this, m_manager ? m_manager->stallTimeout() : 0, [this] { return page(); },
        [this] { return m_part && m_decision.writesBody() ? m_part->size() : qint64(0); });
    connect(m_progress, &DownloadProgress::endRequested, m_reply, &QNetworkReply::abort);
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
}

void DownloaderObj::write(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    m_progress->dataArrived();
    // An error page is not worth receiving, and a full disk ends the transfer
    // now rather than report a cut-off installer.
    const bool stop =
        m_decision.action == Action::Fail || (m_decision.writesBody() && !m_part->append(data));
    if (stop && m_reply && m_reply->isRunning())
        m_reply->abort();
}

void DownloaderObj::handleProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    // Nothing is reported once the job has ended, nor for a body that is not the file.
    if (!m_reply)
        return;
    decideBody();
    if (!m_decision.writesBody())
        return;
    const qint64 total =
        m_decision.total >= 0 || bytesTotal < 0 ? m_decision.total : m_decision.offset + bytesTotal;
    m_progress->report(m_decision.offset + bytesReceived, total);
}

void DownloaderObj::handleHttpFinished()
{
    // An abort inside one of the slots can end the reply a second time.
    if (m_reply) {
        finish();
        if (!m_committing)
            emit deleteMeLater();
    }
}

void DownloaderObj::finish()
{
    m_progress->stop();
    TaskbarProgress::instance().setState(TaskbarProgress::State::NoProgress);
    decideBody();
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    const bool cancelled = !m_progress->keepGoing();
    // Bytes that came with the end of the reply belong to the file too.
    if (!cancelled && !m_progress->stalled() && reply->error() == QNetworkReply::NoError)
        write(reply->readAll());
    const Ending ending = m_part->verify({m_decision, cancelled, m_progress->stalled(),
                                          reply->error(), m_targetPath, m_request.expectedSize});
    if (ending.outcome == Outcome::Done)
        return complete();
    if (!ending.keepPart)
        m_part->discard();
    m_part.reset();
    if (ending.outcome == Outcome::Cancelled)
        reportFinish(Cancelled, QString(), tr("用户取消了下载"));
    else if (ending.outcome == Outcome::Failed)
        fail(ending.reason, reply);
    else if (m_manager)
        m_manager->followRedirect(this, m_decision.target);
}

void DownloaderObj::complete()
{
    // A gigabyte written through to the disk can take seconds (Windows writes
    // behind lazily): a worker waits for the disk while the window goes on.
    // The part travels with the worker and comes back to this thread; a job
    // gone meanwhile leaves it for the next download of the address.
    m_committing = true;
    std::shared_ptr<PartFile> part(std::move(m_part));
    QPointer<DownloaderObj> self(this);
    QThreadPool::globalInstance()->start([part, self]() mutable {
        const bool synced = part->syncData();
        if (QCoreApplication *const app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app,
                [part = std::move(part), self = std::move(self), synced] {
                    if (self)
                        self->commit(*part, synced);
                },
                Qt::QueuedConnection);
        }
    });
}

void DownloaderObj::commit(PartFile &part, bool synced)
{
    m_committing = false;
    // Someone may have put a file of the name there while this one arrived.
    m_targetPath = SavedFiles::placeFor(m_targetPath);
    if (!synced || !part.commit(m_targetPath)) {
        fail(Reason::NotWritable);
    } else {
        SavedFiles::remember(m_targetPath);
        reportFinish(Done, m_targetPath, QString());
        if (m_manager)
            m_manager->checkPublisher(m_targetPath);
    }
    emit deleteMeLater();
}

int DownloaderObj::startSuccessor(const DownloaderObj &predecessor, const QUrl &target)
{
    // The successor takes over what the page said of the download: a target
    // without a file name still gets the page's name, and the size is checked.
    m_request = predecessor.m_request;
    ++m_request.redirectHops;
    return startDownload(target.toDisplayString());
}

void DownloaderObj::fail(Reason reason, const QNetworkReply *reply)
{
    if (reply) {
        qCWarning(lcDownloads).noquote()
            << "download of" << LogText::address(reply->url()) << "failed:" << reasonWord(reason)
            << "HTTP" << LogText::httpStatus(*reply) << LogText::errorText(*reply);
    } else {
        qCWarning(lcDownloads).noquote()
            << "download of" << LogText::address(QUrl(m_sourceUrl))
            << "failed:" << reasonWord(reason) << "into" << m_targetPath;
    }
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
