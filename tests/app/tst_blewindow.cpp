#include "tests/common/AppHarness.h"
#include "tests/common/FakeBleClient.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "state/SharedState.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace
{
// Enough advertisements for every advertiser to have been heard several times.
constexpr int kAdvertisementsHeard = 8;

bool connectedControlsShown(frmService& w)
{
    return w.cmdConnect->isHidden() && w.cmdInfo->isVisible() && w.cmdReset->isVisible() &&
           w.cmdSuche->isVisible() && w.lstDatei->isVisible() && w.picZV->isVisible();
}

bool idleControlsShown(frmService& w)
{
    return w.cmdConnect->isVisible() && w.cmdInfo->isHidden() && w.cmdReset->isHidden() &&
           w.cmdSuche->isHidden() && w.lstDatei->isHidden() && w.picZV->isHidden();
}

// As the start-up leaves the main window (the information button stays visible).
bool startUpControlsShown(frmService& w)
{
    return w.cmdConnect->isVisible() && w.cmdInfo->isVisible() && w.cmdReset->isHidden() &&
           w.cmdSuche->isHidden() && w.lstDatei->isHidden() && w.picZV->isHidden();
}
} // namespace

class BleWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void listedNames_data();
    void listedNames();
    void entryText_data();
    void entryText();
    void connectTakesAddressFromEntry();
    void reconnectWithoutSelection();
    void connectWithoutSelectionOrEarlierGauge();
    void discoveryOrder_data();
    void discoveryOrder();
    void discoveryTimeOut_data();
    void discoveryTimeOut();
    void failedConnectedEvent();
    void connectNeverCompletes();
    void closeBoxOnlyHides();
    void scanWithoutBluetooth_data();
    void scanWithoutBluetooth();
};

void BleWindowTest::listedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("otherDevice");
    QTest::addColumn<int>("entries");
    QTest::newRow("gauge beside a headset") << "ZE-100" << true << 1;
    QTest::newRow("gauge alone") << "ZE-100" << false << 1;
    QTest::newRow("ZE inside the name") << "XZE7" << true << 1;
    QTest::newRow("lower case ze") << "ze-100" << true << 0;
    QTest::newRow("Ze only") << "Zelvo" << true << 0;
    QTest::newRow("empty name") << "" << true << 0;
}

void BleWindowTest::listedNames()
{
    // repeated advertisements of a gauge (and of a headset) / one entry per name holding "ZE"
    QFETCH(QString, name);
    QFETCH(bool, otherDevice);
    QFETCH(int, entries);
    AppHarness::Setup setup;
    setup.sim.advertiseOtherDevice = otherDevice;
    AppHarness h(setup);
    h.gauge.setName(name);
    QSignalSpy heard(h.client.get(), &BLEClient::Advertisement);
    h.window().cmdConnect_Click();
    h.link().cmdScan->click();
    QTRY_VERIFY(heard.count() >= kAdvertisementsHeard);
    QCOMPARE(h.link().lbDevices->count(), entries);
    QCOMPARE(h.link().cmdScan->text(), QStringLiteral("Stop"));
    QCOMPARE(h.link().txtLog->text(), QStringLiteral("Scanning started..."));
}

void BleWindowTest::entryText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("entry");
    QTest::newRow("plain name") << "ZE-100"
                                << "MAC: 0123456789AB Name: ZE-100       RSSI: -67";
    QTest::newRow("line break forging an entry")
        << "ZE-100\nMAC: FEDCBA987654 Name: ZE-9"
        << "MAC: 0123456789AB Name: ZE-100\\nMAC: FEDCBA987654 Name: ZE-9       RSSI: -67";
    QTest::newRow("terminal escapes")
        << "ZE\x1b[2J\x1b[31m"
        << "MAC: 0123456789AB Name: ZE\\x1B[2J\\x1B[31m       RSSI: -67";
    QTest::newRow("other gauge's address in the name")
        << "ZE FEDCBA987654"
        << "MAC: 0123456789AB Name: ZE FEDCBA987654       RSSI: -67";
}

void BleWindowTest::entryText()
{
    // gauge 0123456789AB advertising this name at -67 dBm, then gauge FEDCBA987654 / one entry
    // each, seven blanks before RSSI, the name's control characters spelled out, each entry
    // leading to its own gauge
    QFETCH(QString, name);
    QFETCH(QString, entry);
    FakeBleClient client;
    RecordingDialogs dialogs;
    BleLink link(&client, dialogs);
    emit client.Advertisement(QStringLiteral("0123456789AB"), name, -67, 0, {}, {}, {}, 0, {}, true,
                              false);
    emit client.Advertisement(QStringLiteral("FEDCBA987654"), QStringLiteral("ZE-200"), -70, 0, {},
                              {}, {}, 0, {}, true, false);
    QCOMPARE(link.deviceEntries().size(), 2);
    QCOMPARE(link.deviceEntries().at(0), entry);
    QCOMPARE(BleLink::serverIdOfEntry(link.deviceEntries().at(0)), QStringLiteral("0123456789AB"));
    QCOMPARE(BleLink::serverIdOfEntry(link.deviceEntries().at(1)), QStringLiteral("FEDCBA987654"));
}

void BleWindowTest::connectTakesAddressFromEntry()
{
    // entry selected, connect clicked / DeviceAddress from the entry, status line names it
    AppHarness h;
    h.gauge.setServerId(QStringLiteral("0123456789AB"));
    QVERIFY(h.scanUntil(1));
    h.link().lbDevices->setCurrentRow(0);
    h.link().cmdConnect->click();
    QCOMPARE(sharedState().DeviceAddress, QStringLiteral("0123456789AB"));
    QCOMPARE(h.link().txtLog->text(), QStringLiteral("Verbinde Gerät mit ID 0123456789AB"));
    QTRY_VERIFY(connectedControlsShown(h.window()));
    QVERIFY(h.link().isHidden());
    QVERIFY(!h.link().cmdScan->isEnabled());
}

void BleWindowTest::reconnectWithoutSelection()
{
    // earlier gauge, list cleared by the disconnect, connect clicked / reconnects without asking
    AppHarness h;
    QVERIFY(h.connectGauge());
    QSignalSpy down(&h.link(), &BLE::linkDown);
    h.link().link()->BLEDisconnect();
    QVERIFY(down.wait());
    QCOMPARE(h.link().lbDevices->count(), 0);
    h.window().cmdConnect_Click();
    QCOMPARE(h.link().selectedRow(), -1);
    h.link().cmdConnect->click();
    QTRY_VERIFY(connectedControlsShown(h.window()));
    QVERIFY(h.dialogs.messages.isEmpty());
}

void BleWindowTest::connectWithoutSelectionOrEarlierGauge()
{
    // nothing selected, no earlier gauge / the selection message, no connect
    AppHarness h;
    h.window().cmdConnect_Click();
    h.link().cmdConnect->click();
    QCOMPARE(h.dialogs.messages, QStringList{"Bitte ein Gerät auswählen\r\n"});
    QVERIFY(!h.client->isConnected());
}

void BleWindowTest::discoveryOrder_data()
{
    QTest::addColumn<bool>("characteristicsFirst");
    QTest::newRow("service first") << false;
    QTest::newRow("characteristics first") << true;
}

void BleWindowTest::discoveryOrder()
{
    // service reported before or after the command characteristic / link ready either way
    QFETCH(bool, characteristicsFirst);
    AppHarness::Setup setup;
    setup.sim.characteristicsFirst = characteristicsFirst;
    AppHarness h(setup);
    QVERIFY(h.connectGauge());
    QCOMPARE(sharedState().ServiceId, SimBleClient::kServiceId);
    QCOMPARE(sharedState().CommandCharId, SimBleClient::kCommandCharId);
    QVERIFY(connectedControlsShown(h.window()));
}

void BleWindowTest::discoveryTimeOut_data()
{
    QTest::addColumn<bool>("afterEarlierLink");
    QTest::newRow("first connection") << false;
    QTest::newRow("reconnect after a complete link") << true;
}

void BleWindowTest::discoveryTimeOut()
{
    // gauge without the command characteristic, English / "Please try again", link dropped,
    // never ready, also when an earlier connection had found the characteristic
    QFETCH(bool, afterEarlierLink);
    AppHarness h;
    h.window().English_Click();
    QSignalSpy down(&h.link(), &BLE::linkDown);
    if (afterEarlierLink) {
        QVERIFY(h.connectGauge());
        h.link().link()->BLEDisconnect();
        QVERIFY(down.wait());
        down.clear();
    }
    h.client->options().omitCommandCharacteristic = true;
    QSignalSpy ready(h.link().link(), &BleLink::linkReady);
    QVERIFY(h.startConnect());
    QVERIFY(down.wait());
    QCOMPARE(ready.count(), 0);
    QCOMPARE(h.link().txtLog->text(), QStringLiteral("Please try again"));
    QCOMPARE(h.link().cmdConnect->text(), QStringLiteral("Connect"));
    QVERIFY(!sharedState().DeviceConnected);
    QVERIFY(!h.client->isConnected());
    QVERIFY(h.link().isVisible());
    QVERIFY(idleControlsShown(h.window()));
}

void BleWindowTest::failedConnectedEvent()
{
    // Connected event with a non-zero status / failure on the status line, stays in link window
    FakeBleClient fake;
    AppHarness::Setup setup;
    setup.client = &fake;
    AppHarness h(setup);
    h.window().cmdConnect_Click();
    emit fake.Advertisement(QStringLiteral("0123456789AB"), QStringLiteral("ZE-1"), -50, 0, {}, {},
                            {}, 0, {}, true, false);
    h.link().lbDevices->setCurrentRow(0);
    h.link().cmdConnect->click();
    emit fake.Connected(13, QStringLiteral("refused"));
    QVERIFY(h.link().isVisible());
    QVERIFY(startUpControlsShown(h.window()));
    QVERIFY(!sharedState().DeviceConnected);
    QVERIFY(h.link().txtLog->text().contains(QStringLiteral("refused")));
    QVERIFY(!fake.calls.contains(QStringLiteral("Discover")));
}

void BleWindowTest::connectNeverCompletes()
{
    // connect that raises no event / given up after the limit, Idle with a status line
    AppHarness::Setup setup;
    setup.sim.neverConnects = true;
    AppHarness h(setup);
    h.link().link()->setConnectLimitMs(30);
    QSignalSpy down(&h.link(), &BLE::linkDown);
    QVERIFY(h.startConnect());
    QVERIFY(down.wait());
    QCOMPARE(h.link().txtLog->text(), QStringLiteral("Bitte wiederholen"));
    QCOMPARE(h.link().cmdConnect->text(), QStringLiteral("Verbinden"));
    QCOMPARE(h.link().cmdScan->text(), QStringLiteral("Scan"));
    QVERIFY(h.link().cmdScan->isEnabled());
    QVERIFY(!sharedState().DeviceConnected);
}

void BleWindowTest::closeBoxOnlyHides()
{
    // link window closed while scanning and while connected / hidden, list and link kept
    AppHarness h;
    h.window().cmdConnect_Click();
    QVERIFY(h.scanUntil(1));
    BLE* window = &h.link();
    window->close();
    QVERIFY(window->isHidden());
    QCOMPARE(h.window().ble(), window);
    QVERIFY(window->lbDevices->count() >= 1);
    QVERIFY(h.connectGauge());
    window->show();
    window->close();
    QVERIFY(window->isHidden());
    QVERIFY(sharedState().DeviceConnected);
    QVERIFY(h.client->isConnected());
}

void BleWindowTest::scanWithoutBluetooth_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<bool>("powered");
    QTest::newRow("no adapter") << false << true;
    QTest::newRow("adapter switched off") << true << false;
}

void BleWindowTest::scanWithoutBluetooth()
{
    // no usable adapter, scan clicked / the request to check the settings, then the cause; "Scan"
    QFETCH(bool, present);
    QFETCH(bool, powered);
    AppHarness::Setup setup;
    setup.sim.adapterPresent = present;
    setup.sim.adapterPowered = powered;
    AppHarness h(setup);
    h.window().cmdConnect_Click();
    h.link().cmdScan->click();
    QCOMPARE(h.dialogs.messages.size(), 1);
    QVERIFY(h.dialogs.messages.first().startsWith(
        "Bitte Bluetooth Einstellungen prüfen, oder Adapter verbinden\r\n"));
    QVERIFY(!h.link().txtLog->text().isEmpty());
    QVERIFY(h.dialogs.messages.first().endsWith(h.link().txtLog->text()));
    QCOMPARE(h.link().cmdScan->text(), QStringLiteral("Scan"));
}

QTEST_MAIN(BleWindowTest)
#include "tst_blewindow.moc"
