// Read of both record files plus the identity on a simulated gauge that takes 7.5 ms per write
// and per read, against the link-bound minimum of 2 x 7.5 ms per command.
// Prints: read_files <wall> ms ratio <wall / minimum> (target 1.01 or less)
#include "info/RecordReader.h"
#include "link/BleLink.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr std::chrono::microseconds kLatency{7500};
constexpr int kRuns = 5;

struct Run {
    double wallMs = 0;
    int commands = 0;
    bool ok = false;
};

// "probe", then "factory" unless the first read failed.
QCoro::Task<bool> readBoth(GaugeSession& session)
{
    // Each result into a variable: g++ 12 mishandles a co_await inside a larger expression.
    const QString probeFile = QStringLiteral("probe"), factoryFile = QStringLiteral("factory");
    const DeviceResult<GaugeRecord> probe = co_await RecordReader::Lese_Com(session, probeFile);
    if (!probe.ok())
        co_return false;
    const DeviceResult<GaugeRecord> factory = co_await RecordReader::Lese_Com(session, factoryFile);
    co_return factory.ok();
}

Run readOnce()
{
    resetSharedState();
    SimGauge gauge;
    SimBleClient::Options options;
    options.connectLatencyMs = 0;
    options.writeLatency = kLatency;
    options.readLatency = kLatency;
    SimBleClient client(&gauge, options);
    BleLink link(&client, userDialogs(), sharedState());
    link.setConnectPauseMs(0);
    const auto connected = QCoro::waitFor(link.connectTo(gauge.serverId()));
    if (!connected.ok())
        return {};
    GaugeSession& session = **connected.value;

    QElapsedTimer wall;
    wall.start();
    const bool ok = QCoro::waitFor(readBoth(session));
    return {double(wall.nsecsElapsed()) / 1e6, gauge.commandCount(), ok};
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::vector<Run> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.push_back(readOnce());
        if (!runs.back().ok) {
            std::fprintf(stderr, "read_files: run %d failed\n", i + 1);
            return 1;
        }
    }
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.wallMs < b.wallMs; });
    const Run& median = runs[runs.size() / 2];
    const double minimumMs = 2.0 * (double(kLatency.count()) / 1000.0) * median.commands;
    std::printf("read_files %.1f ms ratio %.4f (median of %d runs, %d commands, minimum %.1f ms, "
                "best %.4f, worst %.4f)\n",
                median.wallMs, median.wallMs / minimumMs, kRuns, median.commands, minimumMs,
                runs.front().wallMs / minimumMs, runs.back().wallMs / minimumMs);
    return 0;
}
