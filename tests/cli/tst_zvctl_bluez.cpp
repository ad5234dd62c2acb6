// zvctl over the Qt Bluetooth back end against the fake bluetoothd on a private bus: from the
// scan to the files really on the gauge, and the radio or gauge failing.
#include "ZvctlProcess.h"
#include "info/RecordDecoder.h"
#include "sim/SimRecords.h"
#include "tests/common/FakeBluezHarness.h"
#include "tests/common/PdfText.h"
#include "tests/common/TestFiles.h"

#include <QRegularExpression>
#include <QtTest>

namespace
{
// A device file as the gauge stores it: one line of hex text plus CR LF.
QByteArray stored(const QByteArray& bytes)
{
    return hexOf(bytes).toLatin1() + "\r\n";
}

// A probe record unlike the fake gauge's default one.
QByteArray otherProbe()
{
    QByteArray r = SimRecords::defaultProbe();
    r[4] = char(0x42);
    r[5] = char(0x24);
    return r;
}
} // namespace

class tst_ZvctlBluez : public QObject
{
    Q_OBJECT
    ZvctlRun run(const QStringList& args) { return runZvctl(args, {}, m_harness.environment()); }
    FakeBluezHarness m_harness;

private slots:
    void initTestCase()
    {
        if (FakeBluezHarness::daemonProgram().isEmpty())
            QSKIP("dbus-daemon is missing (package dbus-daemon); cannot run a private bus");
        QVERIFY2(m_harness.startBus(), qPrintable(m_harness.errorText()));
    }
    void cleanup() { m_harness.stopFake(); }

    void runs_data()
    {
        QTest::addColumn<QStringList>("scenario"); // "@" stands for a folder with probe and lDE
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message"); // a pattern for stdout, or stderr on failure
        const QStringList remembered{"--remembered", "0011223344AA", "--remembered",
                                     "5A454C564F01"};
        const QString json = "\"Mac\": ?\"\\w+\".*\"Hex\": ?\"" + hexOf(otherProbe()) + '"';
        // clang-format off
        QTest::newRow("read --json: the gauge's own probe") << QStringList{"--sim-dir", "@"} << QStringList{"--json", "read"} << 0 << "(?s)" + json;
        QTest::newRow("scan: only the gauge heard, with RSSI") << remembered << QStringList{"scan"} << 0 << "\\AMAC: 5A454C564F01 Name: ZE-100 +RSSI: -6[78]\n\\z";
        QTest::newRow("without --device: the gauge heard") << remembered << QStringList{"battery"} << 0 << "\\A3710\n\\z";
        QTest::newRow("no adapter") << QStringList{"--no-adapter"} << QStringList{"battery"} << 1 << "no Bluetooth adapter found";
        QTest::newRow("adapter off") << QStringList{"--powered-off"} << QStringList{"scan"} << 1 << "Bluetooth is switched off";
        QTest::newRow("link drops during the read") << QStringList{"--disconnect-after", "3"} << QStringList{"read"} << 3 << "connection was lost";
        QTest::newRow("link drops during a language transfer") << QStringList{"--disconnect-after", "2"} << QStringList{"send-language", "@/lDE"} << 3 << "Connection to device lost";
        QTest::newRow("services never resolved: connect limit") << QStringList{"--never-resolve"} << QStringList{"battery"} << 3 << "connection failed: Please try again";
        QTest::newRow("gauge not there") << QStringList{} << QStringList{"--device", "0011223344AA", "battery"} << 3 << "gauge 0011223344AA not found";
        // clang-format on
    }
    void runs()
    {
        // a scenario of radio and gauge, one command / its exit code (1 when Bluetooth is not
        // usable, 3 when the gauge is not reached or the link drops) and what it says
        QFETCH(QStringList, scenario);
        QFETCH(QStringList, command);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("probe"), stored(otherProbe())));
        QVERIFY(writeFile(dir.filePath("lDE"), QByteArray(300, 'x')));
        QVERIFY2(m_harness.startFake(scenario.replaceInStrings("@", dir.path())),
                 qPrintable(m_harness.errorText()));
        const ZvctlRun r =
            run(QStringList{"--lang", "en"} + command.replaceInStrings("@", dir.path()));
        QTEST(r.exitCode, "exitCode");
        const QString said = r.exitCode ? r.err : r.out;
        QVERIFY2(QRegularExpression(message).match(said).hasMatch(), qPrintable(said + r.err));
    }

    void filesLandOnGauge_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("command"); // the file's folder follows
        QByteArray language;
        for (int i = 0; i < 100; ++i)
            language.append(char(i * 7));
        // clang-format off
        QTest::newRow("probe, with backup") << "probe" << otherProbe() << QStringList{"--device", "5A454C564F01", "upload-probe"};
        QTest::newRow("language") << "lDE" << language << QStringList{"send-language"};
        // clang-format on
    }
    void filesLandOnGauge()
    {
        // a file sent over Bluetooth / the gauge's file afterwards holds its bytes exactly, the
        // backup of a record the one before
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, command);
        QTemporaryDir dir, dump, backups;
        QVERIFY(writeFile(dir.filePath(file), file == "probe" ? stored(content) : content));
        QVERIFY2(m_harness.startFake({"--dump-dir", dump.path()}),
                 qPrintable(m_harness.errorText()));
        const QString target = file == "probe" ? dir.path() : dir.filePath(file);
        const ZvctlRun r =
            run(QStringList{"--yes", "--backup-dir", backups.path()} + command << target);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(m_harness.stopFake());
        QCOMPARE(fileContent(dump.filePath(file)), stored(content));
        const QStringList saves = QDir(backups.path()).entryList(QDir::Files);
        QCOMPARE(saves.size(), file == "probe" ? 1 : 0);
        if (!saves.isEmpty())
            QCOMPARE(fileContent(backups.filePath(saves[0])), stored(SimRecords::defaultProbe()));
    }

    void reportOfAVisit()
    {
        // another probe record written over Bluetooth into a fresh history / zvctl's report of
        // that visit names the gauge, the write verified and the serial number before and after
        if (!PdfText::available())
            QSKIP(PdfText::kMissing);
        QTemporaryDir dir, backups;
        QVERIFY(writeFile(dir.filePath("probe"), stored(otherProbe())));
        QVERIFY2(m_harness.startFake({}), qPrintable(m_harness.errorText()));
        const QStringList history{"--history", dir.filePath("h.sqlite"), "--lang", "en"};
        const ZvctlRun upload = run(history + QStringList{"--yes", "--backup-dir", backups.path(),
                                                          "upload-probe", dir.path()});
        QVERIFY2(upload.exitCode == 0, qPrintable(upload.err));
        const QString pdf = dir.filePath("report.pdf");
        const ZvctlRun report = run(history + QStringList{"history", "report", "20261205", pdf});
        QVERIFY2(report.exitCode == 0, qPrintable(report.err));
        DeviceRecordValues written;
        QVERIFY(decodeRecord(hexOf(otherProbe()), written));
        const QString lacks = PdfText::lacking(
            PdfText::text(pdf), {"20261205", "5A454C564F01", "File written: probe OK – verified",
                                 "Serial Number 20261205 " + QString::number(written.SerialNumber),
                                 "Calibration data written and verified"});
        QVERIFY2(lacks.isEmpty(), qPrintable(lacks));
    }
};

QTEST_GUILESS_MAIN(tst_ZvctlBluez)
#include "tst_zvctl_bluez.moc"
