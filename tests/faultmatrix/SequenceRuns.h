#pragma once

#include "sim/SimGauge.h"

#include <QString>
#include <QStringList>

// The device sequences of the fault matrix, run in the core as the windows run them.
enum class Sequence {
    Read,     // the read button: "probe" with the identity, then "factory" unless the link went
    Identity, // the read of "probe" with the identity request
    Upload,   // the probe upload: safe write of "probe" (backup read, write, read-back)
    Factory,  // the factory overwrite: safe write of "factory"
    Language, // a language-file transfer
    Time,     // a clock read, the set, the read after it
    Reset,    // the memory reset
};

// How one run of a sequence ended, as far as the tests can see it.
struct RunOutcome {
    bool ok = false;      // the typed result (or the window) reports success
    QString result;       // the typed result or the window's status text, for diagnostics
    QStringList messages; // user messages shown
    bool linkDropped = false;
    int openHandles = 0;  // device files the gauge still holds open
    int commands = 0;     // commands the gauge received
    QString lastKeyword;  // keyword of command k ("$wr"), where the run got that far
    QStringList problems; // windows left unusable, temporary files left on the PC
};

namespace SequenceRuns
{
QList<Sequence> all();
QString name(Sequence sequence);
// Runs the sequence on a fresh gauge with `fault` at command k (k = 0: no fault).
RunOutcome run(Sequence sequence, int k, SimFault fault);
// The keyword of a command as written ("$wr?1 0 32 ..." -> "$wr").
QString keywordOf(const QByteArray& command);
// Files in folder (recursively) that a write left behind half-done: temporary or empty files.
QStringList leftoverFiles(const QString& folder);
// A 400-byte record as upper-case hex text.
QString recordHex();
} // namespace SequenceRuns
