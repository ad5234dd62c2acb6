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
const QString kS = F::kServiceUuid;
const QString kC = kS + "/000028CA-0000-1000-8000-00805F9B34FB";
const QString kT = kS + "/CA28ED7B-0662-466F-B41F-0FD548267C10";
const QString kGauge = "Advertisement 5A454C564F01|ZE-100|-67|" + kS + "|89|5a45";

// The event text of a characteristic id: service|characteristic|descriptor|UUID.
QString ids(const QString& characteristic)
{
    return kS + '|' + characteristic + "||" + characteristic.mid(37);
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

    void scanReportsDevices_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("serverId");
        QTest::addColumn<QString>("seen");     // the first advertisement; "" = never reported
        const QString absent = "0011223344AA"; // a gauge the stack saw long ago
        const QString headset = "Advertisement 00A0C9147E21|Kopfhörer ♪|-80||0|";
        // clang-format off
        QTest::newRow("gauge") << QStringList() << "" << F::kGaugeId << kGauge;
        QTest::newRow("not a gauge, UTF-8 name") << QStringList() << "" << "00A0C9147E21" << headset;
        QTest::newRow("filter in lower case hides it") << QStringList() << kS.toLower() << "00A0C9147E21" << "";
        QTest::newRow("remembered gauge that advertises") << QStringList{"--remembered", F::kGaugeId} << kS.toLower() << F::kGaugeId << kGauge;
        QTest::newRow("remembered gauge out of range") << QStringList{"--remembered", absent} << "" << absent << "";
        // clang-format on
    }

    void scanReportsDevices()
    {
        // scan on a radio with a gauge and a headset, the stack knowing some devices from before /
        // StartScan first, then each device heard during the scan with name and RSSI, others never
        QFETCH(QStringList, options);
        QFETCH(QString, filter);
        QFETCH(QString, serverId);
        QVERIFY(m_f.start(options).isEmpty());
        QVERIFY(client()->StartScanning(filter).ok());
        QCOMPARE(log().size(), 0); // nothing inside the call
        // A second sighting of the gauge: everything in range has been heard once since.
        QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId) >= 2, F::kEventWaitMs);
        QCOMPARE(log().lines.first(), "StartScan " + filter);
        QTEST(log().named("Advertisement " + serverId).value(0), "seen");
    }

    void scanKeepsGoingUntilStopped()
    {
        // discovery periods of 300 ms / sightings go on across periods and end with StopScanning
        QVERIFY(m_f.start({}).isEmpty());
        client()->setScanPeriod(300);
        QVERIFY(client()->StartScanning(QString()).ok());
        QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId) >= 5, F::kEventWaitMs);
        log().clear();
        QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId) >= 2, F::kEventWaitMs);
        QVERIFY(client()->StopScanning().ok());
        QSignalSpy more(client(), &BLEClient::Advertisement);
        QVERIFY(!more.wait(800));
        QCOMPARE(log().count("Error"), 0);
    }

    void discoveryReportsServices_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("descriptors");
        QTest::addColumn<QStringList>("found"); // the Discovered events
        const QString gap = "00001800-0000-1000-8000-00805F9B34FB";
        const QString cccd = "00002902-0000-1000-8000-00805F9B34FB";
        const QString c = "Discovered 1|" + ids(kC), t = "Discovered 1|" + ids(kT);
        const QString s = "Discovered 0|" + kS + "|||" + kS;
        const QString d = "Discovered 2|" + kS + '|' + kT + '|' + kT + '/' + cccd + '|' + cccd;
        // clang-format off
        QTest::newRow("gauge service, lower case") << QStringList() << kS.toLower() << false << QStringList{s, c, t};
        QTest::newRow("no filter") << QStringList() << QString() << false << QStringList{"Discovered 0|" + gap + "|||" + gap, s, c, t};
        QTest::newRow("with descriptors") << QStringList() << kS << true << QStringList{s, c, t, d};
        QTest::newRow("no command char") << QStringList{"--no-command-char"} << kS << false << QStringList{s, t};
        // clang-format on
    }

    void discoveryReportsServices()
    {
        // connect and discover with a filter / Connected, the service first, then its details
        QFETCH(QStringList, options);
        QFETCH(QString, filter);
        QFETCH(bool, descriptors);
        QVERIFY(m_f.start(options).isEmpty());
        QVERIFY(client()->Configure(QString("AutoDiscoverDescriptors = %1").arg(descriptors)).ok());
        const QString e = m_f.connectGauge(filter);
        QVERIFY2(e.isEmpty(), qPrintable(e));
        QCOMPARE(log().named("Connected"), QStringList{"Connected 0|"});
        QFETCH(QStringList, found);
        QTRY_COMPARE(log().named("Discovered"), found);
    }

    void commandRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("withResponse");
        QTest::addColumn<bool>("secondLink"); // the client's link before was used and ended
        QTest::newRow("battery") << QByteArray("$gcv!") << true << false;
        QTest::newRow("listing, a long reply") << QByteArray("$ls!\r\n") << true << false;
        QTest::newRow("battery, written without response") << QByteArray("$gcv!") << false << false;
        QTest::newRow("battery, on a second link") << QByteArray("$gcv!") << true << true;
    }

    void commandRoundTrip()
    {
        // one command written, then read back (on the client's first link, or on a new one after
        // a command on the first) / the gauge got each command once, the read has its reply; a
        // WriteResponse only for a write with response; before its discovery the new link
        // refuses the command
        QFETCH(QByteArray, command);
        QFETCH(bool, withResponse);
        QFETCH(bool, secondLink);
        QVERIFY(m_f.startConnected({}).isEmpty());
        if (secondLink) { // the first link's characteristic is not the second's
            QCOMPARE(m_f.roundTrip(command), SimGauge().handleCommand(command).value);
            QVERIFY(client()->DisconnectDevice().ok());
            QVERIFY(m_f.waitForEvent({"Disconnected"}));
            QVERIFY(client()->ConnectDevice(F::kGaugeId).ok());
            QVERIFY(m_f.waitForEvent({"Connected"}));
            QCOMPARE(client()->WriteValue(kS, kC, {}, command).code, int(BleUnknownId));
            QVERIFY(client()->Discover(kS, {}).ok());
            QVERIFY(m_f.waitForEvent({"Discovered 1|" + kS + '|' + kT}));
            log().clear();
        }
        const QByteArray reply = SimGauge().handleCommand(command).value;
        QStringList events{"Value " + ids(kC) + '|' + reply};
        if (withResponse) {
            QCOMPARE(m_f.roundTrip(command), reply);
            events.prepend("WriteResponse " + ids(kC));
        } else {
            QVERIFY(client()->PostValue(kS, kC, command).ok());
            QTRY_COMPARE_WITH_TIMEOUT(m_f.transcript(), QStringList{command}, F::kEventWaitMs);
            QVERIFY(client()->ReadValue(kS, kC, {}).ok());
        }
        QTRY_COMPARE_WITH_TIMEOUT(log().lines, events, F::kEventWaitMs);
        QCOMPARE(m_f.transcript(), QStringList(secondLink ? 2 : 1, QString::fromLatin1(command)));
    }

    void traceNotifications()
    {
        // subscribe to trace, a notification, unsubscribe / Subscribed, the Value, Unsubscribed;
        // a characteristic without notifications cannot be subscribed
        QVERIFY(m_f.startConnected({}).isEmpty());
        QVERIFY(client()->Subscribe(kS, kT).ok());
        QCOMPARE(log().size(), 0);
        const QString tail = kS + '|' + kT + '|' + kT.mid(37);
        // A notification may overtake the confirmation of the subscription: the gauge is told to
        // send only once the subscription has been reported.
        QTRY_COMPARE_WITH_TIMEOUT(log().lines, QStringList{"Subscribed " + tail}, F::kEventWaitMs);
        const QVariantList trace{QByteArray("$dlstate?7!")};
        QVERIFY(QTest::qWaitFor(
            [&] { return m_f.harness.control("SendTrace", trace).value(0).toBool(); },
            F::kEventWaitMs));
        QTRY_COMPARE_WITH_TIMEOUT(log().count("Value"), 1, F::kEventWaitMs);
        QVERIFY(client()->Unsubscribe(kS, kT).ok());
        QTRY_COMPARE_WITH_TIMEOUT(
            log().lines,
            QStringList({"Subscribed " + tail, "Value " + ids(kT) + "|$dlstate?7!",
                         "Unsubscribed " + tail}),
            F::kEventWaitMs);
        QCOMPARE(client()->Subscribe(kS, kC).code, int(BleOperationFailed));
    }

    void disconnects_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("calls");
        QTest::addColumn<int>("limitMs"); // the client's own limit for the stack's confirmation
        QTest::newRow("by the user, twice in a row") << QStringList() << 2 << 0;
        QTest::newRow("while connecting") << QStringList{"--never-resolve"} << 1 << 0;
        QTest::newRow("never confirmed") << QStringList{"--ignore-disconnect"} << 1 << 500;
    }

    void disconnects()
    {
        // DisconnectDevice on a link, or on a connect that never completes / one Disconnected 0
        // (after the limit if the stack never confirms), nothing after it, no link left
        QFETCH(QStringList, options);
        QFETCH(int, calls);
        QFETCH(int, limitMs);
        if (options.contains("--never-resolve")) {
            QVERIFY(m_f.start(options).isEmpty());
            QVERIFY(m_f.scanUntilSeen(F::kGaugeId).isEmpty());
            log().clear();
            QVERIFY(client()->ConnectDevice(F::kGaugeId).ok());
        } else {
            QVERIFY(m_f.startConnected(options).isEmpty());
        }
        if (limitMs)
            client()->setDisconnectTimeout(limitMs);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < calls; ++i)
            QVERIFY(client()->DisconnectDevice().ok());
        QCOMPARE(log().size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(log().lines, QStringList{"Disconnected 0|"}, F::kEventWaitMs);
        QVERIFY(clock.elapsed() >= limitMs * 9 / 10);
        QVERIFY(m_f.quiet());
        QCOMPARE(client()->ReadValue(kS, kC, {}).code, int(BleNotConnected));
    }

    void radioProblemsFailStart_data()
    {
        QTest::addColumn<QStringList>("options"); // none: no bluetoothd at all
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description");
        // clang-format off
        QTest::newRow("no adapter") << QStringList{"--no-adapter"} << int(BleNoAdapter) << "no Bluetooth adapter found";
        QTest::newRow("switched off") << QStringList{"--powered-off"} << int(BleAdapterOff) << "Bluetooth is switched off";
        QTest::newRow("no bluetoothd") << QStringList() << int(BleServiceNotRunning) << "the Bluetooth service is not running";
        // clang-format on
    }

    void radioProblemsFailStart()
    {
        // no adapter, adapter off, no stack / StartScanning and ConnectDevice fail, no event
        QFETCH(QStringList, options);
        QFETCH(int, code);
        if (options.isEmpty()) { // no bluetoothd on the bus
            m_f.client = std::make_unique<QtBleClient>();
            m_f.log = std::make_unique<BleEventLog>(client());
        } else {
            QVERIFY(m_f.start(options).isEmpty());
        }
        const BleResult scan = client()->StartScanning(QString());
        QCOMPARE(scan.code, code);
        QTEST(scan.description, "description");
        QCOMPARE(client()->ConnectDevice(F::kGaugeId).code, code);
        QVERIFY(m_f.quiet());
        QCOMPARE(log().size(), 0);
    }

    void refusedConnects_data()
    {
        QTest::addColumn<QString>("serverId");
        QTest::addColumn<bool>("scanFirst");
        QTest::newRow("device refuses the link") << "00A0C9147E21" << true;
        QTest::newRow("device never seen") << "0A0B0C0D0E0F" << false;
    }

    void refusedConnects()
    {
        // a connect the stack refuses / one Error event, no Connected, and a new connect is
        // accepted
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

    void callsWithoutLinkFail()
    {
        // GATT calls before any link, a malformed ServerId, settings / their codes, no events
        QVERIFY(m_f.start({}).isEmpty());
        const QList<int> codes{client()->Discover(kS, {}).code,
                               client()->WriteValue(kS, kC, {}, "$gcv!").code,
                               client()->PostValue(kS, kC, "$gcv!").code,
                               client()->ReadValue(kS, kC, {}).code,
                               client()->Subscribe(kS, kT).code,
                               client()->Unsubscribe(kS, kT).code,
                               client()->ConnectDevice("5A:45:4C").code,
                               client()->DisconnectDevice().code,
                               client()->Configure("Colour = red").code,
                               client()->Configure("LogLevel 0").code,
                               client()->Configure("LogLevel=0").code};
        const int n = BleNotConnected, f = BleOperationFailed;
        QCOMPARE(codes, (QList<int>{n, n, n, n, n, n, BleUnknownId, 0, f, f, 0}));
        QVERIFY(m_f.quiet());
        QCOMPARE(log().size(), 0);
    }

    void lostLink_data()
    {
        QTest::addColumn<bool>("radioOff");
        QTest::newRow("gauge drops the link at the third command") << false;
        QTest::newRow("radio switched off") << true;
    }

    void lostLink()
    {
        // the link is lost / one Disconnected "connection lost", no response, no hang
        QFETCH(bool, radioOff);
        QVERIFY(m_f.startConnected({"--disconnect-after", "2"}).isEmpty());
        QCOMPARE(m_f.roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
        QCOMPARE(m_f.roundTrip("$gcv!"), QByteArray("$gcv?3710!"));
        log().clear();
        if (radioOff)
            m_f.harness.control("SetPowered", {false});
        else
            QVERIFY(client()->WriteValue(kS, kC, {}, "$gcv!").ok());
        QTRY_COMPARE_WITH_TIMEOUT(log().lines, QStringList{"Disconnected 8|connection lost"},
                                  F::kEventWaitMs);
        QVERIFY(m_f.quiet());
        QCOMPARE(client()->ReadValue(kS, kC, {}).code, int(BleNotConnected));
        QCOMPARE(client()->ConnectDevice(F::kGaugeId).code, radioOff ? int(BleAdapterOff) : 0);
    }

    void connectTimeLimit()
    {
        // the gauge never resolves its services, the link logic's limit 700 ms / the link gives up:
        // "Bitte wiederholen", one Disconnected 0 and no Error, a new attempt taken
        QTemporaryDir programFolder;
        sharedState().ProgramFolder = programFolder.path();
        fillTextTables();
        QVERIFY(m_f.start({"--never-resolve"}).isEmpty());
        QVERIFY(m_f.scanUntilSeen(F::kGaugeId).isEmpty());
        BleLink link(client(), userDialogs(), sharedState());
        link.setConnectPauseMs(0);
        link.setConnectLimitMs(700);
        link.applyLanguage();
        log().clear();
        QSignalSpy down(&link, &BleLink::linkDown);
        QElapsedTimer clock;
        clock.start();
        const auto connected = QCoro::waitFor(link.connectTo(F::kGaugeId));
        QCOMPARE(connected.outcome.failure, DeviceFailure::NoReply);
        QTRY_COMPARE_WITH_TIMEOUT(down.count(), 1, F::kEventWaitMs);
        QVERIFY(clock.elapsed() >= 650);
        QCOMPARE(link.statusText(), QStringLiteral("Bitte wiederholen"));
        QCOMPARE(log().lines, QStringList{"Disconnected 0|"});
        QVERIFY(client()->ConnectDevice(F::kGaugeId).ok()); // idle again: a new attempt is taken
    }

    void radioSwitchedOffWhileScanning()
    {
        // the adapter is switched off during a scan / Error "Bluetooth is switched off", scan over;
        // switched on again, scanning works again
        QVERIFY(m_f.start({}).isEmpty());
        QVERIFY(client()->StartScanning(QString()).ok());
        QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId), F::kEventWaitMs);
        m_f.harness.control("SetPowered", {false});
        QTRY_COMPARE_WITH_TIMEOUT(log().named("Error"),
                                  QStringList{"Error 2|Bluetooth is switched off"},
                                  F::kEventWaitMs);
        QCOMPARE(client()->StartScanning(QString()).code, int(BleAdapterOff));
        m_f.harness.control("SetPowered", {true});
        log().clear();
        QVERIFY(client()->StartScanning(QString()).ok());
        QTRY_VERIFY_WITH_TIMEOUT(log().count("Advertisement " + F::kGaugeId), F::kEventWaitMs);
    }
};

QTEST_GUILESS_MAIN(QtBleClientTest)
#include "tst_qtbleclient.moc"
