#include "link/BleLink.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"
#include "tests/bluez/BleClientFixture.h"

#include <QElapsedTimer>
#include <QtTest>

// QtBleClient through the real Qt Bluetooth code against the fake bluetoothd: scanning,
// discovery, commands, notifications, and what goes wrong with radio, stack and gauge.
namespace
{
using F = BleClientFixture;
constexpr int kQuietMs = 400; // how long "no further event" is watched
const QString kS = F::kServiceUuid;
const QString kC = kS + "/000028CA-0000-1000-8000-00805F9B34FB";
const QString kT = kS + "/CA28ED7B-0662-466F-B41F-0FD548267C10";
const QString kGap = "00001800-0000-1000-8000-00805F9B34FB";
const QString kGauge = "Advertisement 5A454C564F01|ZE-100|-67|" + kS + "|89|5a45";

bool quiet(BLEClient* client)
{
    QSignalSpy any(client, &BLEClient::Disconnected);
    QSignalSpy error(client, &BLEClient::Error);
    return !any.wait(kQuietMs) && error.isEmpty();
}
} // namespace

class QtBleClientTest : public QObject
{
    Q_OBJECT
private:
    BleClientFixture m_f;
    QtBleClient* client() { return m_f.client.get(); }
    BleEventLog& log() { return *m_f.log; }

private slots:
    void initTestCase()
    {
        if (FakeBluezHarness::daemonProgram().isEmpty())
            QSKIP("dbus-daemon is missing (package dbus-daemon); cannot run a private bus");
        const QString e = m_f.startBus();
        QVERIFY2(e.isEmpty(), qPrintable(e));
    }
    void cleanup() { QCOMPARE(m_f.stop(), QString()); }
    void scanReportsDevices_data();
    void scanReportsDevices();
    void scanKeepsGoingUntilStopped();
    void discoveryReportsServices_data();
    void discoveryReportsServices();
    void commandRoundTrip_data();
    void commandRoundTrip();
    void postValueHasNoResponse();
    void traceNotifications();
    void userDisconnect();
    void radioProblemsFailStart_data();
    void radioProblemsFailStart();
    void refusedConnects_data();
    void refusedConnects();
    void callsWithoutLinkFail();
    void lostLink_data();
    void lostLink();
    void connectTimeLimit();
    void disconnectWhileConnecting();
    void unansweredDisconnectEnds();
    void radioSwitchedOffWhileScanning();
};

void QtBleClientTest::scanReportsDevices_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<QString>("seen");     // the first advertisement; "" = never reported
    const QString absent = "0011223344AA"; // a gauge the stack saw long ago
    const QString headset = "Advertisement 00A0C9147E21|Kopfhörer ♪|-80||0|";
    QTest::newRow("gauge") << QStringList() << "" << F::kGaugeId << kGauge;
    QTest::newRow("device that is not a gauge, UTF-8 name") << QStringList() << ""
                                                            << "00A0C9147E21" << headset;
    QTest::newRow("filter in lower case hides it")
        << QStringList() << kS.toLower() << "00A0C9147E21"
        << "";
    QTest::newRow("remembered gauge that advertises")
        << QStringList{"--remembered", F::kGaugeId} << kS.toLower() << F::kGaugeId << kGauge;
    QTest::newRow("remembered gauge out of range")
        << QStringList{"--remembered", absent} << "" << absent << "";
}

void QtBleClientTest::scanReportsDevices()
{
    // scan on a radio with a gauge and a headset, the stack knowing some devices from before /
    // StartScan first, then each device heard during the scan with name and RSSI, others never
    QFETCH(QStringList, options);
    QFETCH(QString, filter);
    QFETCH(QString, serverId);
    QFETCH(QString, seen);
    QVERIFY(m_f.start(options).isEmpty());
    QVERIFY(client()->StartScanning(filter).ok());
    QCOMPARE(log().size(), 0); // nothing inside the call
    QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId), F::kEventWaitMs);
    QTest::qWait(kQuietMs); // the RSSI of everything in range has moved since
    QCOMPARE(log().lines.first(), "StartScan " + filter);
    QCOMPARE(log().named("Advertisement " + serverId).value(0), seen);
}

void QtBleClientTest::scanKeepsGoingUntilStopped()
{
    // discovery periods of 300 ms / sightings go on across periods and end with StopScanning
    QVERIFY(m_f.start({}).isEmpty());
    client()->setScanPeriod(300);
    QVERIFY(client()->StartScanning(QString()).ok());
    QTest::qWait(1500); // five periods
    log().clear();
    QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId) >= 2, F::kEventWaitMs);
    QVERIFY(client()->StopScanning().ok());
    QSignalSpy more(client(), &BLEClient::Advertisement);
    QVERIFY(!more.wait(kQuietMs * 2));
    QCOMPARE(log().count("Error"), 0);
}

void QtBleClientTest::discoveryReportsServices_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("descriptors");
    QTest::addColumn<QStringList>("found"); // the Discovered events
    const QString c = "Discovered 1|" + kS + '|' + kC + "||000028CA-0000-1000-8000-00805F9B34FB";
    const QString t = "Discovered 1|" + kS + '|' + kT + "||CA28ED7B-0662-466F-B41F-0FD548267C10";
    const QString s = "Discovered 0|" + kS + "|||" + kS;
    const QString cccd = "00002902-0000-1000-8000-00805F9B34FB";
    const QString d = "Discovered 2|" + kS + '|' + kT + '|' + kT + '/' + cccd + '|' + cccd;
    QTest::newRow("gauge service, lower case")
        << QStringList() << kS.toLower() << false << QStringList{s, c, t};
    QTest::newRow("no filter") << QStringList() << QString() << false
                               << QStringList{"Discovered 0|" + kGap + "|||" + kGap, s, c, t};
    QTest::newRow("with descriptors") << QStringList() << kS << true << QStringList{s, c, t, d};
    QTest::newRow("no command char")
        << QStringList{"--no-command-char"} << kS << false << QStringList{s, t};
}

void QtBleClientTest::discoveryReportsServices()
{
    // connect and discover with a filter / the service first, then its characteristics
    QFETCH(QStringList, options);
    QFETCH(QString, filter);
    QFETCH(bool, descriptors);
    QFETCH(QStringList, found);
    QVERIFY(m_f.start(options).isEmpty());
    QVERIFY(client()->Configure(QString("AutoDiscoverDescriptors = %1").arg(descriptors)).ok());
    const QString e = m_f.connectGauge(filter);
    QVERIFY2(e.isEmpty(), qPrintable(e));
    QCOMPARE(log().named("Connected"), QStringList{"Connected 0|"});
    QTRY_COMPARE(log().named("Discovered"), found); // the service first, then its details
}

void QtBleClientTest::commandRoundTrip_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("battery") << QByteArray("$gcv!");
    QTest::newRow("listing, a long reply") << QByteArray("$ls!\r\n");
}

void QtBleClientTest::commandRoundTrip()
{
    // one command written with response, then read back / the gauge's reply, as in process
    QFETCH(QByteArray, command);
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    QCOMPARE(m_f.roundTrip(command), SimGauge().handleCommand(command).value);
    QCOMPARE(log().lines, QStringList({"WriteResponse " + kS + '|' + kC + "||" + kC.mid(37),
                                       "Value " + kS + '|' + kC + "||" + kC.mid(37) + '|' +
                                           SimGauge().handleCommand(command).value}));
    QCOMPARE(m_f.harness.control("Transcript").value(0).toStringList(), QStringList{command});
}

void QtBleClientTest::postValueHasNoResponse()
{
    // a write without response / no WriteResponse, the gauge still gets it and the read has it
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    log().clear();
    QVERIFY(client()->PostValue(kS, kC, "$gcv!").ok());
    QTRY_COMPARE_WITH_TIMEOUT(m_f.harness.control("Transcript").value(0).toStringList(),
                              QStringList{"$gcv!"}, F::kEventWaitMs);
    QVERIFY(client()->ReadValue(kS, kC, {}).ok());
    QTRY_COMPARE_WITH_TIMEOUT(
        log().lines, QStringList{"Value " + kS + '|' + kC + "||" + kC.mid(37) + "|$gcv?3710!"},
        F::kEventWaitMs);
}

void QtBleClientTest::traceNotifications()
{
    // subscribe to trace, notify, unsubscribe / Subscribed, the Value, Unsubscribed
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    log().clear();
    QVERIFY(client()->Subscribe(kS, kT).ok());
    QCOMPARE(log().size(), 0);
    const QString tail = kS + '|' + kT + '|' + kT.mid(37);
    QTRY_COMPARE_WITH_TIMEOUT(log().lines, QStringList{"Subscribed " + tail}, F::kEventWaitMs);
    QVERIFY(m_f.harness.control("SendTrace", {QByteArray("$dlstate?7!")}).value(0).toBool());
    QTRY_COMPARE_WITH_TIMEOUT(
        log().named("Value"),
        QStringList{"Value " + kS + '|' + kT + "||" + kT.mid(37) + "|$dlstate?7!"},
        F::kEventWaitMs);
    QVERIFY(client()->Unsubscribe(kS, kT).ok());
    QTRY_COMPARE_WITH_TIMEOUT(log().named("Unsubscribed"), QStringList{"Unsubscribed " + tail},
                              F::kEventWaitMs);
    QCOMPARE(client()->Subscribe(kS, kC).code, int(BleOperationFailed)); // no notifications
}

void QtBleClientTest::userDisconnect()
{
    // DisconnectDevice twice in a row / one Disconnected with status 0, then no link
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    log().clear();
    QVERIFY(client()->DisconnectDevice().ok());
    QVERIFY(client()->DisconnectDevice().ok());
    QCOMPARE(log().size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(log().lines, QStringList{"Disconnected 0|"}, F::kEventWaitMs);
    QVERIFY(quiet(client()));
    QCOMPARE(client()->WriteValue(kS, kC, {}, "$gcv!").code, int(BleNotConnected));
}

void QtBleClientTest::radioProblemsFailStart_data()
{
    QTest::addColumn<QStringList>("options"); // none: no bluetoothd at all
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("description");
    QTest::newRow("no adapter") << QStringList{"--no-adapter"} << int(BleNoAdapter)
                                << "no Bluetooth adapter found";
    QTest::newRow("switched off") << QStringList{"--powered-off"} << int(BleAdapterOff)
                                  << "Bluetooth is switched off";
    QTest::newRow("no bluetoothd")
        << QStringList() << int(BleServiceNotRunning) << "the Bluetooth service is not running";
}

void QtBleClientTest::radioProblemsFailStart()
{
    // no adapter, adapter off, no stack / StartScanning and ConnectDevice fail, no event
    QFETCH(QStringList, options);
    QFETCH(int, code);
    QFETCH(QString, description);
    if (options.isEmpty()) { // no bluetoothd on the bus
        m_f.client = std::make_unique<QtBleClient>();
        m_f.log = std::make_unique<BleEventLog>(client());
    } else {
        QVERIFY(m_f.start(options).isEmpty());
    }
    const BleResult scan = client()->StartScanning(QString());
    QCOMPARE(scan.code, code);
    QCOMPARE(scan.description, description);
    QCOMPARE(client()->ConnectDevice(F::kGaugeId).code, code);
    QVERIFY(quiet(client()));
    QCOMPARE(log().size(), 0);
}

void QtBleClientTest::refusedConnects_data()
{
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<bool>("scanFirst");
    QTest::newRow("device refuses the link") << "00A0C9147E21" << true;
    QTest::newRow("device never seen") << "0A0B0C0D0E0F" << false;
}

void QtBleClientTest::refusedConnects()
{
    // a connect the stack refuses / one Error event, no Connected, and a new connect is accepted
    QFETCH(QString, serverId);
    QFETCH(bool, scanFirst);
    QVERIFY(m_f.start({}).isEmpty());
    if (scanFirst)
        QVERIFY(m_f.scanUntilSeen(serverId).isEmpty());
    log().clear();
    QVERIFY(client()->ConnectDevice(serverId).ok());
    QCOMPARE(log().size(), 0); // the stack may fail at once; the event still waits its turn
    QTRY_COMPARE_WITH_TIMEOUT(log().count("Error 7|"), 1, F::kEventWaitMs);
    QCOMPARE(log().size(), 1);
    QVERIFY(client()->ConnectDevice(serverId).ok());
    QTRY_COMPARE_WITH_TIMEOUT(log().count("Error 7|"), 2, F::kEventWaitMs);
}

void QtBleClientTest::callsWithoutLinkFail()
{
    // GATT calls before any link, a malformed ServerId, settings / codes, no events
    QVERIFY(m_f.start({}).isEmpty());
    QCOMPARE(client()->Discover(kS, {}).code, int(BleNotConnected));
    QCOMPARE(client()->WriteValue(kS, kC, {}, "$gcv!").code, int(BleNotConnected));
    QCOMPARE(client()->PostValue(kS, kC, "$gcv!").code, int(BleNotConnected));
    QCOMPARE(client()->ReadValue(kS, kC, {}).code, int(BleNotConnected));
    QCOMPARE(client()->Subscribe(kS, kT).code, int(BleNotConnected));
    QCOMPARE(client()->Unsubscribe(kS, kT).code, int(BleNotConnected));
    QCOMPARE(client()->ConnectDevice("5A:45:4C").code, int(BleUnknownId));
    QVERIFY(client()->DisconnectDevice().ok());
    QCOMPARE(client()->Configure("Colour = red").code, int(BleOperationFailed));
    QCOMPARE(client()->Configure("LogLevel 0").code, int(BleOperationFailed));
    QVERIFY(client()->Configure("LogLevel=0").ok());
    QVERIFY(quiet(client()));
    QCOMPARE(log().size(), 0);
}

void QtBleClientTest::lostLink_data()
{
    QTest::addColumn<bool>("radioOff");
    QTest::newRow("gauge drops the link at the third command") << false;
    QTest::newRow("radio switched off") << true;
}

void QtBleClientTest::lostLink()
{
    // the link is lost / one Disconnected "connection lost", no response, no hang
    QFETCH(bool, radioOff);
    QVERIFY(m_f.start({"--disconnect-after", "2"}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    QCOMPARE(m_f.roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
    QCOMPARE(m_f.roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
    log().clear();
    if (radioOff)
        m_f.harness.control("SetPowered", {false});
    else
        QVERIFY(client()->WriteValue(kS, kC, {}, "$gcv!").ok());
    QTRY_COMPARE_WITH_TIMEOUT(log().lines, QStringList{"Disconnected 8|connection lost"},
                              F::kEventWaitMs);
    QVERIFY(quiet(client()));
    QCOMPARE(client()->ReadValue(kS, kC, {}).code, int(BleNotConnected));
    QCOMPARE(client()->ConnectDevice(F::kGaugeId).code, radioOff ? int(BleAdapterOff) : 0);
}

void QtBleClientTest::connectTimeLimit()
{
    // the gauge never resolves its services, the link logic's limit 700 ms / the link gives up:
    // "Bitte wiederholen", one Disconnected 0 and no Error, the stack's connect ended, a new
    // attempt taken
    QTemporaryDir programFolder;
    sharedState().ProgramFolder = programFolder.path();
    fillTextTables();
    QVERIFY(m_f.start({"--never-resolve"}).isEmpty());
    QVERIFY(m_f.scanUntilSeen(F::kGaugeId).isEmpty());
    BleLink link(client(), userDialogs());
    link.setConnectPauseMs(0);
    link.setConnectLimitMs(700);
    link.applyLanguage();
    sharedState().DeviceAddress = F::kGaugeId;
    log().clear();
    QSignalSpy down(&link, &BleLink::linkDown);
    QElapsedTimer clock;
    clock.start();
    link.cmdConnect_click(-1);
    QVERIFY(down.wait(F::kEventWaitMs));
    QVERIFY(clock.elapsed() >= 650);
    QCOMPARE(link.statusText(), QStringLiteral("Bitte wiederholen"));
    QCOMPARE(log().lines, QStringList{"Disconnected 0|"});
    QVERIFY(client()->ConnectDevice(F::kGaugeId).ok()); // idle again: a new attempt is taken
}

void QtBleClientTest::disconnectWhileConnecting()
{
    // DisconnectDevice during an endless connect / one Disconnected 0, no Error later
    QVERIFY(m_f.start({"--never-resolve"}).isEmpty());
    QVERIFY(m_f.scanUntilSeen(F::kGaugeId).isEmpty());
    log().clear();
    QVERIFY(client()->ConnectDevice(F::kGaugeId).ok());
    QVERIFY(client()->DisconnectDevice().ok());
    QTRY_COMPARE_WITH_TIMEOUT(log().lines, QStringList{"Disconnected 0|"}, F::kEventWaitMs);
    QVERIFY(quiet(client()));
}

void QtBleClientTest::unansweredDisconnectEnds()
{
    // the stack never confirms a disconnect / Disconnected 0 after the limit, once, then idle
    QVERIFY(m_f.start({"--ignore-disconnect"}).isEmpty());
    QVERIFY(m_f.connectGauge().isEmpty());
    client()->setDisconnectTimeout(500);
    log().clear();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(client()->DisconnectDevice().ok());
    QTRY_COMPARE_WITH_TIMEOUT(log().lines, QStringList{"Disconnected 0|"}, F::kEventWaitMs);
    QVERIFY(clock.elapsed() >= 450);
    QCOMPARE(client()->ReadValue(kS, kC, {}).code, int(BleNotConnected));
    QVERIFY(quiet(client()));
}

void QtBleClientTest::radioSwitchedOffWhileScanning()
{
    // the adapter is switched off during a scan / Error "Bluetooth is switched off", scan over;
    // switched on again, scanning works again
    QVERIFY(m_f.start({}).isEmpty());
    QVERIFY(client()->StartScanning(QString()).ok());
    QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId), F::kEventWaitMs);
    m_f.harness.control("SetPowered", {false});
    QTRY_COMPARE_WITH_TIMEOUT(log().named("Error"),
                              QStringList{"Error 2|Bluetooth is switched off"}, F::kEventWaitMs);
    QCOMPARE(client()->StartScanning(QString()).code, int(BleAdapterOff));
    m_f.harness.control("SetPowered", {true});
    log().clear();
    QVERIFY(client()->StartScanning(QString()).ok());
    QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId), F::kEventWaitMs);
}

QTEST_GUILESS_MAIN(QtBleClientTest)
#include "tst_qtbleclient.moc"
