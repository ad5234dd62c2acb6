// Round trip of one command ("$gcv!" written with response, then read back) through the real
// Qt Bluetooth back end and the fake bluetoothd on a private D-Bus bus, and who spends the time:
// this process (our code + Qt + D-Bus client side), the fake, the bus daemon.
// Usage: bench_ble_roundtrip [COMMANDS]   (at least 200; default 500)
// Prints one line per figure: name value unit. To split this process's CPU further into our own
// code and Qt / libdbus / kernel: perf record -g bench_ble_roundtrip 3000; perf report --sort dso.
#include "tests/bluez/BleClientFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int kMinCommands = 200;
constexpr int kDefaultCommands = 500;
constexpr int kWarmUp = 20;
constexpr int kPpidField = 1;   // of /proc/<pid>/stat, counted after the ") " of the name
constexpr int kUtimeField = 11; // likewise; stime follows
const QByteArray kCommand = "$gcv!";

double processCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

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

void print(const char* name, double value, const char* unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

int fail(const QString& text)
{
    std::fprintf(stderr, "bench_ble_roundtrip: %s\n", qPrintable(text));
    return 1;
}

void printShare(const char* cpuName, const char* shareName, double ns, int n, double wallNs)
{
    if (ns < 0)
        return;
    print(cpuName, ns / n / 1e3, "us");
    print(shareName, 100.0 * ns / wallNs, "%");
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
    if (QString e = f.startBus(); !e.isEmpty())
        return fail(e);
    if (QString e = f.start({}); !e.isEmpty())
        return fail(e);
    if (QString e = f.connectGauge(); !e.isEmpty())
        return fail(e);
    const QByteArray expected = f.roundTrip(kCommand);
    if (!expected.startsWith("$gcv?"))
        return fail(QStringLiteral("unexpected reply: ") + QString::fromLatin1(expected));
    for (int i = 0; i < kWarmUp; ++i)
        f.roundTrip(kCommand);
    const QString fakePid = childNamed("fakebluez");
    const QString busPid = childNamed("dbus-daemon");

    std::vector<double> times;
    times.reserve(size_t(n));
    const double fake0 = otherCpuNs(fakePid);
    const double bus0 = otherCpuNs(busPid);
    const double cpu0 = processCpuNs();
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < n; ++i) {
        const qint64 t0 = wall.nsecsElapsed();
        const QByteArray reply = f.roundTrip(kCommand);
        times.push_back(double(wall.nsecsElapsed() - t0));
        if (reply != expected)
            return fail(QStringLiteral("command %1 answered %2").arg(i).arg(reply.constData()));
    }
    const double wallNs = double(wall.nsecsElapsed());
    const double cpuNs = processCpuNs() - cpu0;
    const double fakeNs = fake0 < 0 ? -1 : otherCpuNs(fakePid) - fake0;
    const double busNs = bus0 < 0 ? -1 : otherCpuNs(busPid) - bus0;

    std::printf("ble_roundtrip_commands %d commands\n", n);
    print("ble_roundtrip_median", percentile(times, 0.5) / 1e6, "ms");
    print("ble_roundtrip_p95", percentile(times, 0.95) / 1e6, "ms");
    print("ble_roundtrip_min", percentile(times, 0.0) / 1e6, "ms");
    print("ble_roundtrip_mean", wallNs / n / 1e6, "ms");
    printShare("ble_program_cpu_per_command", "ble_program_share", cpuNs, n, wallNs);
    printShare("ble_fake_cpu_per_command", "ble_fake_share", fakeNs, n, wallNs);
    printShare("ble_bus_cpu_per_command", "ble_bus_share", busNs, n, wallNs);
    if (fakeNs >= 0 && busNs >= 0)
        print("ble_waiting_share", 100.0 * (wallNs - cpuNs - fakeNs - busNs) / wallNs, "%");
    f.client->DisconnectDevice();
    f.waitForEvent({QStringLiteral("Disconnected")});
    f.stop();
    return 0;
}
