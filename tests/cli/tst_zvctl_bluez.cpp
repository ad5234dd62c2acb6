// zvctl over the Qt Bluetooth back end against the fake bluetoothd on a private bus: the same
// commands as on the simulated gauge, the files really on the gauge, no adapter, a dropped link.
#include "tests/common/FakeBluezHarness.h"
#include "ZvctlProcess.h"
#include "sim/SimRecords.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

namespace
{
void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A probe record unlike the fake gauge's default one.
QByteArray otherProbeFile()
{
    QByteArray r = SimRecords::defaultProbe();
    r[4] = char(0x42);
    r[5] = char(0x24);
    return r.toHex().toUpper() + "\r\n";
}
} // namespace

class tst_ZvctlBluez : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void readJson();
    void uploadLandsOnGauge();
    void languageFileLandsOnGauge();
    void clockSetAndRead();
    void onlyGaugesHeardCount();
    void failures_data();
    void failures();

private:
    ZvctlRun run(const QStringList& args) { return runZvctl(args, {}, m_harness.environment()); }
    FakeBluezHarness m_harness;
};

void tst_ZvctlBluez::initTestCase()
{
    if (FakeBluezHarness::daemonProgram().isEmpty())
        QSKIP("dbus-daemon is missing (install the package dbus-daemon); cannot run a private bus");
    QVERIFY2(m_harness.startBus(), qPrintable(m_harness.errorText()));
}

void tst_ZvctlBluez::cleanup()
{
    m_harness.stopFake();
}

void tst_ZvctlBluez::readJson()
{
    // read --json over Bluetooth on a gauge with its own probe / that probe's hex, exit 0.
    QTemporaryDir dir;
    writeFile(dir.filePath("probe"), otherProbeFile());
    QVERIFY2(m_harness.startFake({"--sim-dir", dir.path()}), qPrintable(m_harness.errorText()));
    const ZvctlRun r = run({"--json", "read"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(o.value("probe").toObject().value("Hex").toString().toLatin1() + "\r\n",
             otherProbeFile());
    QCOMPARE(o.value("Identity").toObject().value("Mac").toString().isEmpty(), false);
}

void tst_ZvctlBluez::uploadLandsOnGauge()
{
    // upload-probe over Bluetooth / the gauge's "probe" file afterwards is the uploaded file,
    // the backup holds the one before.
    QTemporaryDir dir, dump, backups;
    writeFile(dir.filePath("probe"), otherProbeFile());
    QVERIFY2(m_harness.startFake({"--dump-dir", dump.path()}), qPrintable(m_harness.errorText()));
    const ZvctlRun r = run({"--device", "5A454C564F01", "--yes", "--backup-dir", backups.path(),
                            "upload-probe", dir.path()});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(m_harness.stopFake());
    QCOMPARE(readFile(dump.filePath("probe")), otherProbeFile());
    const QStringList saves = QDir(backups.path()).entryList(QDir::Files);
    QCOMPARE(saves.size(), 1);
    QCOMPARE(readFile(backups.filePath(saves.at(0))),
             SimRecords::defaultProbe().toHex().toUpper() + "\r\n");
}

void tst_ZvctlBluez::languageFileLandsOnGauge()
{
    // send-language over Bluetooth / the gauge's lDE afterwards holds the file's bytes exactly.
    QTemporaryDir dir, dump;
    QByteArray content;
    for (int i = 0; i < 100; ++i)
        content.append(char(i * 7));
    writeFile(dir.filePath("lDE"), content);
    QVERIFY2(m_harness.startFake({"--dump-dir", dump.path()}), qPrintable(m_harness.errorText()));
    const ZvctlRun r = run({"send-language", dir.filePath("lDE")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(m_harness.stopFake());
    QCOMPARE(readFile(dump.filePath("lDE")), content.toHex().toUpper() + "\r\n");
}

void tst_ZvctlBluez::clockSetAndRead()
{
    // time --set over Bluetooth / the time set is the time read back (to the second, one tick).
    QVERIFY2(m_harness.startFake({}), qPrintable(m_harness.errorText()));
    const ZvctlRun r = run({"time", "--set"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QStringList stamps = r.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY2(!stamps.isEmpty(), qPrintable(r.out));
    const QDateTime read =
        QDateTime::fromString(stamps.last().right(19), QStringLiteral("yyyy-MM-dd/HH:mm:ss"));
    QVERIFY2(read.isValid(), qPrintable(r.out));
    QVERIFY(qAbs(read.secsTo(QDateTime::currentDateTime())) <= 2);
}

void tst_ZvctlBluez::onlyGaugesHeardCount()
{
    // the stack remembers the gauge in range and one out of range / scan lists only the one in
    // range, with its RSSI, and a command without --device goes to it
    QVERIFY2(m_harness.startFake({"--remembered", "0011223344AA", "--remembered", "5A454C564F01"}),
             qPrintable(m_harness.errorText()));
    const ZvctlRun scan = run({"scan"});
    QVERIFY2(scan.exitCode == 0, qPrintable(scan.err));
    const QStringList listed = scan.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(listed.size(), 1);
    QVERIFY2(QRegularExpression("^MAC: 5A454C564F01 Name: ZE-100 +RSSI: -6[78]$")
                 .match(listed[0])
                 .hasMatch(),
             qPrintable(listed[0]));
    const ZvctlRun battery = run({"battery"});
    QVERIFY2(battery.exitCode == 0, qPrintable(battery.err));
}

void tst_ZvctlBluez::failures_data()
{
    QTest::addColumn<QStringList>("scenario");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no adapter") << QStringList{"--no-adapter"} << QStringList{"battery"} << 1
                                << "no Bluetooth adapter found";
    QTest::newRow("adapter off") << QStringList{"--powered-off"} << QStringList{"scan"} << 1
                                 << "Bluetooth is switched off";
    QTest::newRow("link drops during the read")
        << QStringList{"--disconnect-after", "3"} << QStringList{"read"} << 3
        << "connection was lost";
    QTest::newRow("link drops during a language transfer")
        << QStringList{"--disconnect-after", "2"} << QStringList{"send-language", "@lDE"} << 3
        << "Connection to device lost";
    QTest::newRow("services never resolved: connect limit")
        << QStringList{"--never-resolve"} << QStringList{"battery"} << 3
        << "connection failed: Please try again";
    QTest::newRow("gauge not there")
        << QStringList{} << QStringList{"--device", "0011223344AA", "battery"} << 3
        << "gauge 0011223344AA not found";
}

void tst_ZvctlBluez::failures()
{
    // a radio or gauge that fails / exit 1 when Bluetooth is not usable, 3 when the gauge is
    // not reached or the link drops, with a message that says which
    QFETCH(QStringList, scenario);
    QFETCH(QStringList, command);
    QFETCH(QString, message);
    QTemporaryDir dir;
    writeFile(dir.filePath("lDE"), QByteArray(300, 'x'));
    command.replaceInStrings(QStringLiteral("@"), dir.path() + QLatin1Char('/'));
    QVERIFY2(m_harness.startFake(scenario), qPrintable(m_harness.errorText()));
    const ZvctlRun r = run(QStringList{"--lang", "en"} + command);
    QTEST(r.exitCode, "exitCode");
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(tst_ZvctlBluez)
#include "tst_zvctl_bluez.moc"
