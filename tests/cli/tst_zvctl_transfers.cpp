// zvctl's transfers end to end on the simulated gauge: download, upload, factory overwrite, the
// checks before an upload and the gauge's faults during reads and writes.
#include "RecordFiles.h"
#include "ZvctlProcess.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class tst_ZvctlTransfers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void jsonResults_data();
    void jsonResults();
    void uploadRefused_data();
    void uploadRefused();
    void faults_data();
    void faults();
    void downloadAllOrNothing_data();
    void downloadAllOrNothing();
    void restore_data();
    void restore();
};

void tst_ZvctlTransfers::initTestCase()
{
    QVERIFY2(QFile::exists(qEnvironmentVariable("ZV_BIN_DIR") + "/zvctl"), "zvctl not built");
}

void tst_ZvctlTransfers::roundTrip_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("deviceFile");
    QTest::addColumn<QByteArray>("formerRecord"); // the gauge's file before the upload
    QTest::newRow("upload-probe") << "upload-probe"
                                  << "probe" << SimRecords::defaultProbe();
    QTest::newRow("write-factory") << "write-factory"
                                   << "factory" << SimRecords::defaultFactory();
}

void tst_ZvctlTransfers::roundTrip()
{
    // download from a gauge with its own probe, then upload / files identical to the gauge's,
    // and the upload writes exactly that probe into the named device file.
    QTemporaryDir gaugeFiles, saved;
    const QByteArray probeFile = otherProbe().toHex().toUpper() + "\r\n";
    writeHexFile(gaugeFiles.filePath("probe"), probeFile);
    const ZvctlRun down =
        runZvctl({"--simulator", "--sim-dir", gaugeFiles.path(), "download", saved.path()});
    QCOMPARE(down.exitCode, 0);
    QCOMPARE(fileBytes(saved.filePath("probe")), probeFile);
    QCOMPARE(fileBytes(saved.filePath("factory")),
             SimRecords::defaultFactory().toHex().toUpper() + "\r\n");

    QFETCH(QString, command);
    QFETCH(QString, deviceFile);
    QFETCH(QByteArray, formerRecord);
    QTemporaryDir backups;
    // The probe carries another serial number: the guard asks, --yes answers.
    const ZvctlRun up = runZvctl(
        {"--simulator", "--trace", "--yes", "--backup-dir", backups.path(), command, saved.path()});
    QCOMPARE(up.exitCode, 0);
    const QStringList sent = up.sent();
    const qsizetype remove = sent.indexOf("$rm?" + deviceFile + "!\\r\\n");
    QVERIFY2(remove > 0, qPrintable(sent.join(' ')));
    QCOMPARE(sent.value(0), "$fr?" + deviceFile + "!"); // the backup read comes first
    QCOMPARE(sent.value(remove + 1), "$fw?400 " + deviceFile + "!");
    QCOMPARE(writtenHex(up).toUpper(), hexOf(otherProbe()));
    QCOMPARE(sent.count("$fr?" + deviceFile + "!"), 2); // and the read-back last
    const QStringList saves = QDir(backups.path()).entryList(QDir::Files);
    QCOMPARE(saves.size(), 1);
    QCOMPARE(fileBytes(backups.filePath(saves.at(0))), formerRecord.toHex().toUpper() + "\r\n");
}

void tst_ZvctlTransfers::jsonResults_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("download") << "download" << QStringList{"factory", "probe"};
    QTest::newRow("upload-probe") << "upload-probe"
                                  << QStringList{"Backup", "Bytes", "File", "Verified"};
    QTest::newRow("write-factory")
        << "write-factory" << QStringList{"Backup", "Bytes", "File", "Verified"};
}

void tst_ZvctlTransfers::jsonResults()
{
    // download / upload with --json / one JSON object on stdout naming what was done.
    QFETCH(QString, command);
    QTemporaryDir dir;
    writeHexFile(dir.filePath("probe"), SimRecords::defaultProbe().toHex() + "\r\n");
    QTemporaryDir backups;
    const ZvctlRun r =
        runZvctl({"--simulator", "--json", "--backup-dir", backups.path(), command, dir.path()});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QTEST(o.keys(), "keys");
    if (o.contains("Bytes")) {
        QCOMPARE(o.value("Bytes").toInt(), RecordLayout::RecordSize);
        QVERIFY(QFile::exists(o.value("Backup").toString()));
    }
}

void tst_ZvctlTransfers::uploadRefused_data()
{
    QTest::addColumn<QByteArray>("content"); // of DIR/probe; empty: no file
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("sends");
    QTest::newRow("not hex") << QByteArray("ABZZ\r\n") << true << 1 << false;
    QTest::newRow("no probe file") << QByteArray() << true << 1 << false;
    QTest::newRow("only the line end") << QByteArray("\r\n") << true << 1 << false;
    QTest::newRow("two bytes, no --yes") << QByteArray("ABCD\r\n") << false << 1 << false;
    QTest::newRow("two bytes, --yes") << QByteArray("ABCD\r\n") << true << 0 << true;
    QTest::newRow("one record of this gauge, no --yes")
        << SimRecords::defaultProbe().toHex() + "\r\n"
        << false << 0 << true;
    QTest::newRow("another gauge's record, no --yes") << otherProbe().toHex() + "\r\n"
                                                      << false << 1 << false;
    QTest::newRow("another gauge's record, --yes") << otherProbe().toHex() + "\r\n"
                                                   << true << 0 << true;
}

void tst_ZvctlTransfers::uploadRefused()
{
    // upload-probe of a malformed or unusual file / refused with exit 1 before anything is
    // written; unusual sizes and another gauge's data only with --yes.
    QFETCH(QByteArray, content);
    QFETCH(bool, yes);
    QFETCH(bool, sends);
    QTemporaryDir dir;
    if (!content.isEmpty())
        writeHexFile(dir.filePath("probe"), content);
    QTemporaryDir backups;
    QStringList args{"--simulator",  "--trace",      "--lang",       "en",
                     "--backup-dir", backups.path(), "upload-probe", dir.path()};
    if (yes)
        args.prepend("--yes");
    const ZvctlRun r = runZvctl(args);
    QTEST(r.exitCode, "exitCode");
    QCOMPARE(r.err.contains("> $rm"), sends);
    QCOMPARE(r.err.contains("> $wr"), sends);
    if (!sends)
        QVERIFY2(!r.err.trimmed().isEmpty(), "a refusal says why");
}

void tst_ZvctlTransfers::faults_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("read: open unanswered") << QStringList{"read"} << QStringList{"1:silent"} << 3;
    QTest::newRow("read: garbled open reply")
        << QStringList{"read"} << QStringList{"1:garbled"} << 3;
    QTest::newRow("read: block refused") << QStringList{"read"} << QStringList{"3:error"} << 1;
    QTest::newRow("read: link drops on a block")
        << QStringList{"read"} << QStringList{"5:drop"} << 3;
    QTest::newRow("read: close refused")
        << QStringList{"read"} << QStringList{"15:error", "16:error"} << 1;
    QTest::newRow("identity unanswered") << QStringList{"identity"} << QStringList{"1:silent"} << 3;
    // An upload: backup read 1-15, remove 16, create 17, writes 18-30, close 31, read-back 32-.
    QTest::newRow("upload: chunk refused")
        << QStringList{"upload-probe"} << QStringList{"19:error"} << 1;
    QTest::newRow("upload: link drops")
        << QStringList{"upload-probe"} << QStringList{"19:drop"} << 3;
    QTest::newRow("upload: close refused")
        << QStringList{"upload-probe"} << QStringList{"31:error", "32:error"} << 1;
    QTest::newRow("upload: read-back refused")
        << QStringList{"upload-probe"} << QStringList{"32:error"} << 1;
    QTest::newRow("factory: create refused")
        << QStringList{"write-factory"} << QStringList{"17:error"} << 1;
}

void tst_ZvctlTransfers::faults()
{
    // a gauge that fails command K / exit 3 for no reply or a lost link, 1 for an error reply,
    // a message in plain words, never a success line.
    QFETCH(QStringList, command);
    QFETCH(QStringList, faults);
    QTemporaryDir dir, backups;
    writeHexFile(dir.filePath("probe"), SimRecords::defaultProbe().toHex() + "\r\n");
    if (command.size() == 1 && command.at(0) != "read" && command.at(0) != "identity")
        command.append(dir.path());
    QStringList args{"--simulator", "--timeout",    "300",         "--lang",
                     "en",          "--backup-dir", backups.path()};
    for (const QString& fault : faults)
        args << "--sim-fault" << fault;
    const ZvctlRun r = runZvctl(args + command);
    QTEST(r.exitCode, "exitCode");
    QVERIFY2(!r.err.trimmed().isEmpty(), "the failure is reported");
    QVERIFY2(!r.out.contains("written"), qPrintable(r.out));
}

void tst_ZvctlTransfers::downloadAllOrNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("probe block refused") << "3:error" << 1;
    QTest::newRow("link drops in factory") << "20:drop" << 3;
}

void tst_ZvctlTransfers::downloadAllOrNothing()
{
    // download during which a read fails / no file saved (half a copy is no copy), exit code.
    QFETCH(QString, fault);
    QTemporaryDir dir;
    const ZvctlRun r =
        runZvctl({"--simulator", "--timeout", "300", "--sim-fault", fault, "download", dir.path()});
    QTEST(r.exitCode, "exitCode");
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}
QTEST_GUILESS_MAIN(tst_ZvctlTransfers)
#include "tst_zvctl_transfers.moc"

void tst_ZvctlTransfers::restore_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("written");
    QTest::newRow("to probe") << QStringList{"--to", "probe"} << 0 << true;
    QTest::newRow("to factory") << QStringList{"--to", "factory"} << 0 << true;
    QTest::newRow("no --to") << QStringList{} << 2 << false;
    QTest::newRow("unknown target") << QStringList{"--to", "lDE"} << 2 << false;
}

void tst_ZvctlTransfers::restore()
{
    // a backup file written back with --to / backed up, written and verified; without a valid
    // --to nothing is sent
    QTemporaryDir dir, backups;
    const QString backup = dir.filePath("4711_probe_20261206-101010");
    writeHexFile(backup, otherProbe().toHex().toUpper() + "\r\n");
    QFETCH(QStringList, options);
    const ZvctlRun r = runZvctl(QStringList{"--simulator", "--trace", "--yes", "--backup-dir",
                                            backups.path(), "restore", backup} +
                                options);
    QTEST(r.exitCode, "exitCode");
    QFETCH(bool, written);
    QCOMPARE(writtenHex(r).toUpper(), written ? hexOf(otherProbe()) : QString());
    if (written) {
        QVERIFY2(r.out.contains("verified") || r.out.contains("geprüft"), qPrintable(r.out));
        QCOMPARE(QDir(backups.path()).entryList(QDir::Files).size(), 1);
    }
}
