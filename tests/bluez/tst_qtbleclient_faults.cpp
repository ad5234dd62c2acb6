#include "link/BleLink.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"
#include "tests/bluez/BleClientFixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QtTest>

// QtBleClient when things go wrong: no adapter, adapter off, refused or endless connects, a
// gauge that drops the link, a slow gauge. Real Qt Bluetooth code, fake bluetoothd.
namespace
{
using F = BleClientFixture;
constexpr int kQuietMs = 400; // how long "no further event" is watched

// The fake stack's own view of the gauge: Device1.Connected.
bool stackConnected()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.bluez"), QStringLiteral("/org/bluez/hci0/dev_5A_45_4C_56_4F_01"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.bluez.Device1") << QStringLiteral("Connected");
    const QDBusMessage reply = QDBusConnection::systemBus().call(get);
    return qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().toBool();
}
} // namespace

class QtBleClientFaultTest : public QObject
{
    Q_OBJECT
private:
    BleClientFixture m_f;

private slots:
    void initTestCase();
    void cleanup();
    void adapterProblemsFailStart_data();
    void adapterProblemsFailStart();
    void bluetoothServiceMissing();
    void refusedConnects_data();
    void refusedConnects();
    void callsWithoutLinkFail();
    void lostLinkEndsWithStatus();
    void connectTimeLimit();
    void disconnectWhileConnecting();
    void slowReplyStillArrives();
    void unansweredDisconnectEnds();
    void radioSwitchedOffWhileScanning();
    void radioSwitchedOffWhileConnected();
};

void QtBleClientFaultTest::initTestCase()
{
    if (FakeBluezHarness::daemonProgram().isEmpty())
        QSKIP("dbus-daemon is missing (install the package dbus-daemon); cannot run a private bus");
    const QString e = m_f.startBus();
    QVERIFY2(e.isEmpty(), qPrintable(e));
}

void QtBleClientFaultTest::cleanup()
{
    const QString e = m_f.stop();
    QVERIFY2(e.isEmpty(), qPrintable(e));
}

void QtBleClientFaultTest::adapterProblemsFailStart_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("description");
    QTest::newRow("no adapter") << "--no-adapter" << int(BleNoAdapter)
                                << "no Bluetooth adapter found";
    QTest::newRow("switched off") << "--powered-off" << int(BleAdapterOff)
                                  << "Bluetooth is switched off";
}

void QtBleClientFaultTest::adapterProblemsFailStart()
{
    // no adapter or adapter off / StartScanning and ConnectDevice fail with the code, no event
    QFETCH(QString, option);
    QFETCH(int, code);
    QFETCH(QString, description);
    QVERIFY(m_f.start({option}).isEmpty());
    const BleResult scan = m_f.client->StartScanning(QString());
    QCOMPARE(scan.code, code);
    QCOMPARE(scan.description, description);
    QCOMPARE(m_f.client->ConnectDevice(F::kGaugeId).code, code);
    QSignalSpy anything(m_f.client.get(), &BLEClient::StartScan);
    QVERIFY(!anything.wait(kQuietMs));
    QCOMPARE(m_f.log->size(), 0);
}

void QtBleClientFaultTest::bluetoothServiceMissing()
{
    // a bus without bluetoothd / StartScanning and ConnectDevice fail "service not running"
    m_f.client = std::make_unique<QtBleClient>();
    m_f.log = std::make_unique<BleEventLog>(m_f.client.get());
    const BleResult scan = m_f.client->StartScanning(QString());
    QCOMPARE(scan.code, int(BleServiceNotRunning));
    QCOMPARE(scan.description, QStringLiteral("the Bluetooth service is not running"));
    QCOMPARE(m_f.client->ConnectDevice(F::kGaugeId).code, int(BleServiceNotRunning));
    QSignalSpy anything(m_f.client.get(), &BLEClient::StartScan);
    QVERIFY(!anything.wait(kQuietMs));
    QCOMPARE(m_f.log->size(), 0);
}

void QtBleClientFaultTest::refusedConnects_data()
{
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<bool>("scanFirst");
    QTest::newRow("device refuses the link") << F::kOtherId << true;
    QTest::newRow("device never seen") << "0A0B0C0D0E0F" << false;
}

void QtBleClientFaultTest::refusedConnects()
{
    // a connect the stack refuses / one Error event, no Connected, and a new connect is accepted
    QFETCH(QString, serverId);
    QFETCH(bool, scanFirst);
    QVERIFY(m_f.start({}).isEmpty());
    if (scanFirst)
        QVERIFY(m_f.scanUntilSeen(serverId).isEmpty());
    m_f.log->clear();
    QVERIFY(m_f.client->ConnectDevice(serverId).ok());
    QCOMPARE(m_f.log->size(), 0); // the stack may fail at once; the event still waits its turn
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Error") == 1, F::kEventWaitMs);
    QCOMPARE(m_f.log->named("Error").first().args.value(0).toInt(), int(BleOperationFailed));
    QVERIFY(!m_f.log->named("Error").first().args.value(1).toString().isEmpty());
    QCOMPARE(m_f.log->count("Connected") + m_f.log->count("Disconnected"), 0);
    QVERIFY(m_f.client->ConnectDevice(serverId).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Error") == 2, F::kEventWaitMs);
}

void QtBleClientFaultTest::callsWithoutLinkFail()
{
    // GATT calls before any link, a malformed ServerId / failures with codes, no events
    QVERIFY(m_f.start({}).isEmpty());
    const QString s = F::kServiceUuid;
    const QString c = s + "/" + F::kCommandUuid;
    QCOMPARE(m_f.client->Discover(s, {}).code, int(BleNotConnected));
    QCOMPARE(m_f.client->WriteValue(s, c, {}, "$gcv!").code, int(BleNotConnected));
    QCOMPARE(m_f.client->ReadValue(s, c, {}).code, int(BleNotConnected));
    QCOMPARE(m_f.client->Subscribe(s, c).code, int(BleNotConnected));
    QCOMPARE(m_f.client->ConnectDevice("5A:45:4C").code, int(BleUnknownId));
    QVERIFY(m_f.client->DisconnectDevice().ok());
    QCOMPARE(m_f.client->Configure("Colour = red").code, int(BleOperationFailed));
    QVERIFY(m_f.client->Configure("LogLevel=0").ok());
    QSignalSpy anything(m_f.client.get(), &BLEClient::Disconnected);
    QVERIFY(!anything.wait(kQuietMs));
    QCOMPARE(m_f.log->size(), 0);
}

void QtBleClientFaultTest::lostLinkEndsWithStatus()
{
    // the gauge drops the link at the third command / Disconnected non-zero, no response, no hang
    QVERIFY(m_f.start({"--disconnect-after", "2"}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    QCOMPARE(m_f.roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
    QCOMPARE(m_f.roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
    m_f.log->clear();
    QVERIFY(m_f.client->WriteValue(m_f.serviceId, m_f.commandId, {}, "$gcv!").ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Disconnected") == 1, F::kEventWaitMs);
    const auto ended = m_f.log->named("Disconnected").first();
    QCOMPARE(ended.args.value(0).toInt(), int(QtBleClient::kLinkLostStatus));
    QCOMPARE(ended.args.value(1).toString(), QStringLiteral("connection lost"));
    QSignalSpy more(m_f.client.get(), &BLEClient::Disconnected);
    QVERIFY(!more.wait(kQuietMs));
    QCOMPARE(m_f.log->count("WriteResponse"), 0);
    QCOMPARE(m_f.client->ReadValue(m_f.serviceId, m_f.commandId, {}).code, int(BleNotConnected));
}

void QtBleClientFaultTest::connectTimeLimit()
{
    // the gauge never resolves its services, the link logic's limit 700 ms / the link gives up:
    // "Bitte wiederholen", one Disconnected 0 and no Error, the stack's connect ended, a new
    // attempt taken
    QTemporaryDir programFolder;
    sharedState().ProgramFolder = programFolder.path();
    fillTextTables();
    QVERIFY(m_f.start({"--never-resolve"}).isEmpty());
    QVERIFY(m_f.scanUntilSeen(F::kGaugeId).isEmpty());
    BleLink link(m_f.client.get(), userDialogs());
    link.setConnectPauseMs(0);
    link.setConnectLimitMs(700);
    link.applyLanguage();
    sharedState().DeviceAddress = F::kGaugeId;
    m_f.log->clear();
    QSignalSpy down(&link, &BleLink::linkDown);
    QElapsedTimer clock;
    clock.start();
    link.cmdConnect_click(-1);
    QTRY_VERIFY_WITH_TIMEOUT(stackConnected(), F::kEventWaitMs);
    QVERIFY(down.wait(F::kEventWaitMs));
    QVERIFY(clock.elapsed() >= 650);
    QCOMPARE(link.statusText(), QStringLiteral("Bitte wiederholen"));
    QCOMPARE(m_f.log->count("Disconnected"), 1);
    QCOMPARE(m_f.log->count("Error") + m_f.log->count("Connected"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!stackConnected(), F::kEventWaitMs);
    QVERIFY(m_f.client->ConnectDevice(F::kGaugeId).ok()); // idle again: a new attempt is taken
}

void QtBleClientFaultTest::disconnectWhileConnecting()
{
    // DisconnectDevice during an endless connect / one Disconnected 0, no Error later
    QVERIFY(m_f.start({"--never-resolve"}).isEmpty());
    QVERIFY(m_f.scanUntilSeen(F::kGaugeId).isEmpty());
    m_f.log->clear();
    QVERIFY(m_f.client->ConnectDevice(F::kGaugeId).ok());
    QVERIFY(m_f.client->DisconnectDevice().ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Disconnected") == 1, F::kEventWaitMs);
    QSignalSpy error(m_f.client.get(), &BLEClient::Error);
    QVERIFY(!error.wait(1000));
    QCOMPARE(m_f.log->named("Disconnected").first().args.value(0).toInt(), 0);
}

void QtBleClientFaultTest::slowReplyStillArrives()
{
    // the read-back is answered 600 ms late / the Value arrives then, nothing lost
    QVERIFY(m_f.start({"--reply-delay", "600"}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_f.roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
    QVERIFY(clock.elapsed() >= 600);
}

void QtBleClientFaultTest::unansweredDisconnectEnds()
{
    // the stack never confirms a disconnect / Disconnected 0 after the limit, once, then idle
    QVERIFY(m_f.start({"--ignore-disconnect"}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    m_f.client->setDisconnectTimeout(500);
    m_f.log->clear();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_f.client->DisconnectDevice().ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Disconnected") == 1, F::kEventWaitMs);
    QVERIFY(clock.elapsed() >= 450);
    QCOMPARE(m_f.log->named("Disconnected").first().args.value(0).toInt(), 0);
    QCOMPARE(m_f.client->ReadValue(m_f.serviceId, m_f.commandId, {}).code, int(BleNotConnected));
    QSignalSpy more(m_f.client.get(), &BLEClient::Disconnected);
    QVERIFY(!more.wait(kQuietMs));
}

void QtBleClientFaultTest::radioSwitchedOffWhileScanning()
{
    // the adapter is switched off during a scan / Error "Bluetooth is switched off", scan over
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.client->StartScanning(QString()).ok());
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->find("Advertisement", 0, F::kGaugeId) >= 0, F::kEventWaitMs);
    m_f.harness.control("SetPowered", {false});
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Error") == 1, F::kEventWaitMs);
    QCOMPARE(m_f.log->named("Error").first().args,
             (QVariantList{int(BleAdapterOff), QStringLiteral("Bluetooth is switched off")}));
    QCOMPARE(m_f.client->StartScanning(QString()).code, int(BleAdapterOff));
    m_f.harness.control("SetPowered", {true});
    m_f.log->clear();
    QVERIFY(m_f.client->StartScanning(QString()).ok()); // back on: scanning works again
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->find("Advertisement", 0, F::kGaugeId) >= 0, F::kEventWaitMs);
}

void QtBleClientFaultTest::radioSwitchedOffWhileConnected()
{
    // the adapter is switched off with a link up / one Disconnected "connection lost", no hang
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    m_f.log->clear();
    m_f.harness.control("SetPowered", {false});
    QTRY_VERIFY_WITH_TIMEOUT(m_f.log->count("Disconnected") == 1, F::kEventWaitMs);
    QCOMPARE(m_f.log->named("Disconnected").first().args,
             (QVariantList{int(QtBleClient::kLinkLostStatus), QStringLiteral("connection lost")}));
    QCOMPARE(m_f.client->ConnectDevice(F::kGaugeId).code, int(BleAdapterOff));
}

QTEST_GUILESS_MAIN(QtBleClientFaultTest)
#include "tst_qtbleclient_faults.moc"
