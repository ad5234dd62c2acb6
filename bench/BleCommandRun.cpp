#include "bench/BleCommandRun.h"

#include <QElapsedTimer>

#include <algorithm>
#include <ctime>
#include <memory>

CommandSource repeatedCommand(const QByteArray& command, int count)
{
    auto sent = std::make_shared<int>(0);
    return [command, count, sent](const QByteArray&) {
        return (*sent)++ < count ? command : QByteArray();
    };
}

double processCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

// Never inlined, and with an effect the optimiser must keep, so that the call stays.
Q_NEVER_INLINE void runBoundary()
{
    static volatile int boundaries = 0;
    boundaries = boundaries + 1;
}

RunCost timedRun(const std::function<void()>& work)
{
    runBoundary();
    const double cpu0 = processCpuNs();
    QElapsedTimer wall;
    wall.start();
    work();
    const RunCost cost{double(wall.nsecsElapsed()), processCpuNs() - cpu0};
    runBoundary();
    return cost;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
