// Read of both record files plus the identity on a simulated gauge that takes 7.5 ms per write
// and per read, against the link-bound minimum of 2 x 7.5 ms per command: without a history,
// recording into this PC's file, and with a shared PostgreSQL server (a throwaway one behind a
// relay) that answers or that stalls (the relay keeps the connection and moves no byte).
// Prints: read_files[VARIANT] <wall> ms ratio <wall / minimum> (target 1.01 or less), and for
// the history variants the ratio against the run without (target within 1 %).
#include "bench/ReadBoth.h"
#include "history/HistoryService.h"
#include "link/BleLink.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"
#include "tests/common/TcpStallProxy.h"
#include "tests/common/ThrowawayServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr std::chrono::microseconds kLatency{7500};
constexpr int kRuns = 15;

struct Run {
    double wallMs = 0;
    int commands = 0;
    bool ok = false;
};

Run readOnce(HistoryService* history)
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
    if (history)
        link.setJournal(&history->journal()); // the session reports its visit
    const auto connected = QCoro::waitFor(link.connectTo(gauge.serverId()));
    if (!connected.ok())
        return {};
    GaugeSession& session = **connected.value;

    QElapsedTimer wall;
    wall.start();
    const bool ok = QCoro::waitFor(readBoth(session));
    const Run run{double(wall.nsecsElapsed()) / 1e6, gauge.commandCount(), ok};
    if (history) {
        session.end();
        history->flush();
    }
    return run;
}

// One way of running the read: its history (none: null) and its runs.
struct Variant {
    const char* name;
    HistoryService* history;
    std::vector<Run> runs;
};

// The median run's ratio to the link-bound minimum.
double report(Variant& v)
{
    std::sort(v.runs.begin(), v.runs.end(),
              [](const Run& a, const Run& b) { return a.wallMs < b.wallMs; });
    const Run& median = v.runs[v.runs.size() / 2];
    const double minimumMs = 2.0 * (double(kLatency.count()) / 1000.0) * median.commands;
    std::printf("read_files[%s] %.1f ms ratio %.4f (median of %d runs, %d commands, minimum %.1f "
                "ms, best %.4f, worst %.4f)\n",
                v.name, median.wallMs, median.wallMs / minimumMs, kRuns, median.commands, minimumMs,
                v.runs.front().wallMs / minimumMs, v.runs.back().wallMs / minimumMs);
    return median.wallMs / minimumMs;
}

// Round by round every variant once, so that the machine's load weighs on all alike.
bool measure(std::vector<Variant>& variants)
{
    for (int i = 0; i < kRuns; ++i) {
        for (Variant& v : variants) {
            v.runs.push_back(readOnce(v.history));
            if (!v.runs.back().ok) {
                std::fprintf(stderr, "read_files[%s]: run %d failed\n", v.name, i + 1);
                return false;
            }
        }
    }
    const double without = report(variants.front());
    for (size_t i = 1; i < variants.size(); ++i)
        std::printf("read_files[%s] %+.2f %% against no history (target within 1 %%)\n",
                    variants[i].name, 100.0 * (report(variants[i]) / without - 1.0));
    return true;
}

HistoryService::Warning quietWarning(const char* variant)
{
    return [variant](const QString& w) {
        std::fprintf(stderr, "read_files[%s]: %s\n", variant, qPrintable(w));
    };
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    HistoryService local(quietWarning("local file"));
    local.open(dir.filePath(QStringLiteral("local.sqlite")));
    std::vector<Variant> variants = {{"no history", nullptr, {}}, {"local file", &local, {}}};
    // The shared server, through one relay that moves the bytes and one that stalls.
    ThrowawayServer server;
    const QString why = server.prepare();
    if (!why.isEmpty() || !server.start()) {
        std::printf("read_files[postgresql]: skipped: %s\n",
                    qPrintable(why.isEmpty() ? server.log : why));
        return measure(variants) ? 0 : 1;
    }
    TcpStallProxy flowing(server.port), stalling(server.port);
    HistoryService up(quietWarning("postgresql up")), stalled(quietWarning("postgresql stalled"));
    up.open(server.newDatabase(QStringLiteral("bench"), flowing.port()),
            dir.filePath(QStringLiteral("up.sqlite")));
    stalled.open(server.url(QStringLiteral("bench"), stalling.port()),
                 dir.filePath(QStringLiteral("stalled.sqlite")));
    if (!up.synchronise(30000) || !stalled.synchronise(30000))
        return 1;
    stalling.stall();
    variants.push_back({"postgresql up", &up, {}});
    variants.push_back({"postgresql stalled", &stalled, {}});
    const bool ok = measure(variants);
    stalled.finish();
    stalling.resume();
    up.finish();
    server.stop();
    return ok ? 0 : 1;
}
