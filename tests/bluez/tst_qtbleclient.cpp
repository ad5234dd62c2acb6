#include "link/bluetooth/QtBleClient.h"
#include "sim/SimGauge.h"
#include "sim/SimRecords.h"
#include "tests/bluez/BleEventLog.h"
#include "tests/bluez/FakeBluezHarness.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

namespace
{
const QString kGaugeId = QStringLiteral("5A454C564F01");
const QString kOtherId = QStringLiteral("00A0C9147E21");
const QString kServiceUuid = QStringLiteral("722383EA-0662-466F-B41F-0FD548267C10");
const QString kCommandUuid = QStringLiteral("000028CA-0000-1000-8000-00805F9B34FB");
const QString kTraceUuid = QStringLiteral("CA28ED7B-0662-466F-B41F-0FD548267C10");
const QString kGapUuid = QStringLiteral("00001800-0000-1000-8000-00805F9B34FB");
const QString kCccdUuid = QStringLiteral("00002902-0000-1000-8000-00805F9B34FB");
constexpr int kEventWaitMs = 5000;
constexpr int kQuietMs = 400; // how long "no further event" is watched
} // namespace

class QtBleClientTest : public QObject
{
    Q_OBJECT
private:
    FakeBluezHarness m_harness;
    std::unique_ptr<QtBleClient> m_client;
    std::unique_ptr<BleEventLog> m_log;
    QString m_serviceId, m_commandId, m_traceId;

    void startScenario(const QStringList& fakeOptions);
    void connectGauge(const QString& serviceFilter = kServiceUuid);
    QByteArray roundTrip(const QByteArray& command);

private slots:
    void initTestCase();
    void cleanup();
    void scanReportsDevices_data();
    void scanReportsDevices();
    void scanKeepsGoingUntilStopped();
    void adapterProblemsFailStart_data();
    void adapterProblemsFailStart();
    void discoveryReportsServices_data();
    void discoveryReportsServices();
    void commandRoundTrip_data();
    void commandRoundTrip();
    void probeRecordReadsByteForByte_data();
    void probeRecordReadsByteForByte();
    void traceNotifications();
    void userDisconnect();
    void lostLinkEndsWithStatus();
    void connectTimeLimit();
    void slowReplyStillArrives();
};

void QtBleClientTest::initTestCase()
{
    if (FakeBluezHarness::daemonProgram().isEmpty())
        QSKIP("dbus-daemon is missing (install the package dbus-daemon); cannot run a private bus");
    QVERIFY2(m_harness.startBus(), qPrintable(m_harness.errorText()));
    m_harness.applyToThisProcess(); // before the first Qt Bluetooth use in this process
}

void QtBleClientTest::cleanup()
{
    m_log.reset();
    m_client.reset();
    QVERIFY2(m_harness.stopFake(), qPrintable(m_harness.errorText()));
}

void QtBleClientTest::startScenario(const QStringList& fakeOptions)
{
    QVERIFY2(m_harness.startFake(fakeOptions), qPrintable(m_harness.errorText()));
    m_client = std::make_unique<QtBleClient>();
    m_client->setScanPeriod(2000);
    m_log = std::make_unique<BleEventLog>(m_client.get());
}

void QtBleClientTest::connectGauge(const QString& serviceFilter)
{
    QVERIFY(m_client->StartScanning(QString()).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_log->find("Advertisement", 0, kGaugeId) >= 0, kEventWaitMs);
    m_client->StopScanning();
    const BleResult connected = m_client->ConnectDevice(kGaugeId);
    QVERIFY2(connected.ok(), qPrintable(connected.description));
    QTRY_VERIFY2_WITH_TIMEOUT(m_log->count("Connected") == 1, qPrintable(m_log->dump()),
                              kEventWaitMs);
    QCOMPARE(m_log->named("Connected").first().args.value(0).toInt(), 0);
    const int before = m_log->size();
    QVERIFY(m_client->Discover(serviceFilter, QString()).ok());
    QCOMPARE(m_log->size(), before); // nothing arrives inside the call
    QTRY_VERIFY_WITH_TIMEOUT(m_log->find("Discovered", 4, kTraceUuid) >= 0, kEventWaitMs);
    const int service = m_log->find("Discovered", 4, kServiceUuid);
    const int command = m_log->find("Discovered", 4, kCommandUuid);
    QVERIFY(service >= 0);
    m_serviceId = m_log->events()[service].args.value(1).toString();
    m_commandId = command < 0 ? QString() : m_log->events()[command].args.value(2).toString();
    m_traceId = m_log->events()[m_log->find("Discovered", 4, kTraceUuid)].args.value(2).toString();
}

QByteArray QtBleClientTest::roundTrip(const QByteArray& command)
{
    m_log->clear();
    if (!m_client->WriteValue(m_serviceId, m_commandId, QString(), command).ok())
        return "<write refused>";
    if (!QTest::qWaitFor(
            [&] { return m_log->count("WriteResponse") > 0 || m_log->count("Disconnected") > 0; },
            kEventWaitMs) ||
        m_log->count("WriteResponse") == 0)
        return "<no write response>";
    if (!m_client->ReadValue(m_serviceId, m_commandId, QString()).ok())
        return "<read refused>";
    if (!QTest::qWaitFor([&] { return m_log->count("Value") > 0; }, kEventWaitMs))
        return "<no value>";
    return m_log->named("Value").first().args.value(4).toByteArray();
}

void QtBleClientTest::scanReportsDevices_data()
{
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rssi");
    QTest::newRow("gauge") << kGaugeId << "ZE-100" << -67;
    QTest::newRow("device that is not a gauge") << kOtherId << "Headset" << -80;
}

void QtBleClientTest::scanReportsDevices()
{
    // scan on a radio with a gauge and a headset / StartScan first, then each with name and RSSI
    QFETCH(QString, serverId);
    QFETCH(QString, name);
    QFETCH(int, rssi);
    startScenario({});
    QVERIFY(m_client->StartScanning(QString()).ok());
    QCOMPARE(m_log->size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_log->find("Advertisement", 0, serverId) >= 0, kEventWaitMs);
    QCOMPARE(m_log->events().first().name, QStringLiteral("StartScan"));
    const auto& seen = m_log->events()[m_log->find("Advertisement", 0, serverId)];
    QCOMPARE(seen.args.value(1).toString(), name);
    QCOMPARE(seen.args.value(2).toInt(), rssi);
}

void QtBleClientTest::scanKeepsGoingUntilStopped()
{
    // discovery periods of 300 ms / sightings go on across periods, and end with StopScanning
    startScenario({});
    m_client->setScanPeriod(300);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_client->StartScanning(QString()).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_log->find("Advertisement", 0, kGaugeId) >= 0, kEventWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() > 1500, 3000);
    m_log->clear();
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count("Advertisement") >= 2, kEventWaitMs);
    QVERIFY(m_client->StopScanning().ok());
    m_log->clear();
    QSignalSpy more(m_client.get(), &BLEClient::Advertisement);
    QVERIFY(!more.wait(kQuietMs * 2));
    QCOMPARE(m_log->count("Error"), 0);
}

void QtBleClientTest::adapterProblemsFailStart_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("description");
    QTest::newRow("no adapter") << "--no-adapter" << int(BleNoAdapter)
                                << "no Bluetooth adapter found";
    QTest::newRow("switched off") << "--powered-off" << int(BleAdapterOff)
                                  << "Bluetooth is switched off";
}

void QtBleClientTest::adapterProblemsFailStart()
{
    // no adapter or adapter off / StartScanning and ConnectDevice fail with the code, no event
    QFETCH(QString, option);
    QFETCH(int, code);
    QFETCH(QString, description);
    startScenario({option});
    const BleResult scan = m_client->StartScanning(QString());
    QCOMPARE(scan.code, code);
    QCOMPARE(scan.description, description);
    const BleResult link = m_client->ConnectDevice(kGaugeId);
    QCOMPARE(link.code, code);
    QSignalSpy anything(m_client.get(), &BLEClient::StartScan);
    QVERIFY(!anything.wait(kQuietMs));
    QCOMPARE(m_log->size(), 0);
}

void QtBleClientTest::discoveryReportsServices_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("descriptors");
    QTest::addColumn<bool>("commandSeen");
    QTest::addColumn<bool>("otherServiceSeen");
    QTest::newRow("gauge service") << QStringList() << kServiceUuid << false << true << false;
    QTest::newRow("no filter") << QStringList() << QString() << false << true << true;
    QTest::newRow("with descriptors") << QStringList() << kServiceUuid << true << true << false;
    QTest::newRow("no command char")
        << QStringList{"--no-command-char"} << kServiceUuid << false << false << false;
}

void QtBleClientTest::discoveryReportsServices()
{
    // connect and discover with a filter / service first, then its characteristics, ids stable
    QFETCH(QStringList, options);
    QFETCH(QString, filter);
    QFETCH(bool, descriptors);
    QFETCH(bool, commandSeen);
    QFETCH(bool, otherServiceSeen);
    startScenario(options);
    QVERIFY(
        m_client
            ->Configure(
                QStringLiteral("AutoDiscoverDescriptors = %1").arg(descriptors ? "true" : "false"))
            .ok());
    connectGauge(filter);
    QCOMPARE(m_serviceId.isEmpty(), false);
    QVERIFY(m_log->find("Discovered", 4, kServiceUuid) < m_log->find("Discovered", 4, kTraceUuid));
    QCOMPARE(m_log->find("Discovered", 4, kCommandUuid) >= 0, commandSeen);
    QCOMPARE(m_log->find("Discovered", 4, kGapUuid) >= 0, otherServiceSeen);
    QCOMPARE(m_log->find("Discovered", 4, kCccdUuid) >= 0, descriptors);
    for (const auto& e : m_log->named("Discovered"))
        QCOMPARE(e.args.value(0).toInt() == 0, e.args.value(2).toString().isEmpty());
    QVERIFY(m_traceId.startsWith(m_serviceId));
    QCOMPARE(m_log->count("Error"), 0);
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
    startScenario({});
    connectGauge();
    SimGauge reference;
    const QByteArray expected = reference.handleCommand(command).value;
    const QByteArray reply = roundTrip(command);
    if (command.startsWith("$glt")) // the clock moves on: compare up to the minute
        QCOMPARE(reply.left(18), expected.left(18));
    else
        QCOMPARE(reply, expected);
    if (command == "$gcv!")
        QCOMPARE(reply, QByteArray("$gcv?3710!"));
    QCOMPARE(m_harness.control("Transcript").value(0).toStringList(),
             QStringList{QString::fromLatin1(command)});
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
        const QString dir = m_harness.tempPath() + "/sim";
        QVERIFY(QDir().mkpath(dir));
        QFile out(dir + "/probe");
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.toHex().toUpper() + "\r\n");
        out.close();
        options << "--sim-dir" << dir;
    }
    startScenario(options);
    connectGauge();
    const QRegularExpressionMatch open = QRegularExpression(R"(^\$fr\?(\d+) (\d+)!$)")
                                             .match(QString::fromLatin1(roundTrip("$fr?probe!")));
    QVERIFY(open.hasMatch());
    const QByteArray handle = open.captured(1).toLatin1();
    QCOMPARE(open.captured(2).toInt(), file.size());
    QByteArray hex;
    const QRegularExpression block(R"(^\$rd\?(\d+) (\d+) (\d\d)([0-9A-F]*)!$)");
    while (hex.size() < 2 * file.size()) {
        const QString reply = QString::fromLatin1(roundTrip("$rd?" + handle + " 32!"));
        const QRegularExpressionMatch m = block.match(reply);
        QVERIFY2(m.hasMatch() && m.captured(3).toInt() > 0, qPrintable(reply));
        hex += m.captured(4).toLatin1();
    }
    QCOMPARE(QByteArray::fromHex(hex), file);
    QCOMPARE(roundTrip("$fc?" + handle + "!"), "$fc?" + handle + " 0!");
}

void QtBleClientTest::traceNotifications()
{
    // subscribe to trace, notify, unsubscribe / Subscribed, Value events, Unsubscribed
    startScenario({});
    connectGauge();
    m_log->clear();
    QVERIFY(m_client->Subscribe(m_serviceId, m_traceId).ok());
    QCOMPARE(m_log->size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count("Subscribed") == 1, kEventWaitMs);
    QCOMPARE(m_log->named("Subscribed").first().args.value(2).toString(), kTraceUuid);
    QVERIFY(m_harness.control("SendTrace", {QByteArray("$dlstate?7!")}).value(0).toBool());
    QTRY_VERIFY_WITH_TIMEOUT(m_log->find("Value", 4, QByteArray("$dlstate?7!")) >= 0, kEventWaitMs);
    QCOMPARE(m_log->events()[m_log->find("Value", 4, QByteArray("$dlstate?7!"))].args.value(1),
             QVariant(m_traceId));
    QVERIFY(m_client->Unsubscribe(m_serviceId, m_traceId).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count("Unsubscribed") == 1, kEventWaitMs);
    QCOMPARE(m_client->Subscribe(m_serviceId, m_commandId).code, int(BleOperationFailed));
}

void QtBleClientTest::userDisconnect()
{
    // DisconnectDevice twice in a row / one Disconnected with status 0, then no link
    startScenario({});
    connectGauge();
    m_log->clear();
    QVERIFY(m_client->DisconnectDevice().ok());
    QVERIFY(m_client->DisconnectDevice().ok());
    QCOMPARE(m_log->size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count("Disconnected") == 1, kEventWaitMs);
    QCOMPARE(m_log->named("Disconnected").first().args, (QVariantList{0, QString()}));
    QSignalSpy again(m_client.get(), &BLEClient::Disconnected);
    QVERIFY(!again.wait(kQuietMs));
    QCOMPARE(m_client->WriteValue(m_serviceId, m_commandId, {}, "$gcv!").code,
             int(BleNotConnected));
}

void QtBleClientTest::lostLinkEndsWithStatus()
{
    // the gauge drops the link at the third command / Disconnected non-zero, no response, no hang
    startScenario({"--disconnect-after", "2"});
    connectGauge();
    QCOMPARE(roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
    QCOMPARE(roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
    m_log->clear();
    QVERIFY(m_client->WriteValue(m_serviceId, m_commandId, {}, "$gcv!").ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count("Disconnected") == 1, kEventWaitMs);
    const auto ended = m_log->named("Disconnected").first();
    QCOMPARE(ended.args.value(0).toInt(), int(QtBleClient::kLinkLostStatus));
    QCOMPARE(ended.args.value(1).toString(), QStringLiteral("connection lost"));
    QSignalSpy more(m_client.get(), &BLEClient::Disconnected);
    QVERIFY(!more.wait(kQuietMs));
    QCOMPARE(m_log->count("WriteResponse"), 0);
    QCOMPARE(m_client->ReadValue(m_serviceId, m_commandId, {}).code, int(BleNotConnected));
}

void QtBleClientTest::connectTimeLimit()
{
    // the gauge never resolves its services / Error BleConnectTimeout after the limit, then idle
    startScenario({"--never-resolve"});
    m_client->setConnectTimeout(700);
    QVERIFY(m_client->StartScanning(QString()).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_log->find("Advertisement", 0, kGaugeId) >= 0, kEventWaitMs);
    m_client->StopScanning();
    m_log->clear();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_client->ConnectDevice(kGaugeId).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count("Error") == 1, kEventWaitMs);
    QVERIFY(clock.elapsed() >= 650);
    QCOMPARE(m_log->named("Error").first().args.value(0).toInt(), int(BleConnectTimeout));
    QCOMPARE(m_log->count("Connected"), 0);
    QVERIFY(m_client->ConnectDevice(kGaugeId).ok()); // idle again: a new attempt is accepted
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count("Error") == 2, kEventWaitMs);
}

void QtBleClientTest::slowReplyStillArrives()
{
    // the read-back is answered 600 ms late / Value arrives then, nothing lost
    startScenario({"--reply-delay", "600"});
    connectGauge();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
    QVERIFY(clock.elapsed() >= 600);
}

QTEST_GUILESS_MAIN(QtBleClientTest)
#include "tst_qtbleclient.moc"
