// How long the page waits for "graphicsList" and how long the inventory
// worker takes to build its report, on a machine tree: median of many runs,
// the first (which reads the PCI id list) shown apart.
//
//   tessaly-hardwarebench [sysroot] [runs]   (defaults: samples/desktop, 25)

#include "hardware/graphicslist.h"
#include "hardware/inventoryreport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>

namespace {

struct Timing {
    double first = 0;
    double median = 0;
};

Timing measure(int runs, const std::function<void()> &work)
{
    QVector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times << timer.nsecsElapsed() / 1e6;
    }
    Timing timing;
    timing.first = times.front();
    std::sort(times.begin(), times.end());
    timing.median = times[times.size() / 2];
    return timing;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray root = argc > 1 ? QByteArray(argv[1]) : QByteArray(TESSALY_SAMPLE_DESKTOP);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 25;
    qputenv("TESSALY_SYSROOT", root);

    const Timing list = measure(runs, [] { GraphicsList::json(); });
    // The WMI stand-in prints its connection line for every report.
    std::cout.setstate(std::ios::failbit);
    const Timing report = measure(runs, [] { InventoryReport::build(); });
    std::cout.clear();

    std::printf("machine tree: %s, %d runs\n", root.constData(), runs);
    std::printf("graphicsList: first %.2f ms, median %.2f ms (aim: under 5 ms)\n", list.first,
                list.median);
    std::printf("inventory report: first %.2f ms, median %.2f ms\n", report.first, report.median);
    return 0;
}
