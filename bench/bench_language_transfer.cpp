// Program time per chunk of a language-file transfer to a zero-latency simulated gauge, for files
// of 1 KiB, 64 KiB and 1 MiB. The gauge runs in process and answers at once, so the time measured
// is the program's own (plus the simulated gauge's bookkeeping), service log lines included.
// Prints: language_transfer_per_chunk_<size> <value> us   (wall time per write command)
//         language_transfer_cpu_per_chunk_<size> <value> us   (process CPU per write command)
//         language_transfer_per_chunk_ratio_1MiB_1KiB <value>
#include "link/BleLink.h"
#include "service/LanguageTransfer.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
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

struct Size {
    const char* name;
    int bytes;
    int repeats; // small files are sent several times to average out timer noise
};

struct Figure {
    double wallUs = 0;
    double cpuUs = 0;
    bool ok = false;
};

Figure measure(GaugeSession& session, SimGauge& gauge, const QString& folder, const Size& size)
{
    QByteArray bytes(size.bytes, Qt::Uninitialized);
    QRandomGenerator rng(size.bytes);
    for (char& b : bytes)
        b = char(rng.bounded(256));
    QFile file(folder + "lDE");
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    file.close();

    LanguageTransfer transfer(session, folder);
    const qint64 chunks =
        (qint64(size.bytes) + LanguageTransfer::kChunkBytes - 1) / LanguageTransfer::kChunkBytes;
    Figure f{0, 0, true};
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = processCpuSeconds();
    for (int i = 0; i < size.repeats; ++i) {
        StartServiceLog();
        const DeviceOutcome r = QCoro::waitFor(transfer.run(folder, "lDE"));
        f.ok = f.ok && r.ok() && gauge.file("lDE") == bytes;
    }
    const double total = double(chunks) * size.repeats;
    f.cpuUs = (processCpuSeconds() - cpu0) * 1e6 / total;
    f.wallUs = double(wall.nsecsElapsed()) / 1e3 / total;
    return f;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SimGauge gauge;
    SimBleClient client(&gauge);
    BleLink link(&client, userDialogs(), sharedState());
    link.setConnectPauseMs(0);
    const auto connected = QCoro::waitFor(link.connectTo(gauge.serverId()));
    if (!dir.isValid() || !connected.ok())
        return 1;
    sharedState().ProgramFolder = dir.path();

    const Size sizes[] = {{"1KiB", 1024, 256}, {"64KiB", 64 * 1024, 4}, {"1MiB", 1024 * 1024, 1}};
    Figure figures[3];
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        figures[i] = measure(**connected.value, gauge, dir.path() + "/", sizes[i]);
        ok = ok && figures[i].ok;
        std::printf("language_transfer_per_chunk_%s %.2f us\n", sizes[i].name, figures[i].wallUs);
        std::printf("language_transfer_cpu_per_chunk_%s %.2f us\n", sizes[i].name,
                    figures[i].cpuUs);
    }
    std::printf("language_transfer_per_chunk_ratio_1MiB_1KiB %.2f\n",
                figures[2].wallUs / figures[0].wallUs);
    if (!ok)
        std::printf("language_transfer_failed\n");
    return ok ? 0 : 1;
}
