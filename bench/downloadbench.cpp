// Download throughput: fetches a large file from the stand-in service over
// loopback through the real download job (page progress calls, taskbar and
// all), then the same file with curl from the same server, and prints both
// rates and the program's peak memory.
//
//   tessaly-downloadbench [MiB] [runs]      (defaults: 1024 MiB, 3 runs)

#include "downloads/downloaderobjmanager.h"
#include "downloads/downloadpage.h"
#include "downloads/publishercheck.h"
#include "downloads/savefolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <csignal>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The least of a page the job needs: progress answers true, the finish code is kept.
class BenchPage final : public DownloadPage {
public:
    long long progressCalls = 0;
    int finishCode = -1;

    bool reportProgress(int, int) override
    {
        ++progressCalls;
        return true;
    }
    void reportFinish(int code, const QString &, const QString &) override { finishCode = code; }
    void reportRedirectFailed(int) override {}
    void reportFailReason(const QString &) override {}
    void reportPublisher(const QString &, const QString &, const QString &) override {}
    bool askRedownload(const QString &) override { return true; }
    void showCannotSave(const QString &, const QString &) override {}
};

// The longest time the GUI thread's event loop went without turning, measured
// by a short timer.
class PauseMeter final {
public:
    PauseMeter()
    {
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_since.restart()); });
    }
    void start()
    {
        m_longest = 0;
        m_since.start();
        m_timer.start(5);
    }
    qint64 stop()
    {
        m_timer.stop();
        return m_longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// The stand-in service ends with the benchmark, also when it is interrupted.
class ChildProcess : public QProcess {
protected:
    void setupChildProcess() override { prctl(PR_SET_PDEATHSIG, SIGTERM); }
};

long peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds for one download through the job, or a negative number on failure.
double downloadThroughJob(DownloaderObjManager &manager, BenchPage &page, const QString &url)
{
    page.finishCode = -1;
    page.progressCalls = 0;
    QElapsedTimer timer;
    timer.start();
    const int started = manager.down({url, QString(), QString(), QStringLiteral("bench")});
    if (started != 0)
        return -1;
    while (page.finishCode < 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = timer.nsecsElapsed() / 1e9;
    return page.finishCode == 0 ? seconds : -1;
}

// The previous file's pages reach the disk before the next download starts,
// so that no run pays for another's write-back.
void settleDisk()
{
    ::sync();
}

// curl's time, and the time of the same file's flush to the disk that the job
// includes in its own.
struct CurlTimes {
    double transfer = -1;
    double flushed = -1;
};

double downloadWithCurl(const QString &url, const QString &target)
{
    settleDisk();
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               {QStringLiteral("-sS"), QStringLiteral("-o"), target, QStringLiteral("-w"),
                QStringLiteral("%{time_total}"), url});
    if (!curl.waitForFinished(-1) || curl.exitCode() != 0)
        return -1;
    return QString::fromLatin1(curl.readAllStandardOutput()).toDouble();
}

CurlTimes curlThenFlush(const QString &url, const QString &target)
{
    CurlTimes times;
    times.transfer = downloadWithCurl(url, target);
    QElapsedTimer flush;
    flush.start();
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC);
    if (times.transfer > 0 && fd >= 0 && ::fdatasync(fd) == 0)
        times.flushed = times.transfer + flush.nsecsElapsed() / 1e9;
    if (fd >= 0)
        ::close(fd);
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    // Lines appear as they are measured, also when the output goes to a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const long long mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Nothing of the person's own settings or documents is touched.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);

    ChildProcess service;
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(QStringLiteral(DEVSERVICE_PATH), {QStringLiteral("--port"), QStringLiteral("0")});
    QString base;
    static const QRegularExpression listening(QStringLiteral("listening on (http://\\S+)"));
    while (base.isEmpty() && service.waitForReadyRead(10000)) {
        const QRegularExpressionMatch match =
            listening.match(QString::fromUtf8(service.readLine()));
        if (match.hasMatch())
            base = match.captured(1);
    }
    if (base.isEmpty()) {
        std::fprintf(stderr, "the stand-in service did not start\n");
        return 1;
    }
    QObject owner;
    auto pageOwned = std::make_unique<BenchPage>();
    BenchPage &page = *pageOwned;
    DownloaderObjManager manager(&owner, std::move(pageOwned));

    const QString folder = home.filePath(QStringLiteral("downloads"));
    storeSaveFolder(folder);
    const auto fileUrl = [&base](long long size, int run) -> QString {
        return base + QStringLiteral("/drivers/bench%1.bin?size=%2").arg(run).arg(size);
    };

    // A small run first: the peak memory after it is the baseline the large run
    // must not grow beyond.
    if (downloadThroughJob(manager, page, fileUrl(64ll << 20, 100)) < 0) {
        std::fprintf(stderr, "the warm-up download failed\n");
        return 1;
    }
    const long smallPeak = peakMemoryKiB();

    const long long size = mib << 20;
    std::vector<double> jobRates;
    std::vector<double> curlRates;
    std::vector<double> flushedCurlRates;
    PauseMeter pauses;
    qint64 longestPause = 0;
    const auto rate = [size](double seconds) { return size / seconds / (1 << 20); };
    for (int run = 0; run < runs; ++run) {
        // Alternate who goes first, so that neither always meets a warmer cache.
        const QString curlTarget = home.filePath(QStringLiteral("curl.bin"));
        CurlTimes curlTimes;
        if (run % 2 == 1)
            curlTimes = curlThenFlush(fileUrl(size, run), curlTarget);
        settleDisk();
        pauses.start();
        const double jobSeconds = downloadThroughJob(manager, page, fileUrl(size, run));
        longestPause = std::max(longestPause, pauses.stop());
        if (jobSeconds < 0) {
            std::fprintf(stderr, "the download through the job failed\n");
            return 1;
        }
        // The last file stays for the publisher check below.
        if (run + 1 < runs)
            QFile::remove(folder + QStringLiteral("/bench%1.bin").arg(run));
        if (run % 2 == 0)
            curlTimes = curlThenFlush(fileUrl(size, run), curlTarget);
        QFile::remove(curlTarget);
        if (curlTimes.flushed <= 0) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        jobRates.push_back(rate(jobSeconds));
        curlRates.push_back(rate(curlTimes.transfer));
        flushedCurlRates.push_back(rate(curlTimes.flushed));
        std::printf("run %d: job %.0f MiB/s, curl %.0f MiB/s, curl then fdatasync %.0f MiB/s\n",
                    run + 1, jobRates.back(), curlRates.back(), flushedCurlRates.back());
    }

    const double job = median(jobRates);
    const double curl = median(curlRates);
    const double flushedCurl = median(flushedCurlRates);
    std::printf("file %lld MiB, median of %d runs; the job's time includes its fdatasync\n", mib,
                runs);
    std::printf("throughput: job %.0f MiB/s, curl %.0f MiB/s (%.0f %% of curl), curl then "
                "fdatasync %.0f MiB/s (%.0f %%)\n",
                job, curl, 100 * job / curl, flushedCurl, 100 * job / flushedCurl);
    std::printf("progress calls to the page in the last run: %lld\n", page.progressCalls);
    std::printf("peak memory: %ld KiB after 64 MiB, %ld KiB after %lld MiB\n", smallPeak,
                peakMemoryKiB(), mib);
    std::printf("longest pause of the window's thread during the downloads: %lld ms\n",
                static_cast<long long>(longestPause));

    // The publisher check reads the whole file on a worker thread; the
    // window's thread goes on turning meanwhile. TESSALY_BENCH_INSTALLER names
    // a real (signed) installer to check instead of the downloaded file.
    const QString checked = qEnvironmentVariable(
        "TESSALY_BENCH_INSTALLER", folder + QStringLiteral("/bench%1.bin").arg(runs - 1));
    QElapsedTimer checkTime;
    checkTime.start();
    pauses.start();
    PublisherCheck check(checked, nullptr);
    QString verdict;
    QObject::connect(&check, &PublisherCheck::finished,
                     [&verdict](const QString &result, const QString &) { verdict = result; });
    while (verdict.isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("publisher check of %s (%lld MiB): %s after %.1f s; longest pause of the "
                "window's thread meanwhile: %lld ms\n",
                qPrintable(QFileInfo(checked).fileName()), QFileInfo(checked).size() >> 20,
                qPrintable(verdict), checkTime.nsecsElapsed() / 1e9,
                static_cast<long long>(pauses.stop()));

    service.terminate();
    service.waitForFinished(5000);
    return 0;
}
