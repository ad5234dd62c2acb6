// fakebluez: a bluetoothd stand-in for the tests. It owns org.bluez on the bus named by
// DBUS_SYSTEM_BUS_ADDRESS and serves one simulated gauge. Prints "ready" on stdout once the name
// is owned. SIGTERM / SIGINT end it (after writing the device files to --dump-dir, if given).

#include "sim/SimGauge.h"
#include "tests/bluez/fakebluez/FakeBluez.h"

#include <QCoreApplication>
#include <QDBusMetaType>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <unistd.h>

namespace
{
// Blocks SIGTERM and SIGINT (before any thread starts) and returns a descriptor that reads them.
int blockEndSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

// The scenario options; "" on success, else the reason.
QString parse(QStringList args, FakeBluezOptions& o)
{
    const QMap<QString, bool*> flags{{"--no-adapter", &o.noAdapter},
                                     {"--powered-off", &o.poweredOff},
                                     {"--never-resolve", &o.neverResolve},
                                     {"--ignore-disconnect", &o.ignoreDisconnect},
                                     {"--no-command-char", &o.noCommandChar}};
    const QMap<QString, int*> numbers{{"--disconnect-after", &o.disconnectAfter},
                                      {"--op-delay-us", &o.opDelayUs}};
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        bool ok = true;
        if (flags.contains(a))
            *flags[a] = true;
        else if (args.isEmpty())
            return a + " needs a value";
        else if (numbers.contains(a))
            *numbers[a] = args.takeFirst().toInt(&ok);
        else if (a == QLatin1String("--sim-dir"))
            o.simDir = args.takeFirst();
        else if (a == QLatin1String("--dump-dir"))
            o.dumpDir = args.takeFirst();
        else if (a == QLatin1String("--remembered"))
            o.remembered.append(args.takeFirst());
        else
            return "unknown option: " + a;
        if (!ok)
            return a + " needs a number";
    }
    return {};
}

int fail(const QString& text)
{
    std::fprintf(stderr, "fakebluez: %s\n", qPrintable(text));
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    const int signalFd = blockEndSignals();
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--version")) {
        std::printf("5.66\n");
        return 0;
    }
    FakeBluezOptions options;
    if (const QString e = parse(app.arguments().mid(1), options); !e.isEmpty())
        return fail(e);
    qDBusRegisterMetaType<FakeInterfaceList>();
    qDBusRegisterMetaType<FakeManagedObjects>();
    qDBusRegisterMetaType<FakeManufacturerData>();

    SimGauge gauge;
    if (!options.simDir.isEmpty())
        gauge.loadFolder(options.simDir);
    if (options.disconnectAfter > 0)
        gauge.setFault(options.disconnectAfter + 1, SimFault::DropLink);
    FakeBluez fake(gauge, options, QDBusConnection::systemBus());
    if (QString e; !fake.start(e))
        return fail(e);

    QSocketNotifier endNotifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&endNotifier, &QSocketNotifier::activated, &app, [&] {
        signalfd_siginfo info;
        if (read(signalFd, &info, sizeof info) < 0)
            std::perror("fakebluez: signal");
        if (!options.dumpDir.isEmpty() && !fake.dumpFiles(options.dumpDir))
            std::fprintf(stderr, "fakebluez: cannot write %s\n", qPrintable(options.dumpDir));
        app.quit();
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
