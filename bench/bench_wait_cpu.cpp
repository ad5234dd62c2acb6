// Process CPU time while the program waits 2 s for a gauge that never answers.
// Prints: wait_cpu_percent <value> %   (share of one core; target under 1 %)
#include "link/BleLink.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <ctime>

namespace
{
double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
QCoro::Task<Reply> request(CommandChannel& channel, QString command, ReplyExpectation expect)
{
    co_return co_await channel.ask(std::move(command), std::move(expect));
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    SimGauge gauge;
    gauge.setFault(1, SimFault::NoReply);
    SimBleClient client(&gauge);
    BleLink link(&client, userDialogs(), sharedState());
    link.setConnectPauseMs(0);
    const auto connected = QCoro::waitFor(link.connectTo(gauge.serverId()));
    if (!connected.ok())
        return 1;
    CommandChannel& channel = (*connected.value)->channel();

    constexpr int kWaitMs = 2000;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = processCpuSeconds();
    const WaitResult r = QCoro::waitFor(request(channel, QStringLiteral("$gcv!"),
                                                {QStringLiteral("$gcv"), {}, nullptr, kWaitMs}))
                             .wait;
    const double cpu = processCpuSeconds() - cpu0;
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("wait_cpu_percent %.3f %%\n", 100.0 * cpu / seconds);
    std::printf("wait_wall_ms %.1f ms (%s)\n", seconds * 1000.0, waitResultName(r));
    return r == WaitResult::TimedOut ? 0 : 1;
}
