#include "downloads/publishercheck.h"

#include "base/pageprotocol.h"

#include <QFileInfo>
#include <QThread>

PublisherCheck::PublisherCheck(const QString &path, QObject *parent)
    : QObject(parent), m_path(path), m_size(QFileInfo(path).size()),
      m_modified(QFileInfo(path).lastModified()),
      m_cancelled(std::make_shared<std::atomic<bool>>(false))
{
    auto result = std::make_shared<Authenticode::Result>();
    m_thread = QThread::create([path, result, cancelled = m_cancelled] {
        *result = Authenticode::verify(path.toStdU16String(), *cancelled);
    });
    m_thread->setParent(this);
    // The thread's end arrives here through the event loop, on this object's thread.
    connect(m_thread, &QThread::finished, this, [this, result] {
        emit finished(verdictName(result->verdict), QString::fromStdU16String(result->signer));
    });
    m_thread->start(QThread::LowPriority);
}

PublisherCheck::~PublisherCheck()
{
    cancel();
    m_thread->wait();
}

bool PublisherCheck::fileUnchanged() const
{
    const QFileInfo now(m_path);
    return now.isFile() && now.size() == m_size && now.lastModified() == m_modified;
}

QString PublisherCheck::verdictName(Authenticode::Verdict verdict)
{
    namespace Words = PageProtocol::Publisher;
    switch (verdict) {
    case Authenticode::Verdict::Signed:
        return QString::fromLatin1(Words::kSigned);
    case Authenticode::Verdict::Untrusted:
        return QString::fromLatin1(Words::kUntrusted);
    case Authenticode::Verdict::Broken:
        return QString::fromLatin1(Words::kBroken);
    case Authenticode::Verdict::Unsigned:
        return QString::fromLatin1(Words::kUnsigned);
    case Authenticode::Verdict::Unchecked:
        break;
    }
    return QString::fromLatin1(Words::kUnchecked);
}
