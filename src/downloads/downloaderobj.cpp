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
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>

#include <cstdint>

namespace {

// AMD's download servers refuse requests that do not come from its own site.
const QString kAmdDomain = QStringLiteral("amd.com");
const QString kAmdHomePage = QStringLiteral("https://www.amd.com");

// Without a bound the network side keeps reading ahead while the file is
// written, and an installer of a gigabyte ends up in memory.
constexpr qint64 kReadBufferSize = 1024 * 1024;

// While no data arrives the page is still asked this often, so that its
// cancel acts at once.
constexpr int kAskInterval = 1000;

// The page's numbers are 32-bit: counts pass as their low 32 bits.
int low32(qint64 count)
{
    return static_cast<int>(static_cast<std::uint32_t>(count));
}

// The page's second argument: a size in bytes, or nothing usable.
qint64 sizeArgument(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,18}$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return -1;
    const qint64 size = trimmed.toLongLong();
    return size > 0 ? size : -1;
}

struct ContentRange {
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1; // -1: "*", not known
};

// "bytes 100-199/1000", "bytes 100-199/*" or, for 416, "bytes */1000".
ContentRange parseContentRange(const QByteArray &header)
{
    static const QRegularExpression form(
        QStringLiteral("^bytes\\s+(?:(\\d{1,18})-(\\d{1,18})|\\*)/(\\d{1,18}|\\*)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(header.trimmed()));
    ContentRange range;
    if (!match.hasMatch())
        return range;
    if (!match.captured(1).isEmpty()) {
        range.first = match.captured(1).toLongLong();
        range.last = match.captured(2).toLongLong();
    }
    if (match.captured(3) != QLatin1String("*"))
        range.total = match.captured(3).toLongLong();
    return range;
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
    if (m_outputFile)
        closePart(Part::KeepUnlessEmpty);
}

int DownloaderObj::startFromPage(const QStringList &arguments)
{
    if (arguments.size() != 4)
        return BadArguments;
    m_secondArgument = arguments.at(1);
    m_thirdArgument = arguments.at(2);
    m_fallbackName = arguments.at(3);
    m_expectedSize = sizeArgument(m_secondArgument);
    return startDownload(arguments.at(0));
}

int DownloaderObj::startDownload(const QString &url)
{
    TaskbarProgress &taskbar = TaskbarProgress::instance();
    taskbar.setState(TaskbarProgress::State::Normal);
    m_sourceUrl = url;
    const QString folder = saveFolder() + QLatin1Char('/');
    const QString name = DownloadFileName::forUrl(url, m_fallbackName);
    m_targetPath = folder + name;
    m_partPath = folder + DownloadFileName::partName(name, url);

    // Only complete files carry the name; one of another size than the
    // catalogue's is a leftover that the download replaces without asking.
    const QFileInfo existing(m_targetPath);
    const bool complete =
        existing.isFile() && (m_expectedSize < 0 || existing.size() == m_expectedSize);
    if (complete && !DownloadPrompt::askRedownload(dialogParent(), m_targetPath)) {
        ShellActions::revealInFolder(m_targetPath);
        taskbar.setState(TaskbarProgress::State::NoProgress);
        return AlreadyDownloaded;
    }

    // A part file of this address is continued; the file under the name stays
    // as it is until its replacement is complete.
    auto file = std::make_unique<QFile>(m_partPath);
    const qint64 saved = file->exists() ? file->size() : 0;
    if (!file->open(saved > 0 ? QIODevice::Append : QIODevice::WriteOnly)) {
        DownloadPrompt::showCannotSave(dialogParent(), m_targetPath, file->errorString());
        taskbar.setState(TaskbarProgress::State::NoProgress);
        return CannotSave;
    }
    m_outputFile = std::move(file);
    m_resumeFrom = saved;
    m_lastReceived = 0;

    NetworkHelper::Pairs headers;
    if (m_sourceUrl.contains(kAmdDomain, Qt::CaseInsensitive))
        headers.append({QStringLiteral("Referer"), kAmdHomePage});
    // A compressed body could not be checked against its announced length.
    headers.append({QStringLiteral("Accept-Encoding"), QStringLiteral("identity")});
    if (m_resumeFrom > 0)
        headers.append({QStringLiteral("Range"), QStringLiteral("bytes=%1-").arg(m_resumeFrom)});
    m_reply = NetworkHelper::instance()->startGet(m_sourceUrl, headers, this);
    m_reply->setReadBufferSize(kReadBufferSize);

    m_stallTimeoutMs = m_manager ? m_manager->stallTimeout() : 0;
    m_sinceData.start();
    m_watch = new QTimer(this);
    connect(m_watch, &QTimer::timeout, this, &DownloaderObj::everySecond);
    m_watch->start(kAskInterval);
    return Started;
}

void DownloaderObj::decideBody()
{
    if (m_body != Body::Undecided || !m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0)
        return; // no answer yet
    if (status == 416) {
        // Asked for the rest of a part file that already holds the whole file.
        const ContentRange range = parseContentRange(m_reply->rawHeader("Content-Range"));
        m_body = range.total == m_resumeFrom && m_resumeFrom > 0 ? Body::Complete : Body::Discarded;
        return;
    }
    if (status < 200 || status >= 300 ||
        m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).isValid()) {
        m_body = Body::Discarded;
        return;
    }
    const QByteArray encoding = m_reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity") {
        // Asked for the plain file but got it encoded: the bytes on disk would
        // not be the installer, and their length could not be checked.
        m_body = Body::Refused;
        return;
    }
    if (status == 206) {
        const ContentRange range = parseContentRange(m_reply->rawHeader("Content-Range"));
        if (m_resumeFrom == 0 || range.first != m_resumeFrom) {
            m_body = Body::Refused;
            return;
        }
        m_offset = m_resumeFrom;
        m_fileTotal = range.total;
    } else {
        // The whole file again: what the part file held goes.
        if (m_resumeFrom > 0 && m_outputFile) {
            m_outputFile->resize(0);
            m_outputFile->seek(0);
        }
        m_offset = 0;
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        m_fileTotal = length.isValid() ? length.toLongLong() : -1;
    }
    m_body = Body::File;
}

void DownloaderObj::handleHttpReadyRead()
{
    if (!m_reply)
        return;
    decideBody();
    discardOrWrite(m_reply->readAll());
    if (m_body == Body::Refused && m_reply && m_reply->isRunning())
        m_reply->abort();
}

void DownloaderObj::discardOrWrite(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    m_sinceData.restart();
    if (m_body == Body::File && m_outputFile)
        writeChunk(data);
}

void DownloaderObj::writeChunk(const QByteArray &data)
{
    if (m_writeFailed)
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
    // Nothing more is reported once the page has cancelled or the job has
    // ended, nor for a body that is not the file.
    if (!m_reply || !m_keepGoing)
        return;
    decideBody();
    if (m_body != Body::File)
        return;
    qint64 total = m_fileTotal;
    if (total < 0 && bytesTotal >= 0)
        total = m_offset + bytesTotal;
    askPage(m_offset + bytesReceived, total);
}

void DownloaderObj::askPage(qint64 received, qint64 total)
{
    m_lastReceived = received;
    m_lastTotal = total;
    DownloadPage *const target = page();
    m_keepGoing = target && target->reportProgress(low32(received), low32(total));
    TaskbarProgress::instance().setValue(received, total);
    if (!m_keepGoing && m_reply)
        m_reply->abort();
}

void DownloaderObj::everySecond()
{
    if (!m_reply || !m_keepGoing)
        return;
    if (m_sinceData.elapsed() >= kAskInterval) {
        // The network layer reports progress at most every 100 ms, so a body
        // that stopped soon after it began may not have been reported yet.
        qint64 received = m_lastReceived;
        qint64 total = m_lastTotal;
        if (m_body == Body::File) {
            received = qMax(received, m_offset + m_bytesWritten);
            if (m_fileTotal >= 0)
                total = m_fileTotal;
        }
        askPage(received, total);
        if (!m_reply)
            return;
    }
    if (m_stallTimeoutMs > 0 && m_sinceData.elapsed() >= m_stallTimeoutMs) {
        m_stalled = true;
        m_reply->abort();
    }
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
    if (m_watch)
        m_watch->stop();
    TaskbarProgress::instance().setState(TaskbarProgress::State::NoProgress);
    decideBody();
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();

    const bool transferred = m_keepGoing && !m_stalled && reply->error() == QNetworkReply::NoError;
    // Bytes that came with the end of the reply belong to the file too.
    if (transferred)
        discardOrWrite(reply->readAll());
    if (m_outputFile && !m_outputFile->flush())
        m_writeFailed = true;

    if (!m_keepGoing) {
        closePart(Part::Remove);
        reportFinish(Cancelled, QString(), tr("用户取消了下载"));
        return;
    }
    if (m_body == Body::Complete) {
        complete();
        return;
    }
    const QUrl redirect = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (transferred && m_body == Body::Discarded && !redirect.isEmpty()) {
        // The redirect answer's body was not the file; a part file saved
        // earlier stays for later.
        closePart(Part::KeepUnlessEmpty);
        followRedirect(reply->url().resolved(redirect));
        return;
    }
    if (!transferred || m_writeFailed || m_body != Body::File || !bodyComplete()) {
        // What a dropped connection or a stall left (also before any answer)
        // is continued next time; an error page, a refused answer or a full
        // disk leave nothing worth continuing from.
        closePart(!m_writeFailed && (m_body == Body::File || m_body == Body::Undecided)
                      ? Part::KeepUnlessEmpty
                      : Part::Remove);
        reportFinish(Failed, QString(),
                     m_stalled ? tr("下载停滞：长时间没有收到任何数据") : tr("下载过程发生了错误"));
        return;
    }
    complete();
}

void DownloaderObj::complete()
{
    closePart(Part::Keep);
    if (!putInPlace()) {
        reportFinish(Failed, QString(), tr("下载过程发生了错误"));
        return;
    }
    reportFinish(Done, m_targetPath, QString());
    if (m_manager)
        m_manager->checkPublisher(m_targetPath);
}

bool DownloaderObj::bodyComplete() const
{
    // The network layer can take a connection closed mid-body for the end of
    // the body; the announced length tells, and so does the catalogue's size.
    const qint64 size = m_offset + m_bytesWritten;
    if (m_fileTotal >= 0 && size != m_fileTotal)
        return false;
    return m_expectedSize < 0 || size >= m_expectedSize;
}

void DownloaderObj::closePart(Part keep)
{
    if (!m_outputFile)
        return;
    m_outputFile->close();
    if (keep == Part::Remove || (keep == Part::KeepUnlessEmpty && m_outputFile->size() == 0))
        m_outputFile->remove();
    m_outputFile.reset();
}

bool DownloaderObj::putInPlace()
{
    // The earlier file (the user chose to download it again) goes only now
    // that its replacement is complete.
    if (QFile::exists(m_targetPath) && !QFile::remove(m_targetPath))
        return false;
    return QFile::rename(m_partPath, m_targetPath);
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
    // The successor takes over what the page said of the download: a target
    // without a file name still gets the page's name, and the size is checked.
    DownloaderObj *successor = m_manager->createDownloader();
    successor->m_redirectHops = m_redirectHops + 1;
    successor->m_secondArgument = m_secondArgument;
    successor->m_thirdArgument = m_thirdArgument;
    successor->m_fallbackName = m_fallbackName;
    successor->m_expectedSize = m_expectedSize;
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
