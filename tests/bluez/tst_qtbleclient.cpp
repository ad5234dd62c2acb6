#include "sim/SimGauge.h"
#include "sim/SimRecords.h"
#include "tests/bluez/BleClientFixture.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>

// QtBleClient in normal operation, through the real Qt Bluetooth code and a fake bluetoothd.
namespace
{
using F = BleClientFixture;
const QString kGapUuid = QStringLiteral("00001800-0000-1000-8000-00805F9B34FB");
const QString kCccdUuid = QStringLiteral("00002902-0000-1000-8000-00805F9B34FB");
constexpr int kQuietMs = 400; // how long "no further event" is watched
constexpr int kRunLength = 200;
const QString kAbsentId = QStringLiteral("0011223344AA"); // a gauge the stack saw long ago
} // namespace

class QtBleClientTest : public QObject
{
    Q_OBJECT
private:
    BleClientFixture m_f;

private slots:
    void initTestCase();
    void cleanup();
    void scanReportsDevices_data();
    void scanReportsDevices();
    void scanKeepsGoingUntilStopped();
    void discoveryReportsServices_data();
    void discoveryReportsServices();
    void commandRoundTrip_data();
    void commandRoundTrip();
    void postValueHasNoResponse();
    void longRunOfCommands();
    void probeRecordReadsByteForByte_data();
    void probeRecordReadsByteForByte();
    void uploadReachesTheGaugeFiles();
    void traceNotifications();
    void userDisconnect();
};

void QtBleClientTest::initTestCase()
{
    if (FakeBluezHarness::daemonProgram().isEmpty())
        QSKIP("dbus-daemon is missing (install the package dbus-daemon); cannot run a private bus");
    const QString e = m_f.startBus();
    QVERIFY2(e.isEmpty(), qPrintable(e));
}

void QtBleClientTest::cleanup()
{
    const QString e = m_f.stop();
    QVERIFY2(e.isEmpty(), qPrintable(e));
}

void QtBleClientTest::scanReportsDevices_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rssi"); // 0: never reported
    QTest::newRow("gauge") << QStringList() << F::kGaugeId << "ZE-100" << -67;
    QTest::newRow("device that is not a gauge") << QStringList() << F::kOtherId << "Headset" << -80;
    QTest::newRow("remembered gauge that advertises")
        << QStringList{"--remembered", F::kGaugeId} << F::kGaugeId << "ZE-100" << -67;
    QTest::newRow("remembered gauge out of range")
        << QStringList{"--remembered", kAbsentId} << kAbsentId << QString() << 0;
}

void QtBleClientTest::scanReportsDevices()
{
    // scan on a radio with a gauge and a headset, the stack knowing some devices from before /
    // StartScan first, then each device heard during the scan with name and RSSI, the others never
    QFETCH(QStringList, options);
    QFETCH(QString, serverId);
    QFETCH(QString, name);
    QFETCH(int, rssi);
    QVERIFY(m_f.start(options).isEmpty());
    QVERIFY(m_f.client->StartScanning(QString()).ok());
    QCOMPARE(m_f.log->size(), 0); // nothing inside the call
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->find("Advertisement", 0, F::kGaugeId) >= 0, F::kEventWaitMs);
    QTest::qWait(kQuietMs); // the RSSI of everything in range has moved since
    QCOMPARE(m_f.log->events().first().name, QStringLiteral("StartScan"));
    const int first = m_f.log->find("Advertisement", 0, serverId);
    QCOMPARE(first >= 0, rssi != 0);
    if (first < 0)
        return;
    const auto& seen = m_f.log->events()[first];
    QCOMPARE(seen.args.value(1).toString(), name);
    QCOMPARE(seen.args.value(2).toInt(), rssi);
}

void QtBleClientTest::scanKeepsGoingUntilStopped()
{
    // discovery periods of 300 ms / sightings go on across periods and end with StopScanning
    QVERIFY(m_f.start({}).isEmpty());
    m_f.client->setScanPeriod(300);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_f.client->StartScanning(QString()).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->find("Advertisement", 0, F::kGaugeId) >= 0, F::kEventWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() > 1500, 3000); // five periods later
    m_f.log->clear();
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Advertisement") >= 2, F::kEventWaitMs);
    QVERIFY(m_f.client->StopScanning().ok());
    QSignalSpy more(m_f.client.get(), &BLEClient::Advertisement);
    QVERIFY(!more.wait(kQuietMs * 2));
    QCOMPARE(m_f.log->count("Error"), 0);
}

void QtBleClientTest::discoveryReportsServices_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("descriptors");
    QTest::addColumn<bool>("commandSeen");
    QTest::addColumn<bool>("otherServiceSeen");
    QTest::newRow("gauge service") << QStringList() << F::kServiceUuid << false << true << false;
    QTest::newRow("no filter") << QStringList() << QString() << false << true << true;
    QTest::newRow("with descriptors") << QStringList() << F::kServiceUuid << true << true << false;
    QTest::newRow("no command char")
        << QStringList{"--no-command-char"} << F::kServiceUuid << false << false << false;
}

void QtBleClientTest::discoveryReportsServices()
{
    // connect and discover with a filter / service first, then its characteristics, ids stable
    QFETCH(QStringList, options);
    QFETCH(QString, filter);
    QFETCH(bool, descriptors);
    QFETCH(bool, commandSeen);
    QFETCH(bool, otherServiceSeen);
    QVERIFY(m_f.start(options).isEmpty());
    QVERIFY(
        m_f.client
            ->Configure(
                QStringLiteral("AutoDiscoverDescriptors = %1").arg(descriptors ? "true" : "false"))
            .ok());
    const QString e = m_f.connectGauge(filter);
    QVERIFY2(e.isEmpty(), qPrintable(e));
    QCOMPARE(m_f.log->named("Connected").first().args, (QVariantList{0, QString()}));
    const BleEventLog& log = *m_f.log;
    QVERIFY(log.find("Discovered", 4, F::kServiceUuid) < log.find("Discovered", 4, F::kTraceUuid));
    QCOMPARE(log.find("Discovered", 4, F::kCommandUuid) >= 0, commandSeen);
    QCOMPARE(log.find("Discovered", 4, kGapUuid) >= 0, otherServiceSeen);
    QCOMPARE(log.find("Discovered", 4, kCccdUuid) >= 0, descriptors);
    for (const auto& ev : log.named("Discovered"))
        QCOMPARE(ev.args.value(0).toInt() == 0, ev.args.value(2).toString().isEmpty());
    QVERIFY(m_f.traceId.startsWith(m_f.serviceId + "/"));
    QCOMPARE(log.count("Error"), 0);
}

void QtBleClientTest::commandRoundTrip_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("battery") << QByteArray("$gcv!");
    QTest::newRow("identity") << QByteArray("$naxo00!\r\n");
    QTest::newRow("clock") << QByteArray("$glt!");
    QTest::newRow("listing") << QByteArray("$ls!\r\n");
}

void QtBleClientTest::commandRoundTrip()
{
    // one command written with response, then read back / the gauge's reply, as in process
    QFETCH(QByteArray, command);
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    SimGauge reference;
    const QByteArray expected = reference.handleCommand(command).value;
    const QByteArray reply = m_f.roundTrip(command);
    if (command.startsWith("$glt")) // the clock moves on: compare up to the minute
        QCOMPARE(reply.left(18), expected.left(18));
    else
        QCOMPARE(reply, expected);
    if (command == "$gcv!")
        QCOMPARE(reply, QByteArray("$gcv?3710!"));
    QCOMPARE(m_f.harness.control("Transcript").value(0).toStringList(),
             QStringList{QString::fromLatin1(command)});
}

void QtBleClientTest::postValueHasNoResponse()
{
    // a write without response / no WriteResponse, the gauge still gets it and the read has it
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    m_f.log->clear();
    QVERIFY(m_f.client->PostValue(m_f.serviceId, m_f.commandId, "$gcv!").ok());
    QTRY_COMPARE_WITH_TIMEOUT(m_f.harness.control("Transcript").value(0).toStringList().size(), 1,
                              F::kEventWaitMs);
    QVERIFY(m_f.client->ReadValue(m_f.serviceId, m_f.commandId, {}).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Value") == 1, F::kEventWaitMs);
    QCOMPARE(m_f.log->named("Value").first().args.value(4).toByteArray(), QByteArray("$gcv?3710!"));
    QCOMPARE(m_f.log->count("WriteResponse"), 0);
}

void QtBleClientTest::longRunOfCommands()
{
    // 200 commands back to back / every reply right; the median round trip goes to the log
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    QList<qint64> micros;
    QElapsedTimer clock;
    for (int i = 0; i < kRunLength; ++i) {
        clock.start();
        QCOMPARE(m_f.roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
        micros.append(clock.nsecsElapsed() / 1000);
    }
    std::sort(micros.begin(), micros.end());
    qInfo("round trip over the fake: median %lld us, slowest %lld us", micros[kRunLength / 2],
          micros.last());
}

void QtBleClientTest::probeRecordReadsByteForByte_data()
{
    QTest::addColumn<bool>("ownFiles");
    QTest::newRow("gauge's own probe file") << false;
    QTest::newRow("probe file from --sim-dir") << true;
}

void QtBleClientTest::probeRecordReadsByteForByte()
{
    // open, read in 32-byte blocks, close / the bytes equal the file the gauge holds
    QFETCH(bool, ownFiles);
    QByteArray file = SimRecords::defaultProbe();
    QStringList options;
    if (ownFiles) {
        for (int i = 0; i < file.size(); ++i)
            file[i] = char((i * 37 + 11) & 0xff);
        const QString dir = m_f.harness.tempPath() + "/sim";
        QVERIFY(QDir().mkpath(dir));
        QFile out(dir + "/probe");
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.toHex().toUpper() + "\r\n");
        out.close();
        options << "--sim-dir" << dir;
    }
    QVERIFY(m_f.start(options).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    const QRegularExpressionMatch open =
        QRegularExpression(R"(^\$fr\?(\d+) (\d+)!$)")
            .match(QString::fromLatin1(m_f.roundTrip("$fr?probe!")));
    QVERIFY(open.hasMatch());
    const QByteArray handle = open.captured(1).toLatin1();
    QCOMPARE(open.captured(2).toInt(), file.size());
    QByteArray hex;
    const QRegularExpression block(R"(^\$rd\?(\d+) (\d+) (\d\d)([0-9A-F]*)!$)");
    while (hex.size() < 2 * file.size()) {
        const QString reply = QString::fromLatin1(m_f.roundTrip("$rd?" + handle + " 32!"));
        const QRegularExpressionMatch m = block.match(reply);
        QVERIFY2(m.hasMatch() && m.captured(3).toInt() > 0, qPrintable(reply));
        hex += m.captured(4).toLatin1();
    }
    QCOMPARE(QByteArray::fromHex(hex), file);
    QCOMPARE(m_f.roundTrip("$fc?" + handle + "!"), "$fc?" + handle + " 0!");
}

void QtBleClientTest::uploadReachesTheGaugeFiles()
{
    // a file written in 32-byte chunks / the fake's dump at SIGTERM holds it byte for byte
    const QString dump = m_f.harness.tempPath() + "/dump";
    QVERIFY(m_f.start({"--dump-dir", dump}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    QByteArray file(100, '\0');
    for (int i = 0; i < file.size(); ++i)
        file[i] = char(255 - i);
    const QByteArray created = m_f.roundTrip("$fw?100 lang!\r\n");
    QVERIFY2(created.startsWith("$fw?") && created.endsWith(" 0!"), created.constData());
    const QByteArray handle = created.mid(4, created.indexOf(' ') - 4);
    for (int at = 0; at < file.size(); at += 32) {
        const QByteArray chunk = file.mid(at, 32);
        const QByteArray cmd = "$wr?" + handle + ' ' + QByteArray::number(at) + ' ' +
                               QByteArray::number(chunk.size()) + ' ' + chunk.toHex().toUpper() +
                               "!\r\n";
        QCOMPARE(m_f.roundTrip(cmd), "$wr?" + handle + " 0!");
    }
    QCOMPARE(m_f.roundTrip("$fc?" + handle + "!\r\n"), "$fc?" + handle + " 0!");
    QVERIFY(m_f.stop().isEmpty());
    QFile written(dump + "/lang");
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), file.toHex().toUpper() + "\r\n");
}

void QtBleClientTest::traceNotifications()
{
    // subscribe to trace, notify, unsubscribe / Subscribed, Value events, Unsubscribed
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    m_f.log->clear();
    QVERIFY(m_f.client->Subscribe(m_f.serviceId, m_f.traceId).ok());
    QCOMPARE(m_f.log->size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Subscribed") == 1, F::kEventWaitMs);
    QCOMPARE(m_f.log->named("Subscribed").first().args.value(2).toString(), F::kTraceUuid);
    const QByteArray trace("$dlstate?7!");
    QVERIFY(m_f.harness.control("SendTrace", {trace}).value(0).toBool());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->find("Value", 4, trace) >= 0, F::kEventWaitMs);
    QCOMPARE(m_f.log->events()[m_f.log->find("Value", 4, trace)].args.value(1),
             QVariant(m_f.traceId));
    QVERIFY(m_f.client->Unsubscribe(m_f.serviceId, m_f.traceId).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Unsubscribed") == 1, F::kEventWaitMs);
    QCOMPARE(m_f.client->Subscribe(m_f.serviceId, m_f.commandId).code, int(BleOperationFailed));
}

void QtBleClientTest::userDisconnect()
{
    // DisconnectDevice twice in a row / one Disconnected with status 0, then no link
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    m_f.log->clear();
    QVERIFY(m_f.client->DisconnectDevice().ok());
    QVERIFY(m_f.client->DisconnectDevice().ok());
    QCOMPARE(m_f.log->size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Disconnected") == 1, F::kEventWaitMs);
    QCOMPARE(m_f.log->named("Disconnected").first().args, (QVariantList{0, QString()}));
    QSignalSpy again(m_f.client.get(), &BLEClient::Disconnected);
    QVERIFY(!again.wait(kQuietMs));
    QCOMPARE(m_f.client->WriteValue(m_f.serviceId, m_f.commandId, {}, "$gcv!").code,
             int(BleNotConnected));
}

QTEST_GUILESS_MAIN(QtBleClientTest)
#include "tst_qtbleclient.moc"
