#pragma once

#include "history/HistoryService.h"
#include "info/RecordDecoder.h"
#include "info/RecordReader.h"
#include "tests/common/SimLink.h"
#include "tests/common/TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// A history file of its own for the running test function and data row.
inline QString freshHistoryFile(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("%1-%2.sqlite")
                            .arg(QTest::currentTestFunction(), QTest::currentDataTag())
                            .replace(' ', '_'));
}

// The history of a program run (history: a file, or a server's URL with the file local), journal
// of a connected simulated gauge.
struct Recording {
    QStringList warnings;
    HistoryService history{[this](const QString& w) { warnings << w; }};
    SimSession sim;
    HistoryOpenResult opened;
    explicit Recording(const QString& path, const QString& local = {})
        : opened(history.open(path, local))
    {
        sim.link.setJournal(&history.journal()); // the session reports its visit
        sim.connect();
    }
    bool read(const QString& name)
    {
        return QCoro::waitFor(RecordReader::Lese_Com(*sim.session, name)).ok();
    }
    bool readProbe() { return read(QStringLiteral("probe")); }
    // The file, once what was reported is written.
    HistoryStore& store()
    {
        history.flush();
        return history.store();
    }
    QList<HistoryEvent> events(HistoryEventKind kind)
    {
        QList<HistoryEvent> found;
        for (const GaugeSummary& g : store().gauges())
            for (const VisitSummary& v : store().visits(g.id))
                for (const HistoryEvent& e : v.events)
                    if (e.kind == kind)
                        found.append(e);
        return found;
    }
};

// The serial number in the simulated gauge's probe record.
inline QString simSerial()
{
    DeviceRecordValues values;
    decodeRecord(hexOf(SimGauge().file("probe")), values);
    return QString::number(values.SerialNumber);
}

// Two zvctl reads recording into location at the same time: the standard error of each that did
// not end well (exit 0, no word about the history); empty when both did.
inline QByteArray twoReadsAtOnce(const QString& location)
{
    QProcess runs[2];
    for (QProcess& p : runs)
        p.start(qEnvironmentVariable("ZV_BIN_DIR") + "/zvctl",
                {"--simulator", "--history", location, "read"});
    QByteArray failures;
    for (QProcess& p : runs) {
        const bool finished = p.waitForFinished(30000);
        const QByteArray err = p.readAllStandardError();
        if (!finished || p.exitCode() != 0 || err.contains("history"))
            failures += "zvctl: " + err + (finished ? "" : "(still running)") + "\n";
    }
    return failures;
}
