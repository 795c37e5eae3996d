#pragma once
// Tells the page and the taskbar how far a download has come and takes the
// page's answer: at every step of the network layer, and every second while
// nothing arrives, so that the page's cancel acts at once and a transfer that
// receives nothing for too long ends as stalled.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class DownloadPage;

class DownloadProgress final : public QObject {
    Q_OBJECT

public:
    // page: whom to ask, if anyone. savedBytes: what the file holds now
    // (counted while quiet).
    DownloadProgress(QObject *parent, int stallTimeoutMs, std::function<DownloadPage *()> page,
                     std::function<qint64()> savedBytes);

    void dataArrived() { m_sinceData.restart(); }
    // A step of the whole file's counts (total -1: unknown).
    void report(qint64 received, qint64 total);
    // The total the file is known to have, once the answer says it.
    void setKnownTotal(qint64 total) { m_knownTotal = total; }
    void stop();

    bool keepGoing() const { return m_keepGoing; }
    bool stalled() const { return m_stalled; }

signals:
    // The page cancelled or the transfer stalled: the answer is to be ended.
    void endRequested();

private:
    void everySecond();

    std::function<DownloadPage *()> m_page;
    std::function<qint64()> m_savedBytes;
    QTimer m_timer;
    QElapsedTimer m_sinceData;
    int m_stallTimeoutMs;
    qint64 m_lastReceived = 0;
    qint64 m_lastTotal = -1;
    qint64 m_knownTotal = -1;
    bool m_keepGoing = true;
    bool m_stalled = false;
};
