#include "downloads/downloadprogress.h"

#include "downloads/downloadpage.h"
#include "downloads/taskbarprogress.h"

#include <cstdint>

namespace {

// While no data arrives the page is still asked this often.
constexpr int kAskInterval = 1000;

// The page's numbers are 32-bit: counts pass as their low 32 bits.
int low32(qint64 count)
{
    return static_cast<int>(static_cast<std::uint32_t>(count));
}

} // namespace

DownloadProgress::DownloadProgress(QObject *parent, int stallTimeoutMs,
                                   std::function<DownloadPage *()> page,
                                   std::function<qint64()> savedBytes)
    : QObject(parent), m_page(std::move(page)), m_savedBytes(std::move(savedBytes)),
      m_stallTimeoutMs(stallTimeoutMs)
{
    m_sinceData.start();
    connect(&m_timer, &QTimer::timeout, this, &DownloadProgress::everySecond);
    m_timer.start(kAskInterval);
}

void DownloadProgress::report(qint64 received, qint64 total)
{
    if (!m_keepGoing)
        return;
    m_lastReceived = received;
    m_lastTotal = total;
    DownloadPage *const page = m_page();
    m_keepGoing = page && page->reportProgress(low32(received), low32(total));
    TaskbarProgress::instance().setValue(received, total);
    if (!m_keepGoing)
        emit endRequested();
}

void DownloadProgress::stop()
{
    m_timer.stop();
}

void DownloadProgress::everySecond()
{
    if (!m_keepGoing)
        return;
    if (m_sinceData.elapsed() >= kAskInterval) {
        // The network layer reports progress at most every 100 ms, so a body
        // that stopped soon after it began may not have been reported yet.
        report(qMax(m_lastReceived, m_savedBytes()),
               m_knownTotal >= 0 ? m_knownTotal : m_lastTotal);
        if (!m_keepGoing)
            return;
    }
    if (m_stallTimeoutMs > 0 && m_sinceData.elapsed() >= m_stallTimeoutMs) {
        m_stalled = true;
        m_timer.stop();
        emit endRequested();
    }
}
