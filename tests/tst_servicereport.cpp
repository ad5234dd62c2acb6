// The service report of a visit recorded into a fresh history: what its PDF says (pdftotext) and
// how many pages it has, by the visit's outcome and the language; zvctl history report.
#include "history/HistoryService.h"
#include "report/ServiceReportBuilder.h"
#include "report/ServiceReportDocument.h"
#include "sim/SimRecords.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "tests/cli/ZvctlProcess.h"
#include "tests/common/PdfText.h"
#include "tests/common/RecordBuilder.h"
#include "tests/common/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace
{
using Journal = std::function<void(ServiceJournal&)>;
const QString A = RecordBuilder().i32(4, 4711).u8(32, 3).f32(276, 0.5f).hex();
const QString B = RecordBuilder().i32(4, 4711).u8(32, 3).f32(276, 1.5f).hex();
const QString C = RecordBuilder().i32(4, 4711).u8(32, 3).f32(276, 1.25f).hex();

// The probe read (A) and a write of B with its backup and its read-back (readBack).
Journal write(bool ok, int differingByte, const QString& readBack, const QString& detail = {})
{
    return [=](ServiceJournal& j) {
        j.recordRead("probe", A);
        j.backupSaved("probe", "/b/4711_probe_1");
        j.fileWritten("probe", B, ok, differingByte, "/b/4711_probe_1", detail);
        if (!readBack.isEmpty())
            j.recordRead("probe", readBack);
    };
}

// After write: the backup /b/4711_probe_1 written back, its own write ok or not.
Journal writeThenRestore(const Journal& write, bool ok)
{
    return [=](ServiceJournal& j) {
        write(j);
        j.fileWritten("probe", A, ok, -1, "/b/4711_probe_2", ok ? "" : "write failed: no reply");
        j.recordRead("probe", A);
        j.backupRestored("probe", "/b/4711_probe_1", ok, "");
    };
}
} // namespace

class tst_ServiceReport : public QObject
{
    Q_OBJECT
    QTemporaryDir m_sim; // h.sqlite: zvctl's visits to the simulated gauge, an upload and a read

private slots:
    void initTestCase()
    {
        if (!PdfText::available())
            QSKIP(PdfText::kMissing);
        QByteArray probe = SimRecords::defaultProbe();
        qToLittleEndian(std::bit_cast<quint32>(2.5f), probe.data() + 276); // FE offset voltage
        QVERIFY(writeFile(m_sim.filePath("probe"), hexOf(probe).toLatin1() + "\r\n"));
        const QStringList sim{"--simulator", "--history", m_sim.filePath("h.sqlite")};
        QCOMPARE(runZvctl(sim + QStringList{"--yes", "--backup-dir", m_sim.path(), "upload-probe",
                                            m_sim.path()})
                     .exitCode,
                 0);
        QCOMPARE(runZvctl(sim + QStringList{"read"}).exitCode, 0);
    }
    void init()
    {
        resetSharedState();
        fillTextTables();
    }

    void pdf_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<Journal>("visit");
        QTest::addColumn<QStringList>("says"); // besides the gauge; the closing line last
        QTest::addColumn<int>("pages");
        const Journal failed = write(false, -1, {}, "write of \"probe\" failed: no reply");
        const Journal mismatch = write(false, 37, C);
        const Journal service = [](ServiceJournal& j) {
            j.recordRead("probe", A);
            j.clockRead("2026-03-04/10:00:12", QDateTime(QDate(2026, 3, 4), QTime(10, 0)));
            j.clockSet("2026-03-04/10:01:00");
            j.languageFileSent("lFR", 300, true, "");
            j.batteryRead(3710);
        };
        // clang-format off
        QTest::newRow("written, verified (de)") << LanguageGerman << write(true, -1, B) << QStringList{"Sicherung: probe OK – 4711_probe_1", "Datei geschrieben: probe OK – geprüft", "Geänderte Werte in „probe“", "Offset Voltage FE 0,50 1,50", "Kalibrierdaten geschrieben und geprüft"} << 2;
        QTest::newRow("written, verified (en)") << LanguageEnglish << write(true, -1, B) << QStringList{"Backup: probe OK – 4711_probe_1", "File written: probe OK – verified", "Offset Voltage FE 0.50 1.50", "Calibration data written and verified"} << 2;
        QTest::newRow("verify mismatch") << LanguageEnglish << mismatch << QStringList{"FAILED – verify: first differing byte 37", "Offset Voltage FE 0.50 1.25", "Verify failed (first differing byte 37): the gauge holds other data than were written"} << 2;
        QTest::newRow("mismatch, backup back") << LanguageGerman << writeThenRestore(mismatch, true) << QStringList{"Wiederhergestellt: probe OK – 4711_probe_1", "Prüfung fehlgeschlagen (erstes abweichendes Byte 37): das Messgerät enthält wieder seine Sicherung"} << 2;
        QTest::newRow("write failed, backup back") << LanguageEnglish << writeThenRestore(failed, true) << QStringList{"FAILED – write of \"probe\" failed: no reply", "Values as read", "Write failed: the gauge holds its backup again"} << 2;
        QTest::newRow("write failed") << LanguageEnglish << failed << QStringList{"Write failed: the gauge's calibration data are uncertain"} << 2;
        QTest::newRow("restore failed") << LanguageEnglish << writeThenRestore(failed, false) << QStringList{"Restored: probe FAILED", "Writing the backup back failed"} << 2;
        QTest::newRow("declined") << LanguageEnglish << write(false, -1, {}, "data of another gauge or probe type, nothing written") << QStringList{"Nothing written: the gauge's calibration data are unchanged"} << 2;
        QTest::newRow("backup written back") << LanguageEnglish << writeThenRestore([](ServiceJournal& j) { j.recordRead("probe", B); }, true) << QStringList{"Changed values in \"probe\"", "Offset Voltage FE 1.50 0.50", "Backup written back and verified"} << 2;
        QTest::newRow("service, no write (de)") << LanguageGerman << service << QStringList{"Uhr gelesen OK – Abweichung +12 s", "Uhr gestellt OK – gestellt auf 2026-03-04/10:01:00, vorher Abweichung +12 s", "Sprachdatei: lFR OK – 300 Bytes", "Batterie OK – 3710", "Werte wie gelesen", "Offset Voltage FE 0,50", "Keine Änderungen"} << 2;
        QTest::newRow("nothing read") << LanguageEnglish << Journal([](ServiceJournal& j) { j.batteryRead(3710); }) << QStringList{"No calibration file was read during this visit.", "No changes"} << 1;
        // clang-format on
    }
    void pdf()
    {
        // a visit to gauge 4711 recorded through the recorder / the report of the newest visit
        // names the gauge, each event's outcome, the differing values, its closing line, on the
        // pages expected
        QFETCH(int, language);
        QFETCH(Journal, visit);
        QFETCH(QStringList, says);
        QTemporaryDir dir;
        HistoryService history({});
        QVERIFY(history.open(dir.filePath("h.sqlite")).ok);
        ServiceJournal& recorder = history.journal();
        recorder.visitStarted("00A0B1C2D3E4"); // an earlier visit named the gauge 4711
        recorder.recordRead("probe", A);
        recorder.visitStarted("00A0B1C2D3E4");
        recorder.identityRead({"HW7", "00A0B1C2D3E4", "V2.05", "B31", "R4"});
        visit(recorder);
        QVERIFY(history.flush());
        sharedState().LanguageIndex = qint16(language);
        const ServiceReportSource::Result found =
            ServiceReportSource::load(history.store(), "4711", 0);
        QCOMPARE(found.problem, ServiceReportSource::Problem::None);
        const QString pdf = dir.filePath("report.pdf");
        QVERIFY(ServiceReportDocument(ServiceReportBuilder::build(found.input), {}).writePdf(pdf));
        const QString text = PdfText::text(pdf);
        const QStringList gauge{"4711", "00A0B1C2D3E4", "HW7", "V2.05", "B31", "R4"};
        const QString lacks = PdfText::lacking(text, gauge + says);
        QVERIFY2(lacks.isEmpty(), qPrintable(lacks));
        QTEST(PdfText::pages(pdf), "pages");
    }

    void zvctl_data()
    {
        QTest::addColumn<QStringList>("args"); // after "history report"; OUT: the PDF
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("says"); // the PDF's text, or a piece of standard error
        // clang-format off
        QTest::newRow("newest visit: the read") << QStringList{"20261205", "OUT"} << 0 << QStringList{"20261205", "File read: probe OK – 400 bytes", "Values as read", "No changes"};
        QTest::newRow("visit 1: the upload") << QStringList{"20261205", "1", "OUT"} << 0 << QStringList{"File written: probe OK – verified", "Offset Voltage FE 1.23 2.50", "Calibration data written and verified"};
        QTest::newRow("unknown visit") << QStringList{"20261205", "9", "OUT"} << 1 << QStringList{"No visit 9 of gauge 20261205 in the history."};
        QTest::newRow("unknown gauge") << QStringList{"999", "OUT"} << 1 << QStringList{"No gauge 999 in the history."};
        QTest::newRow("not a PDF file") << QStringList{"20261205", "report.txt"} << 2 << QStringList{"the report's file must end in .pdf"};
        // clang-format on
    }
    void zvctl()
    {
        // zvctl history report / the PDF of the visit named (default the newest), or why not;
        // made again, the same pages
        QFETCH(QStringList, args);
        QFETCH(QStringList, says);
        QTemporaryDir out;
        const auto report = [&](const QString& pdf) {
            return runZvctl(QStringList{"--history", m_sim.filePath("h.sqlite"), "--lang", "en",
                                        "history", "report"} +
                            QStringList(args).replaceInStrings("OUT", pdf));
        };
        const QString pdf = out.filePath("report.pdf"), again = out.filePath("again.pdf");
        const ZvctlRun r = report(pdf);
        QTEST(r.exitCode, "exitCode");
        const QString lacks = PdfText::lacking(r.exitCode ? r.err : PdfText::text(pdf), says);
        QVERIFY2(lacks.isEmpty(), qPrintable(lacks));
        QCOMPARE(r.out, r.exitCode ? QString() : pdf + "\n");
        QCOMPARE(QFile::exists(pdf), r.exitCode == 0);
        report(again);
        QVERIFY(PdfText::pixels(again) == PdfText::pixels(pdf));
    }
};

QTEST_MAIN(tst_ServiceReport)
#include "tst_servicereport.moc"
