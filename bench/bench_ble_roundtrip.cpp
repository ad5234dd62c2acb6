// Round trips of one command ("$gcv!" written with response, then read back) through the real
// Qt Bluetooth back end and the fake bluetoothd on a private D-Bus bus, and who spends the time:
// this process (our back end + Qt + D-Bus client side), the fake, the bus daemon. Beside it Qt's
// floor: BareBleClient, QLowEnergyController and QLowEnergyService alone, the same commands on
// the same fake. Each round runs a block of commands through the program's back end
// (BackEndRunner over QtBleClient) and one through the bare client, on a connection each, in
// turns; figures are medians over the blocks.
// Usage: bench_ble_roundtrip [COMMANDS]   (per block, at least 100; default 300)
// Prints one line per figure: name value unit; ble_program_cpu_over_bare targets 1.10 or less.
// To split this process's CPU further: perf record -g bench_ble_roundtrip; perf report --sort dso.
#include "bench/BackEndRunner.h"
#include "bench/BareBleClient.h"
#include "link/bluetooth/BleText.h"
#include "tests/bluez/BleClientFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace
{
constexpr int kMinCommands = 100;
constexpr int kDefaultCommands = 300;
constexpr int kRounds = 9;
constexpr int kPpidField = 1;   // of /proc/<pid>/stat, counted after the ") " of the name
constexpr int kUtimeField = 11; // likewise; stime follows
const QByteArray kCommand = "$gcv!";

// Fields of /proc/<pid>/stat after the process name (which may hold blanks); empty if unreadable.
QList<QByteArray> statFields(const QString& pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    const qsizetype close = text.lastIndexOf(") ");
    return close < 0 ? QList<QByteArray>() : text.mid(close + 2).trimmed().split(' ');
}

QByteArray commandName(const QString& pid)
{
    QFile file(QStringLiteral("/proc/%1/comm").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// Pid of this process's child with this name; empty if there is none.
QString childNamed(const QByteArray& name)
{
    const QString self = QString::number(getpid());
    const QStringList all = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : all) {
        const QList<QByteArray> f = statFields(pid);
        if (f.size() > kPpidField && f[kPpidField] == self.toLatin1() && commandName(pid) == name)
            return pid;
    }
    return {};
}

// CPU time of another process in ns: the scheduler's exact figure where the kernel gives it,
// else user + system ticks; -1 if unreadable.
double otherCpuNs(const QString& pid)
{
    if (pid.isEmpty())
        return -1;
    QFile sched(QStringLiteral("/proc/%1/schedstat").arg(pid));
    if (sched.open(QIODevice::ReadOnly)) {
        bool ok = false;
        const double ns = sched.readAll().split(' ').value(0).toDouble(&ok);
        if (ok)
            return ns;
    }
    const QList<QByteArray> f = statFields(pid);
    if (f.size() <= kUtimeField + 1)
        return -1;
    const double ticks = f[kUtimeField].toDouble() + f[kUtimeField + 1].toDouble();
    return ticks * 1e9 / double(sysconf(_SC_CLK_TCK));
}

double percentile(QList<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, qsizetype(p * double(v.size() - 1) + 0.5))];
}

void print(const QByteArray& name, double value, const char* unit)
{
    std::printf("%s %.3f %s\n", name.constData(), value, unit);
}

// One side's blocks: round-trip times, and per block the CPU per command of this process, the
// fake and the bus, and the wall time per command.
struct Side {
    QList<double> times, cpu, fake, bus, wall;
};

void printSide(const QByteArray& prefix, const Side& side)
{
    auto name = [&](const char* what) { return prefix + what; };
    print(name("roundtrip_median"), percentile(side.times, 0.5) / 1e6, "ms");
    print(name("roundtrip_p95"), percentile(side.times, 0.95) / 1e6, "ms");
    print(name("roundtrip_min"), percentile(side.times, 0.0) / 1e6, "ms");
    print(name("roundtrip_mean"), median(side.wall) / 1e6, "ms");
    const double cpu = median(side.cpu), wall = median(side.wall);
    print(name("program_cpu_per_command"), cpu / 1e3, "us");
    print(name("program_share"), 100.0 * cpu / wall, "%");
    const double fake = median(side.fake), bus = median(side.bus);
    if (fake < 0 || bus < 0)
        return;
    print(name("fake_cpu_per_command"), fake / 1e3, "us");
    print(name("bus_cpu_per_command"), bus / 1e3, "us");
    print(name("waiting_share"), 100.0 * (wall - cpu - fake - bus) / wall, "%");
}

struct Others {
    QString fakePid = childNamed("fakebluez");
    QString busPid = childNamed("dbus-daemon");
};

// One block of count commands through client (BackEndRunner or BareBleClient), on a connection
// of its own, into side; "" or what went wrong.
template <typename Client>
QString measureBlock(Client& client, int count, const Others& others, Side& side)
{
    if (!client.open())
        return "connect: " + client.errorText();
    int sent = 0;
    QElapsedTimer wall;
    qint64 last = 0;
    const CommandSource source = [&](const QByteArray& reply) {
        if (!reply.isEmpty()) {
            const qint64 now = wall.nsecsElapsed();
            side.times << double(now - last);
            last = now;
        }
        return sent++ < count ? kCommand : QByteArray();
    };
    const double fake0 = otherCpuNs(others.fakePid), bus0 = otherCpuNs(others.busPid);
    QList<QByteArray> replies;
    const RunCost cost = timedRun([&] {
        wall.start();
        replies = client.run(source);
    });
    side.wall << cost.wallNs / count;
    side.cpu << cost.cpuNs / count;
    side.fake << (fake0 < 0 ? -1 : (otherCpuNs(others.fakePid) - fake0) / count);
    side.bus << (bus0 < 0 ? -1 : (otherCpuNs(others.busPid) - bus0) / count);
    client.close();
    const bool allAnswered =
        replies.size() == count &&
        std::all_of(replies.begin(), replies.end(), [](auto& r) { return r.startsWith("$gcv?"); });
    return allAnswered ? QString() : "unanswered or unexpected replies: " + client.errorText();
}

int fail(const QString& text)
{
    std::fprintf(stderr, "bench_ble_roundtrip: %s\n", qPrintable(text));
    return 1;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int n = std::max(kMinCommands, argc > 1 ? atoi(argv[1]) : kDefaultCommands);
    if (FakeBluezHarness::daemonProgram().isEmpty()) {
        std::printf("ble_roundtrip skipped: dbus-daemon is not installed\n");
        return 0;
    }
    BleClientFixture f;
    QString e = f.startBus();
    if (e.isEmpty())
        e = f.start({});
    if (e.isEmpty())
        e = f.scanUntilSeen(f.kGaugeId);
    if (!e.isEmpty())
        return fail(e);
    f.log.reset(); // the tests' event log is no part of the program
    BackEndRunner program(*f.client, f.kGaugeId, f.serviceId, f.commandId);
    const BleText::IdParts command = BleText::splitId(f.commandId);
    BareBleClient bare(BleText::addressOf(f.kGaugeId), command.service, command.characteristic);
    const Others others;
    Side programSide, bareSide, warmUp;
    if (e = measureBlock(program, n, others, warmUp); e.isEmpty())
        e = measureBlock(bare, n, others, warmUp);
    QList<double> cpuOverBare;
    for (int round = 0; round < kRounds && e.isEmpty(); ++round) {
        if (round % 2 == 0 && (e = measureBlock(program, n, others, programSide)).isEmpty())
            e = measureBlock(bare, n, others, bareSide);
        else if (round % 2 == 1 && (e = measureBlock(bare, n, others, bareSide)).isEmpty())
            e = measureBlock(program, n, others, programSide);
        if (e.isEmpty())
            cpuOverBare << programSide.cpu.last() / bareSide.cpu.last();
    }
    if (!e.isEmpty())
        return fail(e);
    std::printf("ble_roundtrip_commands %d commands (per block, %d blocks each)\n", n, kRounds);
    printSide("ble_", programSide);
    printSide("ble_bare_", bareSide);
    print("ble_program_cpu_over_bare", median(cpuOverBare), "(median of the rounds' quotients)");
    f.stop();
    return 0;
}
