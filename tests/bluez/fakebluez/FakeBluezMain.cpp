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
    const QMap<QString, QString*> texts{{"--sim-dir", &o.simDir}, {"--dump-dir", &o.dumpDir}};
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        bool ok = true;
        if (flags.contains(a))
            *flags[a] = true;
        else if (args.isEmpty())
            return a + " needs a value";
        else if (numbers.contains(a))
            *numbers[a] = args.takeFirst().toInt(&ok);
        else if (texts.contains(a))
            *texts[a] = args.takeFirst();
        else if (a == "--remembered")
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
    sigset_t ends; // blocked before any thread starts, read through a descriptor
    sigemptyset(&ends);
    sigaddset(&ends, SIGTERM);
    sigaddset(&ends, SIGINT);
    sigprocmask(SIG_BLOCK, &ends, nullptr);
    const int signalFd = signalfd(-1, &ends, SFD_CLOEXEC);
    QCoreApplication app(argc, argv);
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
