// zvctl end to end on the simulated gauge: output, trace, JSON, exit codes.
#include "ZvctlProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class tst_Zvctl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void traceSendBattery();
    void jsonIdentity();
    void exitCodes_data();
    void exitCodes();
    void simDirReplaysDeviceFiles();
    void timeSetThenRead();
    void help();
};

void tst_Zvctl::initTestCase()
{
    QVERIFY2(QFile::exists(qEnvironmentVariable("ZV_BIN_DIR") + "/zvctl"), "zvctl not built");
    // Runs without --simulator find no Bluetooth service, whatever the machine has.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zvctl-test-bus");
}

void tst_Zvctl::traceSendBattery()
{
    // send '$gcv!' with --trace / reply on stdout, "> $gcv!" and "< $gcv?3710!" on stderr, exit 0.
    const ZvctlRun r = runZvctl({"--simulator", "--trace", "send", "$gcv!"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith("$gcv?3710!\n"), qPrintable(r.out));
    QVERIFY(r.out.contains("BatteryLevel = 3710"));
    QVERIFY(r.out.contains("ReplyStatus = 0"));
    QVERIFY2(r.err.contains("> $gcv!\n< $gcv?3710!\n"), qPrintable(r.err));
}

void tst_Zvctl::jsonIdentity()
{
    // The identity request with escapes and --json / one object with the shared names and Identity.
    const ZvctlRun r = runZvctl({"--simulator", "--trace", "--json", "send", "$naxo00!\\r\\n"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains("> $naxo00!\\r\\n\n"), qPrintable(r.err));
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    for (const char* key :
         {"Reply", "ReplyStatus", "ReplyData", "FileHandle", "FileLength", "BatteryLevel"})
        QVERIFY2(o.contains(key), key);
    const QJsonObject id = o.value("Identity").toObject();
    QCOMPARE(id.value("Hardware").toString(), QString("HW2"));
    QCOMPARE(id.value("Controler").toString(), QString("1.05"));
    QCOMPARE(id.value("Build").toString(), QString("21"));
    QCOMPARE(id.value("Revision").toString(), QString("3"));
    QCOMPARE(id.value("Mac").toString(), QString("A1B2C3D4E5F6"));
}

void tst_Zvctl::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList{"--simulator"} << 2 << "no command";
    QTest::newRow("unknown command") << QStringList{"--simulator", "fly"} << 2 << "unknown command";
    QTest::newRow("bad language") << QStringList{"--lang", "fr", "battery"} << 2 << "--lang";
    QTest::newRow("bad timeout") << QStringList{"--timeout", "soon", "battery"} << 2 << "--timeout";
    QTest::newRow("Bluetooth not usable") << QStringList{"battery"} << 1 << "Bluetooth";
    QTest::newRow("scan, Bluetooth not usable") << QStringList{"scan"} << 1 << "Bluetooth";
    QTest::newRow("bad fault kind")
        << QStringList{"--simulator", "--sim-fault", "2:late", "read"} << 2 << "--sim-fault";
    QTest::newRow("fault number 0")
        << QStringList{"--simulator", "--sim-fault", "0:drop", "read"} << 2 << "--sim-fault";
    QTest::newRow("fault without the simulator")
        << QStringList{"--sim-fault", "1:drop", "read"} << 2 << "--simulator";
    QTest::newRow("read with an argument")
        << QStringList{"--simulator", "read", "x"} << 2 << "unknown command";
    QTest::newRow("download into no folder")
        << QStringList{"--simulator", "download", "/no/such/dir"} << 2 << "/no/such/dir";
    QTest::newRow("languages of no folder")
        << QStringList{"languages", "/no/such/dir"} << 2 << "/no/such/dir";
    QTest::newRow("languages need no back end")
        << QStringList{"--lang", "en", "languages", "/"} << 0 << "No language file";
    QTest::newRow("reply not understood")
        << QStringList{"--simulator", "send", "$what!"} << 1 << "not understood";
}

void tst_Zvctl::exitCodes()
{
    // Wrong usage, a missing back end, an unknown reply / exit 2, 1, 1 with a plain message.
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const ZvctlRun r = runZvctl(args);
    QTEST(r.exitCode, "exitCode");
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void tst_Zvctl::simDirReplaysDeviceFiles()
{
    // A "probe" file in download format in --sim-dir / the gauge announces its length on open.
    QTemporaryDir dir;
    QFile f(dir.filePath("probe"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(40, '\x5a').toHex().toUpper() + "\r\n");
    f.close();
    const ZvctlRun r = runZvctl({"--simulator", "--sim-dir", dir.path(), "send", "$fr?probe!"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("FileLength = 40"), qPrintable(r.out));
}

void tst_Zvctl::timeSetThenRead()
{
    // time --set / the time sent is the time read back (to the second, allowing one tick).
    const ZvctlRun r = runZvctl({"--simulator", "time", "--set"});
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    const QDateTime set = QDateTime::fromString(lines[0].mid(4), "yyyy-MM-dd/HH:mm:ss");
    const QDateTime read = QDateTime::fromString(lines[1], "yyyy-MM-dd/HH:mm:ss");
    QVERIFY(set.isValid() && read.isValid());
    QVERIFY(qAbs(set.secsTo(read)) <= 1);
}

void tst_Zvctl::help()
{
    // --help / the usage on stdout naming every command and the test aid, exit 0.
    const ZvctlRun r = runZvctl({"--help"});
    QCOMPARE(r.exitCode, 0);
    for (const char* word :
         {"scan", "send", "battery", "time", "identity", "read", "download", "upload-probe",
          "write-factory", "languages", "send-language", "reset", "--sim-fault", "--backup-dir"})
        QVERIFY2(r.out.contains(word), word);
}

QTEST_GUILESS_MAIN(tst_Zvctl)
#include "tst_zvctl.moc"
