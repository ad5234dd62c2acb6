#pragma once

#include <QByteArray>
#include <QList>
#include <functional>

// The commands of one run of round trips, one after another: called with the reply to the last
// command (empty before the first), it gives the next command, or an empty one to end the run.
using CommandSource = std::function<QByteArray(const QByteArray& reply)>;

// The same command count times.
CommandSource repeatedCommand(const QByteArray& command, int count);

// Process CPU time (every thread of this process) in nanoseconds.
double processCpuNs();

struct RunCost {
    double wallNs = 0;
    double cpuNs = 0; // this process, every thread
};
// What work costs. Every measured run goes through here, and calls runBoundary() right before
// and right after work, so that a profile can be cut there into setup and runs, each run with
// all its threads: valgrind --tool=callgrind --dump-before=runBoundary (dumps 2, 4, ... are the
// runs, in the order the benchmark makes them).
RunCost timedRun(const std::function<void()>& work);
void runBoundary();
// The median of values (the upper one of an even count); 0 for none.
double median(QList<double> values);
