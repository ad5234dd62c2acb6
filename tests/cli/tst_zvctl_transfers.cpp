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
};

void tst_ZvctlTransfers::initTestCase()
{
    QVERIFY2(QFile::exists(qEnvironmentVariable("ZV_BIN_DIR") + "/zvctl"), "zvctl not built");
}

void tst_ZvctlTransfers::roundTrip_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("deviceFile");
    QTest::newRow("upload-probe") << "upload-probe"
                                  << "probe";
    QTest::newRow("write-factory") << "write-factory"
                                   << "factory";
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
    const ZvctlRun up = runZvctl({"--simulator", "--trace", command, saved.path()});
    QCOMPARE(up.exitCode, 0);
    QCOMPARE(up.sent().value(0), "$rm?" + deviceFile + "!\\r\\n");
    QCOMPARE(up.sent().value(1), "$fw?400 " + deviceFile + "!");
    QCOMPARE(writtenHex(up).toUpper(), hexOf(otherProbe()));
}

void tst_ZvctlTransfers::jsonResults_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("download") << "download" << QStringList{"factory", "probe"};
    QTest::newRow("upload-probe") << "upload-probe" << QStringList{"Bytes", "File"};
    QTest::newRow("write-factory") << "write-factory" << QStringList{"Bytes", "File"};
}

void tst_ZvctlTransfers::jsonResults()
{
    // download / upload with --json / one JSON object on stdout naming what was done.
    QFETCH(QString, command);
    QTemporaryDir dir;
    writeHexFile(dir.filePath("probe"), SimRecords::defaultProbe().toHex() + "\r\n");
    const ZvctlRun r = runZvctl({"--simulator", "--json", command, dir.path()});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QTEST(o.keys(), "keys");
    if (o.contains("Bytes"))
        QCOMPARE(o.value("Bytes").toInt(), RecordLayout::RecordSize);
}

void tst_ZvctlTransfers::uploadRefused_data()
{
    QTest::addColumn<QByteArray>("content"); // of DIR/probe; empty: no file
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("sends");
    QTest::newRow("odd number of hex digits") << QByteArray("ABC\r\n") << true << 1 << false;
    QTest::newRow("not hex") << QByteArray("ABZZ\r\n") << true << 1 << false;
    QTest::newRow("no probe file") << QByteArray() << true << 1 << false;
    QTest::newRow("only the line end") << QByteArray("\r\n") << true << 1 << false;
    QTest::newRow("too long") << QByteArray(32768, 'A') + "\r\n" << true << 1 << false;
    QTest::newRow("two bytes, no --yes") << QByteArray("ABCD\r\n") << false << 1 << false;
    QTest::newRow("two bytes, --yes") << QByteArray("ABCD\r\n") << true << 0 << true;
    QTest::newRow("one record, no --yes") << SimRecords::defaultProbe().toHex() + "\r\n"
                                          << false << 0 << true;
}

void tst_ZvctlTransfers::uploadRefused()
{
    // upload-probe of a malformed or unusual file / refused with exit 1 before any command;
    // unusual sizes only with --yes.
    QFETCH(QByteArray, content);
    QFETCH(bool, yes);
    QFETCH(bool, sends);
    QTemporaryDir dir;
    if (!content.isEmpty())
        writeHexFile(dir.filePath("probe"), content);
    QStringList args{"--simulator", "--trace", "--lang", "en", "upload-probe", dir.path()};
    if (yes)
        args.prepend("--yes");
    const ZvctlRun r = runZvctl(args);
    QTEST(r.exitCode, "exitCode");
    QCOMPARE(!r.sent().isEmpty(), sends);
    QCOMPARE(r.err.contains("> $rm"), sends);
    if (!sends)
        QVERIFY2(!r.err.trimmed().isEmpty(), "a refusal says why");
}

void tst_ZvctlTransfers::faults_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("read: open unanswered") << QStringList{"read"} << "1:silent" << 3;
    QTest::newRow("read: link drops on open") << QStringList{"read"} << "1:drop" << 3;
    QTest::newRow("read: garbled open reply") << QStringList{"read"} << "1:garbled" << 3;
    QTest::newRow("read: open refused") << QStringList{"read"} << "1:error" << 1;
    QTest::newRow("read: block refused") << QStringList{"read"} << "3:error" << 1;
    QTest::newRow("read: block unanswered") << QStringList{"read"} << "3:silent" << 3;
    QTest::newRow("read: link drops on a block") << QStringList{"read"} << "5:drop" << 3;
    QTest::newRow("read: close refused") << QStringList{"read"} << "15:error" << 1;
    QTest::newRow("read: factory open refused") << QStringList{"read"} << "17:error" << 1;
    QTest::newRow("read: factory unanswered") << QStringList{"read"} << "17:silent" << 3;
    QTest::newRow("identity unanswered") << QStringList{"identity"} << "1:silent" << 3;
    QTest::newRow("identity: link drops") << QStringList{"identity"} << "1:drop" << 3;
    QTest::newRow("upload: create refused") << QStringList{"upload-probe"} << "2:error" << 1;
    QTest::newRow("upload: chunk refused") << QStringList{"upload-probe"} << "4:error" << 1;
    QTest::newRow("upload: chunk unanswered") << QStringList{"upload-probe"} << "4:silent" << 3;
    QTest::newRow("upload: link drops") << QStringList{"upload-probe"} << "4:drop" << 3;
    QTest::newRow("upload: close refused") << QStringList{"upload-probe"} << "16:error" << 1;
    QTest::newRow("factory: create refused") << QStringList{"write-factory"} << "2:error" << 1;
}

void tst_ZvctlTransfers::faults()
{
    // a gauge that fails command K / exit 3 for no reply or a lost link, 1 for an error reply,
    // a message in plain words, never a success line.
    QFETCH(QStringList, command);
    QFETCH(QString, fault);
    QTemporaryDir dir;
    writeHexFile(dir.filePath("probe"), SimRecords::defaultProbe().toHex() + "\r\n");
    if (command.size() == 1 && command.at(0) != "read" && command.at(0) != "identity")
        command.append(dir.path());
    const ZvctlRun r = runZvctl(
        QStringList{"--simulator", "--timeout", "300", "--lang", "en", "--sim-fault", fault} +
        command);
    QTEST(r.exitCode, "exitCode");
    QVERIFY2(!r.err.trimmed().isEmpty(), "the failure is reported");
    QVERIFY2(!r.out.contains("written"), qPrintable(r.out));
}

void tst_ZvctlTransfers::downloadAllOrNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("probe block refused") << "3:error" << 1;
    QTest::newRow("factory open refused") << "17:error" << 1;
    QTest::newRow("factory unanswered") << "18:silent" << 3;
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
