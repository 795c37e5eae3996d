// Download throughput: fetches a large file from the stand-in service over
// loopback through the real download job (page progress calls, taskbar and
// all), then the same file with curl from the same server, and prints both
// rates and the program's peak memory.
//
//   tessaly-downloadbench [MiB] [runs]      (defaults: 1024 MiB, 3 runs)

#include "downloads/downloaderobjmanager.h"
#include "downloads/savefolder.h"
#include "webui/mainwindowref.h"
#include "webui/miniblinkdialog.h"
#include "webui/wkeapi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/resource.h>

namespace {

// The least of a page the job needs: progress answers true, the finish code is kept.
struct Page {
    long long progressCalls = 0;
    int finishCode = -1;
};
Page page;

constexpr jsValue kProgressFunction = 1;
constexpr jsValue kFinishFunction = 2;
constexpr jsValue kOther = 3;

wkeWebView WKE_CALL createWebWindow(wkeWindowType, wkeNativeWindow, int, int, int, int)
{
    return reinterpret_cast<wkeWebView>(0x1000);
}
jsExecState WKE_CALL globalExec(wkeWebView)
{
    return reinterpret_cast<jsExecState>(0x2000);
}
jsValue WKE_CALL getGlobal(jsExecState, const char *name)
{
    if (std::strcmp(name, "progressCbkByCpp") == 0)
        return kProgressFunction;
    return std::strcmp(name, "finishCbkByCpp") == 0 ? kFinishFunction : kOther;
}
// Numbers are carried in the value itself, shifted past the function tags.
jsValue WKE_CALL intValue(int n)
{
    return jsValue(n) * 256 + 0x80;
}
jsValue WKE_CALL boolValue(bool)
{
    return kOther;
}
jsValue WKE_CALL stringValue(jsExecState, const char *)
{
    return kOther;
}
jsValue WKE_CALL callGlobal(jsExecState, jsValue fn, jsValue *args, int count)
{
    if (fn == kProgressFunction)
        ++page.progressCalls;
    else if (fn == kFinishFunction && count > 0)
        page.finishCode = int((args[0] - 0x80) / 256);
    return fn;
}
bool WKE_CALL toBoolean(jsExecState, jsValue v)
{
    return v == kProgressFunction;
}

void installPage()
{
    WkeApi &api = wkeApi();
    api.wkeCreateWebWindow = &createWebWindow;
    api.wkeGlobalExec = &globalExec;
    api.jsGetGlobal = &getGlobal;
    api.jsInt = &intValue;
    api.jsBoolean = &boolValue;
    api.jsString = &stringValue;
    api.jsCallGlobal = &callGlobal;
    api.jsToBoolean = &toBoolean;
}

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
double downloadThroughJob(MiniblinkDialog &window, const QString &url)
{
    page.finishCode = -1;
    page.progressCalls = 0;
    QElapsedTimer timer;
    timer.start();
    const int started =
        DownloaderObjManager::down(&window, {url, QString(), QString(), QStringLiteral("bench")});
    if (started != 0)
        return -1;
    while (page.finishCode < 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = timer.nsecsElapsed() / 1e9;
    return page.finishCode == 0 ? seconds : -1;
}

double downloadWithCurl(const QString &url, const QString &target)
{
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               {QStringLiteral("-sS"), QStringLiteral("-o"), target, QStringLiteral("-w"),
                QStringLiteral("%{time_total}"), url});
    if (!curl.waitForFinished(-1) || curl.exitCode() != 0)
        return -1;
    return QString::fromLatin1(curl.readAllStandardOutput()).toDouble();
}

} // namespace

int main(int argc, char *argv[])
{
    const long long mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Nothing of the person's own settings or documents is touched.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);

    installPage();
    MiniblinkDialog window;
    setMainWindow(&window);

    QProcess service;
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

    const QString folder = home.filePath(QStringLiteral("downloads"));
    storeSaveFolder(folder);
    const auto fileUrl = [&base](long long size, int run) -> QString {
        return base + QStringLiteral("/drivers/bench%1.bin?size=%2").arg(run).arg(size);
    };

    // A small run first: the peak memory after it is the baseline the large run
    // must not grow beyond.
    if (downloadThroughJob(window, fileUrl(64ll << 20, 100)) < 0) {
        std::fprintf(stderr, "the warm-up download failed\n");
        return 1;
    }
    const long smallPeak = peakMemoryKiB();

    const long long size = mib << 20;
    std::vector<double> jobRates;
    std::vector<double> curlRates;
    for (int run = 0; run < runs; ++run) {
        // Alternate who goes first, so that neither always meets a warmer cache.
        const QString curlTarget = home.filePath(QStringLiteral("curl.bin"));
        double curlSeconds = 0;
        if (run % 2 == 1)
            curlSeconds = downloadWithCurl(fileUrl(size, run), curlTarget);
        const double jobSeconds = downloadThroughJob(window, fileUrl(size, run));
        if (jobSeconds < 0) {
            std::fprintf(stderr, "the download through the job failed\n");
            return 1;
        }
        QFile::remove(folder + QStringLiteral("/bench%1.bin").arg(run));
        if (run % 2 == 0)
            curlSeconds = downloadWithCurl(fileUrl(size, run), curlTarget);
        QFile::remove(curlTarget);
        if (curlSeconds <= 0) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        jobRates.push_back(size / jobSeconds / (1 << 20));
        curlRates.push_back(size / curlSeconds / (1 << 20));
        std::printf("run %d: job %.0f MiB/s, curl %.0f MiB/s\n", run + 1, jobRates.back(),
                    curlRates.back());
    }

    const double job = median(jobRates);
    const double curl = median(curlRates);
    std::printf("file %lld MiB, median of %d runs\n", mib, runs);
    std::printf("throughput: job %.0f MiB/s, curl %.0f MiB/s (%.0f %% of curl)\n", job, curl,
                100 * job / curl);
    std::printf("progress calls to the page in the last run: %lld\n", page.progressCalls);
    std::printf("peak memory: %ld KiB after 64 MiB, %ld KiB after %lld MiB\n", smallPeak,
                peakMemoryKiB(), mib);

    service.terminate();
    service.waitForFinished(5000);
    return 0;
}
