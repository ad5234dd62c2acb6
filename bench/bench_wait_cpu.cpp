// Process CPU time while the program waits 2 s for a gauge that never answers.
// Prints: wait_cpu_percent <value> %   (share of one core; target under 1 %)
#include "link/CommandChannel.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
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
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    SimGauge gauge;
    gauge.setFault(1, SimFault::NoReply);
    SimBleClient client(&gauge);
    CommandChannel channel;
    channel.setClient(&client);
    QSignalSpy connected(&client, &BLEClient::Connected);
    client.ConnectDevice(gauge.serverId());
    connected.wait(1000);
    SharedState& s = sharedState();
    s.DeviceConnected = true;
    s.ServiceId = SimBleClient::kServiceId;
    s.CommandCharId = SimBleClient::kCommandCharId;
    s.ReplyStatus = 55;

    constexpr int kWaitMs = 2000;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = processCpuSeconds();
    const WaitResult r = QCoro::waitFor(
        channel.ask(QStringLiteral("$gcv!"),
                    {QString(), [] { return sharedState().ReplyStatus == 0; }, nullptr, kWaitMs}));
    const double cpu = processCpuSeconds() - cpu0;
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("wait_cpu_percent %.3f %%\n", 100.0 * cpu / seconds);
    std::printf("wait_wall_ms %.1f ms (%s)\n", seconds * 1000.0, waitResultName(r));
    return r == WaitResult::TimedOut ? 0 : 1;
}
