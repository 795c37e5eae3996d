#include "downloads/downloaderobj.h"

#include "downloads/downloaderobjmanager.h"
#include "downloads/downloadfilename.h"
#include "downloads/downloadpage.h"
#include "downloads/downloadprompt.h"
#include "downloads/savefolder.h"
#include "downloads/shellactions.h"
#include "downloads/taskbarprogress.h"
#include "service/networkhelper.h"

#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cstdint>

namespace {

// AMD's download servers refuse requests that do not come from its own site.
const QString kAmdDomain = QStringLiteral("amd.com");
const QString kAmdHomePage = QStringLiteral("https://www.amd.com");

// Without a bound the network side keeps reading ahead while the file is
// written, and an installer of a gigabyte ends up in memory.
constexpr qint64 kReadBufferSize = 1024 * 1024;

// The page's numbers are 32-bit: counts pass as their low 32 bits.
int low32(qint64 count)
{
    return static_cast<int>(static_cast<std::uint32_t>(count));
}

} // namespace

DownloaderObj::DownloaderObj(QObject *parent, DownloaderObjManager *manager)
    : DownloadReceiver(parent), m_manager(manager)
{
}

DownloaderObj::~DownloaderObj()
{
    // A job destroyed mid-transfer (its window closing) leaves no partial file.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    if (m_outputFile) {
        m_outputFile->close();
        m_outputFile->remove();
    }
}

int DownloaderObj::startFromPage(const QStringList &arguments)
{
    if (arguments.size() != 4)
        return BadArguments;
    m_secondArgument = arguments.at(1);
    m_thirdArgument = arguments.at(2);
    m_fallbackName = arguments.at(3);
    return startDownload(arguments.at(0));
}

int DownloaderObj::startDownload(const QString &url)
{
    TaskbarProgress &taskbar = TaskbarProgress::instance();
    taskbar.setState(TaskbarProgress::State::Normal);
    m_sourceUrl = url;
    m_targetPath = saveFolder() + QLatin1Char('/') + DownloadFileName::forUrl(url, m_fallbackName);

    if (QFile::exists(m_targetPath)) {
        if (!DownloadPrompt::askRedownload(dialogParent(), m_targetPath)) {
            ShellActions::revealInFolder(m_targetPath);
            taskbar.setState(TaskbarProgress::State::NoProgress);
            return AlreadyDownloaded;
        }
        QFile::remove(m_targetPath);
    }

    auto file = std::make_unique<QFile>(m_targetPath);
    if (!file->open(QIODevice::WriteOnly)) {
        DownloadPrompt::showCannotSave(dialogParent(), m_targetPath, file->errorString());
        taskbar.setState(TaskbarProgress::State::NoProgress);
        return CannotSave;
    }
    m_outputFile = std::move(file);

    NetworkHelper::Pairs headers;
    if (m_sourceUrl.contains(kAmdDomain, Qt::CaseInsensitive))
        headers.append({QStringLiteral("Referer"), kAmdHomePage});
    m_reply = NetworkHelper::instance()->startGet(m_sourceUrl, headers, this);
    m_reply->setReadBufferSize(kReadBufferSize);
    return Started;
}

void DownloaderObj::handleHttpReadyRead()
{
    if (m_outputFile && m_reply)
        writeChunk(m_reply->readAll());
}

void DownloaderObj::writeChunk(const QByteArray &data)
{
    if (m_writeFailed || data.isEmpty())
        return;
    const qint64 written = m_outputFile->write(data);
    if (written > 0)
        m_bytesWritten += written;
    if (written == data.size())
        return;
    // A full disk or a size limit: stop now rather than report a cut-off installer.
    m_writeFailed = true;
    if (m_reply && m_reply->isRunning())
        m_reply->abort();
}

void DownloaderObj::handleProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    // Nothing more is reported once the page has cancelled or the job has ended.
    if (!m_reply || !m_keepGoing)
        return;
    DownloadPage *const target = page();
    m_keepGoing = target && target->reportProgress(low32(bytesReceived), low32(bytesTotal));
    TaskbarProgress::instance().setValue(bytesReceived, bytesTotal);
    if (!m_keepGoing && m_reply)
        m_reply->abort();
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
    TaskbarProgress::instance().setState(TaskbarProgress::State::NoProgress);
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();

    const bool transferred = m_keepGoing && reply->error() == QNetworkReply::NoError;
    QString fileName;
    if (m_outputFile) {
        // Bytes that came with the end of the reply belong to the file too.
        if (transferred)
            writeChunk(reply->readAll());
        if (!m_outputFile->flush())
            m_writeFailed = true;
        fileName = m_outputFile->fileName();
        m_outputFile->close();
        m_outputFile.reset();
    }

    if (!m_keepGoing) {
        QFile::remove(fileName);
        reportFinish(Cancelled, QString(), tr("用户取消了下载"));
        return;
    }
    const QUrl redirect = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!transferred || m_writeFailed || (redirect.isEmpty() && !receivedWholeBody(reply))) {
        QFile::remove(fileName);
        reportFinish(Failed, QString(), tr("下载过程发生了错误"));
        return;
    }
    if (redirect.isEmpty()) {
        reportFinish(Done, m_targetPath, QString());
        return;
    }
    // The file holds the body of the redirect answer.
    QFile::remove(fileName);
    followRedirect(reply->url().resolved(redirect));
}

bool DownloaderObj::receivedWholeBody(const QNetworkReply *reply) const
{
    // The network layer can take a connection closed mid-body for the end of
    // the body; the announced length tells. A compressed body is counted
    // after decoding, so its length cannot be compared.
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const QByteArray encoding = reply->rawHeader("Content-Encoding");
    if (!length.isValid() || (!encoding.isEmpty() && encoding != "identity"))
        return true;
    return m_bytesWritten == length.toLongLong();
}

void DownloaderObj::followRedirect(const QUrl &target)
{
    // A server may send the job anywhere on the web, but not to local files.
    const bool web =
        target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https");
    if (!web || m_redirectHops >= kMaxRedirects || !m_manager) {
        reportFinish(Failed, QString(), tr("下载过程发生了错误"));
        return;
    }
    DownloaderObj *successor = m_manager->createDownloader();
    successor->m_redirectHops = m_redirectHops + 1;
    const int result = successor->startDownload(target.toDisplayString());
    if (result == Started)
        return;
    TaskbarProgress::instance().setState(TaskbarProgress::State::NoProgress);
    m_manager->discardCurrentJob();
    if (DownloadPage *const pageOfJob = page())
        pageOfJob->reportRedirectFailed(result);
    reportFinish(Failed, QString(), tr("下载过程发生了错误,错误值:%1").arg(result));
}

void DownloaderObj::reportFinish(FinishCode code, const QString &path, const QString &message)
{
    if (DownloadPage *const target = page())
        target->reportFinish(code, path, message);
}

DownloadPage *DownloaderObj::page() const
{
    return m_manager ? m_manager->page() : nullptr;
}

QWidget *DownloaderObj::dialogParent() const
{
    const DownloadPage *const target = page();
    return target ? target->dialogParent() : nullptr;
}
