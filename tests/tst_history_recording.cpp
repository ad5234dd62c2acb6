// What the device sequences record into the service history: the outcome of a write and the
// gauge its visit belongs to, the clock's drift around a set, the field diff of two snapshots,
// zvctl's diff and the CSV export.
#include "history/SnapshotDiff.h"
#include "info/SafeWriter.h"
#include "service/DeviceClock.h"
#include "tests/cli/ZvctlProcess.h"
#include "tests/common/HistoryRecording.h"
#include "tests/common/RecordBuilder.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace
{
// Fields of RFC 4180 lines.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted && c == '"' && text.mid(i + 1, 1) == "\"")
            field += text.at(++i);
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == ',' || c == '\n')) {
            rows.last().append(field);
            field.clear();
            if (c == '\n')
                rows.append(QStringList());
        } else if (quoted || c != '\r')
            field += c;
    }
    rows.removeLast();
    return rows;
}
} // namespace

class HistoryRecordingTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString fresh() { return freshHistoryFile(dir); }

private slots:
    void writeOutcomes_data()
    {
        QTest::addColumn<int>("corruptAt");
        QTest::addColumn<QString>("setup");     // restore, the question answered No, open refused
        QTest::addColumn<QString>("serialHex"); // replaces bytes 4-7 of what is written
        // clang-format off
        QTest::newRow("verified write") << -1 << "" << QString();
        QTest::newRow("verify mismatch") << 17 << "" << QString();
        QTest::newRow("restore of a backup") << -1 << "restore" << QString();
        QTest::newRow("another gauge's data") << -1 << "" << "39300000";
        QTest::newRow("another gauge's data, No") << -1 << "no" << "39300000";
        QTest::newRow("another gauge's data, the gauge's file not opened") << -1 << "unopened" << "39300000";
        // clang-format on
    }
    void writeOutcomes()
    {
        QFETCH(int, corruptAt);
        QFETCH(QString, setup);
        QFETCH(QString, serialHex);
        Recording r(fresh());
        RecordingDialogs dialogs;
        const bool restore = setup == "restore", goesOn = setup != "no";
        const bool backedUp = goesOn && setup != "unopened";
        dialogs.answer = goesOn;
        if (setup == "unopened")
            r.sim.gauge.setFault(1, SimFault::StatusError);
        QString written = hexOf(r.sim.gauge.file("probe"));
        if (!serialHex.isEmpty())
            written.replace(2 * RecordLayout::SerialNumber, serialHex.size(), serialHex);
        r.sim.gauge.setCorruptWriteOffset(corruptAt);
        const QString backups = fresh() + ".backup";
        QVERIFY(QDir().mkpath(backups));
        SafeWriter writer(*r.sim.session, dialogs, BackupStore(backups));
        const QString source = dir.filePath("probe");
        QVERIFY(writeFile(source, hexOf(r.sim.gauge.file("probe")).toLatin1() + "\r\n"));
        const DeviceOutcome result = restore ? QCoro::waitFor(writer.restore(source, "probe"))
                                             : QCoro::waitFor(writer.write("probe", written));
        QCOMPARE(result.ok(), goesOn && corruptAt < 0);
        const QList<HistoryEvent> writes = r.events(HistoryEventKind::Write);
        QCOMPARE(writes.size(), int(goesOn));
        QCOMPARE(r.events(HistoryEventKind::Backup).size(), int(backedUp));
        QCOMPARE(QDir(backups).isEmpty(), !backedUp);
        QCOMPARE(r.events(HistoryEventKind::Backup).value(0).path, result.backupPath);
        if (goesOn) {
            QCOMPARE(writes[0].ok, result.ok());
            QCOMPARE(writes[0].differingByte, corruptAt);
            QCOMPARE(writes[0].path, result.backupPath);
        }
        const QList<HistoryEvent> restores = r.events(HistoryEventKind::Restore);
        QCOMPARE(restores.size(), restore ? 1 : 0);
        if (restore)
            QCOMPARE(restores[0].path, source);
        // The visit stays with the connected gauge (by the serial read before the write, else by
        // its address), whatever serial its file holds now.
        QCOMPARE(r.store().gauges().size(), 1);
        QCOMPARE(r.store().gauges()[0].serial, setup == "unopened" ? QString() : simSerial());
    }

    // The first read after a start and after a set are recorded with the drift of the gauge.
    void clockDriftAroundASet()
    {
        Recording r(fresh());
        r.sim.gauge.setClock(QDateTime::currentDateTime().addSecs(90));
        DeviceClock clock(r.sim.link);
        QSignalSpy read(&clock, &DeviceClock::timeRead);
        clock.start();
        QVERIFY(read.wait());
        clock.setTime();
        QVERIFY(QTest::qWaitFor([&] { return r.events(HistoryEventKind::ClockRead).size() == 2; }));
        clock.stop();
        const QList<HistoryEvent> reads = r.events(HistoryEventKind::ClockRead);
        QVERIFY2(qAbs(reads[0].driftSeconds() - 90) <= 1, qPrintable(reads[0].detail));
        QVERIFY(qAbs(reads[1].driftSeconds()) <= 1);
        QCOMPARE(r.events(HistoryEventKind::ClockSet).size(), 1);
    }

    void snapshotDiff_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("column");
        QTest::newRow("NFE offset voltage") << RecordLayout::NfeBlock << "Offset Voltage"
                                            << "NFE";
        QTest::newRow("foil value, one of two in its row")
            << RecordLayout::FoilValue << "Foil value"
            << "";
        QTest::newRow("a byte the table does not show") << 28 << ""
                                                        << "";
    }
    void snapshotDiff()
    {
        QFETCH(int, offset);
        QFETCH(QString, field);
        QFETCH(QString, column);
        HistorySnapshot before{1, 1, "probe", RecordBuilder().f32(offset, 1.5f).hex(), {}};
        HistorySnapshot after{2, 1, "probe", RecordBuilder().f32(offset, 2.25f).hex(), {}};
        const QList<FieldChange> changes = SnapshotDiff::changes(before, after, QLocale::c());
        QCOMPARE(changes.size(), field.isEmpty() ? 0 : 1);
        if (field.isEmpty())
            return;
        QCOMPARE(changes[0].field, field);
        QCOMPARE(changes[0].column, column);
        QCOMPARE(changes[0].after, "2.25");
    }

    // Three probe contents and two factory ones: zvctl's default diff compares per file the last
    // two and names the field; the CSV holds every event.
    void diffAndCsvOfAVisit()
    {
        const QString file = fresh();
        {
            Recording r(file);
            const auto read = [&r](const QString& name, int changeAt = -1) {
                QByteArray bytes = r.sim.gauge.file(name);
                if (changeAt >= 0)
                    r.sim.gauge.setFile(
                        name, bytes.replace(changeAt, 4, RecordBuilder(4).f32(0, 7.5f).data()));
                return r.read(name);
            };
            QVERIFY(read("probe") && read("probe", RecordLayout::NfeBlock));
            QVERIFY(read("probe", RecordLayout::FoilValue));
            QVERIFY(read("factory") && read("factory", RecordLayout::NfeBlock));
            r.history.journal().languageFileSent("lDE", 143, false, "gauge said \"no\", twice");
            r.history.journal().clockRead("=HYPERLINK(\"x\")", QDateTime::currentDateTime());
        }
        const ZvctlRun diff =
            runZvctl({"--history", file, "--json", "history", "diff", simSerial()});
        QCOMPARE(diff.exitCode, 0);
        const QJsonArray files = QJsonDocument::fromJson(diff.out.toUtf8())["Files"].toArray();
        QCOMPARE(files.size(), 2);
        QCOMPARE(files[0]["Changes"].toArray().size(), 1);
        QCOMPARE(files[0]["Changes"][0]["Field"].toString(), "Foil value");
        QCOMPARE(files[1]["File"].toString() + files[1]["Changes"][0]["Column"].toString(),
                 "factoryNFE");
        QCOMPARE(runZvctl({"--history", file, "history", "export", dir.filePath("h.csv")}).exitCode,
                 0);
        const QList<QStringList> rows = parseCsv(fileContent(dir.filePath("h.csv")));
        // probe read and identity three times, factory twice, language, clock
        QCOMPARE(rows.size(), 1 + 10);
        for (const QStringList& row : rows)
            QCOMPARE(row.size(), rows[0].size());
        const qsizetype detail = rows[0].indexOf("detail"), bytes = rows[0].indexOf("bytes");
        QCOMPARE(rows[9][detail], "gauge said \"no\", twice");
        QCOMPARE(rows[9][rows[0].indexOf("ok")], "no");
        // the gauge's reply is text in a spreadsheet, a negative number stays a number
        QCOMPARE(rows[10][detail], "'=HYPERLINK(\"x\")");
        QCOMPARE(rows[10][bytes], "-1");
    }
};

QTEST_GUILESS_MAIN(HistoryRecordingTest)
#include "tst_history_recording.moc"
