// Start-up of the program on the simulated gauge, offscreen: wall time from the process start
// until it has shown its main window and ended (--exit-when-shown), and the peak resident memory
// of the program process.
// Prints: startup <median> ms        (target under 300 ms)
//         startup_peak_memory <MiB> MB (target under 80 MB)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace
{
constexpr int kRuns = 7;
constexpr int kLimitMs = 20000;
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer wall;
        wall.start();
        program.start(QStringLiteral(ZV_SERVICE_EXE),
                      {QStringLiteral("--simulator"), QStringLiteral("--exit-when-shown")});
        const bool finished = program.waitForFinished(kLimitMs);
        const double ms = double(wall.nsecsElapsed()) / 1e6;
        if (!finished || program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0) {
            std::fprintf(stderr, "startup: run %d did not end normally: %s\n", i + 1,
                         program.readAllStandardError().constData());
            return 1;
        }
        times.push_back(ms);
    }
    // The children have been waited for: their largest resident set, in KiB on Linux.
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double first = times.front();
    std::sort(times.begin(), times.end());
    std::printf("startup %.1f ms (median of %d runs; first %.1f, best %.1f, worst %.1f)\n",
                times[times.size() / 2], kRuns, first, times.front(), times.back());
    std::printf("startup_peak_memory %.1f MB (largest resident set of the program)\n",
                double(usage.ru_maxrss) / 1024.0);
    return 0;
}
