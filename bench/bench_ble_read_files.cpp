// Read of both record files plus the identity through the real Qt Bluetooth back end and the fake
// bluetoothd on a private D-Bus bus, which takes 7.5 ms for every write and every read of the
// command characteristic, against the link-bound minimum of 2 x 7.5 ms per command; beside it
// Qt's floor: BareBleClient sending the same commands (recorded from the program's first read)
// on the same fake. Program and bare client take turns, round by round, each on a connection of
// its own; figures are medians over the rounds. CPU is this process's (all threads: our code,
// Qt Bluetooth, the D-Bus client side).
// Prints, for the program (ble_read_files_*) and the bare client (ble_bare_read_files_*): wall
// time, ratio to the minimum and CPU per command; then the program's ratio less the bare one and
// its CPU per command over the bare one's (targets 0.02 or less and 1.10 or less).
#include "bench/BackEndRunner.h"
#include "bench/BareBleClient.h"
#include "bench/CommandReplay.h"
#include "bench/ReadBoth.h"
#include "link/GaugeSession.h"
#include "link/bluetooth/BleText.h"
#include "state/SharedState.h"
#include "tests/bluez/BleClientFixture.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>

namespace
{
constexpr int kOperationUs = 7500;
constexpr int kRounds = 9;

struct Run {
    double wallMs = 0;
    double cpuUs = 0;
    int commands = 0;
};

double ratioOf(const Run& run)
{
    return run.wallMs / (2.0 * kOperationUs / 1000.0 * run.commands);
}

double cpuPerCommand(const Run& run)
{
    return run.cpuUs / run.commands;
}

// One side's figures, a value per round.
struct Figures {
    QList<double> wallMs, ratio, cpuPerCommand;
};

void add(Figures& figures, const Run& run)
{
    figures.wallMs << run.wallMs;
    figures.ratio << ratioOf(run);
    figures.cpuPerCommand << cpuPerCommand(run);
}

int fail(const QString& text)
{
    std::fprintf(stderr, "bench_ble_read_files: %s\n", qPrintable(text));
    return 1;
}

// The program's read on a connection of its own: the back end, the session's channel, the reply
// wait and the file commands. Records its commands and replies into replay when given one.
QString programRead(const BleClientFixture& f, BackEndRunner& link, Run& run,
                    CommandReplay* replay = nullptr)
{
    if (!link.open())
        return "program connect: " + link.errorText();
    GaugeSession session(f.client.get(), f.kGaugeId, {f.serviceId, f.commandId, f.traceId},
                         sharedState());
    CommandChannel& channel = session.channel();
    QList<QByteArray> commands, replies;
    QObject scope;
    QObject::connect(&channel, &CommandChannel::commandSent, &scope,
                     [&](const QString& c) { commands << c.toLatin1(); });
    if (replay)
        QObject::connect(&channel, &CommandChannel::valueReceived, &scope,
                         [&](const QByteArray& v) { replies << v; });
    bool ok = false;
    const RunCost cost = timedRun([&] { ok = QCoro::waitFor(readBoth(session)); });
    run = {cost.wallNs / 1e6, cost.cpuNs / 1e3, int(commands.size())};
    if (replay)
        *replay = CommandReplay(commands, replies);
    link.close();
    return ok ? QString() : QStringLiteral("the program's read failed");
}

// The same commands from the bare client, on a connection of its own.
QString bareRead(BareBleClient& bare, const CommandReplay& replay, Run& run)
{
    if (!bare.open())
        return "bare connect: " + bare.errorText();
    QList<QByteArray> replies;
    const RunCost cost = timedRun([&] { replies = bare.run(replay.source()); });
    run = {cost.wallNs / 1e6, cost.cpuNs / 1e3, replay.size()};
    bare.close();
    const QString difference = replay.differenceFrom(replies);
    return difference.isEmpty() ? QString() : "bare read: " + difference;
}

void printFigures(const char* name, const Figures& f, int commands)
{
    std::printf("%s %.1f ms (median of %d rounds, %d commands, minimum %.1f ms)\n", name,
                median(f.wallMs), kRounds, commands, 2.0 * kOperationUs / 1000.0 * commands);
    std::printf("%s_ratio %.4f (best %.4f, worst %.4f)\n", name, median(f.ratio),
                *std::min_element(f.ratio.begin(), f.ratio.end()),
                *std::max_element(f.ratio.begin(), f.ratio.end()));
    std::printf("%s_cpu_per_command %.1f us\n", name, median(f.cpuPerCommand));
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
    QString e = f.startBus();
    if (e.isEmpty())
        e = f.start({QStringLiteral("--op-delay-us"), QString::number(kOperationUs)});
    if (e.isEmpty())
        e = f.scanUntilSeen(f.kGaugeId);
    if (!e.isEmpty())
        return fail(e);
    f.log.reset(); // the tests' event log is no part of the program
    resetSharedState();
    BackEndRunner link(*f.client, f.kGaugeId, f.serviceId, f.commandId);
    auto program = [&](Run& run, CommandReplay* replay = nullptr) {
        return programRead(f, link, run, replay);
    };
    const BleText::IdParts command = BleText::splitId(f.commandId);
    BareBleClient bare(BleText::addressOf(f.kGaugeId), command.service, command.characteristic);
    CommandReplay replay;
    Run run;
    if (e = program(run, &replay); e.isEmpty())
        e = bareRead(bare, replay, run); // both warm up; the program's commands are recorded
    Figures programFigures, bareFigures;
    QList<double> ratioExcess, cpuOverBare;
    for (int round = 0; round < kRounds && e.isEmpty(); ++round) {
        Run ours, floor;
        if (round % 2 == 0 && (e = program(ours)).isEmpty())
            e = bareRead(bare, replay, floor);
        else if (round % 2 == 1 && (e = bareRead(bare, replay, floor)).isEmpty())
            e = program(ours);
        add(programFigures, ours);
        add(bareFigures, floor);
        ratioExcess << ratioOf(ours) - ratioOf(floor);
        cpuOverBare << cpuPerCommand(ours) / cpuPerCommand(floor);
    }
    if (!e.isEmpty())
        return fail(e);
    printFigures("ble_read_files", programFigures, replay.size());
    printFigures("ble_bare_read_files", bareFigures, replay.size());
    std::printf("ble_read_files_ratio_over_bare %.4f (median of the rounds' differences)\n",
                median(ratioExcess));
    std::printf("ble_read_files_cpu_over_bare %.3f (median of the rounds' quotients)\n",
                median(cpuOverBare));
    f.stop();
    return 0;
}
