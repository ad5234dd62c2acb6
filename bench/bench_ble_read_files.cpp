// Read of both record files plus the identity through the real Qt Bluetooth back end and the fake
// bluetoothd on a private D-Bus bus, which takes 7.5 ms for every write and every read of the
// command characteristic: the wall time against the link-bound minimum of 2 x 7.5 ms per command,
// and this process's CPU per command (our code, Qt Bluetooth and the D-Bus client side).
// Prints: ble_read_files <wall> ms, ble_read_files_ratio <wall / minimum>,
// ble_read_files_cpu_per_command <us> (targets 1.02 or less and 250 us or less).
#include "info/RecordReader.h"
#include "link/GaugeSession.h"
#include "state/SharedState.h"
#include "tests/bluez/BleClientFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{
constexpr int kOperationUs = 7500;
constexpr int kRuns = 5;

struct Run {
    double wallMs = 0;
    double cpuUs = 0;
    int commands = 0;
    bool ok = false;
};

double processCpuUs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

QCoro::Task<bool> readBoth(GaugeSession& session)
{
    const QString probeFile = QStringLiteral("probe"), factoryFile = QStringLiteral("factory");
    const DeviceResult<GaugeRecord> probe = co_await RecordReader::Lese_Com(session, probeFile);
    if (!probe.ok())
        co_return false;
    const DeviceResult<GaugeRecord> factory = co_await RecordReader::Lese_Com(session, factoryFile);
    co_return factory.ok();
}

Run readOnce(GaugeSession& session)
{
    CommandChannel& channel = session.channel();
    int commands = 0;
    const auto counter =
        QObject::connect(&channel, &CommandChannel::commandSent, [&commands] { ++commands; });
    const double cpu0 = processCpuUs();
    QElapsedTimer wall;
    wall.start();
    const bool ok = QCoro::waitFor(readBoth(session));
    Run run{double(wall.nsecsElapsed()) / 1e6, processCpuUs() - cpu0, commands, ok};
    QObject::disconnect(counter);
    return run;
}

int fail(const QString& text)
{
    std::fprintf(stderr, "bench_ble_read_files: %s\n", qPrintable(text));
    return 1;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (FakeBluezHarness::daemonProgram().isEmpty()) {
        std::printf("ble_read_files skipped: dbus-daemon is not installed\n");
        return 0;
    }
    BleClientFixture f;
    if (QString e = f.startBus(); !e.isEmpty())
        return fail(e);
    if (QString e = f.start({QStringLiteral("--op-delay-us"), QString::number(kOperationUs)});
        !e.isEmpty())
        return fail(e);
    if (QString e = f.connectGauge(); !e.isEmpty())
        return fail(e);
    resetSharedState();
    GaugeSession session(f.client.get(), f.kGaugeId, {f.serviceId, f.commandId, f.traceId},
                         sharedState());

    std::vector<Run> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.push_back(readOnce(session));
        if (!runs.back().ok)
            return fail(QStringLiteral("run %1 failed").arg(i + 1));
    }
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.wallMs < b.wallMs; });
    const Run& median = runs[runs.size() / 2];
    const double minimumMs = 2.0 * kOperationUs / 1000.0 * median.commands;
    std::printf("ble_read_files %.1f ms (median of %d runs, %d commands, minimum %.1f ms)\n",
                median.wallMs, kRuns, median.commands, minimumMs);
    std::printf("ble_read_files_ratio %.4f (best %.4f, worst %.4f)\n", median.wallMs / minimumMs,
                runs.front().wallMs / minimumMs, runs.back().wallMs / minimumMs);
    std::printf("ble_read_files_cpu_per_command %.1f us\n", median.cpuUs / median.commands);
    f.client->DisconnectDevice();
    f.waitForEvent({QStringLiteral("Disconnected")});
    f.stop();
    return 0;
}
