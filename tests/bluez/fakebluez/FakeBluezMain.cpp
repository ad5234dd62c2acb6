// fakebluez: a bluetoothd stand-in for the tests. It owns org.bluez on the bus named by
// DBUS_SYSTEM_BUS_ADDRESS and serves one simulated gauge. Prints "ready" on stdout once the name
// is owned. SIGTERM / SIGINT end it (after writing the device files to --dump-dir, if given).

#include "sim/SimGauge.h"
#include "tests/bluez/fakebluez/FakeBluez.h"
#include "tests/bluez/fakebluez/FakeBluezTypes.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <unistd.h>

namespace
{
constexpr const char* kBluetoothdVersion = "5.66";

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
    FakeBluezOptions options;
    QString error;
    if (!parseFakeBluezOptions(app.arguments().mid(1), options, error))
        return fail(error);
    if (options.showVersion) {
        std::printf("%s\n", kBluetoothdVersion);
        return 0;
    }
    registerFakeBluezTypes();

    SimGauge gauge;
    if (!options.simDir.isEmpty()) {
        QStringList skipped;
        gauge.loadFolder(options.simDir, &skipped);
        if (!skipped.isEmpty())
            std::fprintf(stderr, "fakebluez: skipped %s\n", qPrintable(skipped.join(' ')));
    }
    if (options.disconnectAfter > 0)
        gauge.setFault(options.disconnectAfter + 1, SimFault::DropLink);

    FakeBluez fake(gauge, options, QDBusConnection::systemBus());
    if (!fake.start(error))
        return fail(error);

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
