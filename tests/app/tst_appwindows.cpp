#include "info/InfoTexts.h"
#include "info/frmInfo.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "link/CommandChannel.h"
#include "link/GaugeProtocol.h"
#include "link/GaugeSession.h"
#include "service/ServiceTexts.h"
#include "state/ServiceLog.h"
#include "tests/common/AppHarness.h"
#include "tests/common/FakeBleClient.h"
#include "tests/common/TestFiles.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

// Main and link window: start-up, gauge list, connect, discovery time-out, English, quitting.
namespace
{
const QStringList kStartUp{"cmdConnect", "cmdTime", "cmdInfo", "picNaxo"};
const QStringList kConnected{"cmdTime",  "cmdInfo", "cmdReset", "cmdSuche",
                             "lstDatei", "picZV",   "picNaxo"};
const QStringList kIdle{"cmdConnect", "cmdTime", "picNaxo"};
} // namespace

class AppWindowsTest : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data()
    {
        QTest::addColumn<bool>("withLogo");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("logo present") << true << QStringList();
        QTest::newRow("logo missing") << false << QStringList{"Datei NaxoLogo.png fehlt\r\n"};
    }
    void startUp()
    {
        // logo present or missing / titles, fresh log, link controls hidden, missing logo reported
        QFETCH(bool, withLogo);
        AppHarness::Setup setup;
        setup.withLogo = withLogo;
        AppHarness h(setup);
        frmService& w = h.window();
        QCOMPARE(h.control<QLabel>("lblPgm").text(), QStringLiteral("ZELVO Service (BLE)  V 1.02"));
        QCOMPARE(w.ble()->windowTitle(), QStringLiteral("ZELVO Service V 1.02"));
        QCOMPARE(fileContent(QDir(h.folder()).filePath(serviceLogFileName())), " \r\n");
        QTEST(h.dialogs.messages, "messages");
        QCOMPARE(h.control<QLabel>("picNaxo").pixmap().isNull(), !withLogo);
        QCOMPARE(h.shownControls(), kStartUp);
    }

    void entries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("entry"); // empty: not listed
        const QString mac = QStringLiteral("MAC: 0123456789AB Name: ");
        QTest::newRow("ZE inside the name") << "XZE7" << mac + "XZE7       RSSI: -67";
        QTest::newRow("lower case ze") << "ze-100" << QString();
        QTest::newRow("line break forging an entry")
            << "ZE-100\nMAC: FEDCBA987654 Name: ZE-9"
            << mac + "ZE-100\\nMAC: FEDCBA987654 Name: ZE-9       RSSI: -67";
        QTest::newRow("terminal escapes")
            << "ZE\x1b[2J\x1b[31m" << mac + "ZE\\x1B[2J\\x1B[31m       RSSI: -67";
        QTest::newRow("other gauge's address in the name")
            << "ZE FEDCBA987654" << mac + "ZE FEDCBA987654       RSSI: -67";
    }
    void entries()
    {
        // two gauges, the first advertising twice / one entry per "ZE" gauge, controls spelled out
        QFETCH(QString, name);
        QFETCH(QString, entry);
        FakeBleClient client;
        RecordingDialogs dialogs;
        BleLink link(&client, dialogs, sharedState());
        client.advertise(QStringLiteral("0123456789AB"), name);
        client.advertise(QStringLiteral("0123456789AB"), name);
        client.advertise(QStringLiteral("FEDCBA987654"), QStringLiteral("ZE-200"), -70);
        QStringList expected{QStringLiteral("MAC: FEDCBA987654 Name: ZE-200       RSSI: -70")};
        if (!entry.isEmpty())
            expected.prepend(entry);
        QCOMPARE(link.deviceEntries(), expected);
        QCOMPARE(BleLink::serverIdOfEntry(expected.first()),
                 QString(entry.isEmpty() ? "FEDCBA987654" : "0123456789AB"));
        QCOMPARE(BleLink::serverIdOfEntry(QStringLiteral("ZE-1 MAC: 0123456789AB")), QString());
    }

    void connectTakesAddressFromEntry()
    {
        // connect without selection, then scan and select / message; address, status, ready, hidden
        AppHarness h;
        h.gauge.setServerId(QStringLiteral("0123456789AB"));
        h.window().cmdConnect_Click();
        h.link().cmdConnect->click();
        QCOMPARE(h.dialogs.messages, QStringList{"Bitte ein Gerät auswählen\r\n"});
        QVERIFY(h.scanUntil(1));
        QCOMPARE(h.link().cmdScan->text(), QStringLiteral("Stop"));
        QCOMPARE(h.link().txtLog->text(), QStringLiteral("Scanning started..."));
        h.link().lbDevices->setCurrentRow(0);
        h.link().cmdConnect->click();
        QCOMPARE(sharedState().DeviceAddress, QStringLiteral("0123456789AB"));
        QCOMPARE(h.link().txtLog->text(), QStringLiteral("Verbinde Gerät mit ID 0123456789AB"));
        QTRY_COMPARE(h.shownControls(), kConnected);
        QVERIFY(h.link().isHidden() && !h.link().cmdScan->isEnabled());
        QCOMPARE(h.link().cmdConnect->text(), QStringLiteral("Trennen"));
    }

    void languageFileKept_data()
    {
        QTest::addColumn<bool>("reconnect"); // else a switch to English
        QTest::newRow("language switch while connected") << false;
        QTest::newRow("reconnect") << true;
    }
    void languageFileKept()
    {
        // lDE chosen, the files searched again / still chosen and sent; the link window's button
        // still offers to disconnect, in the current language
        QFETCH(bool, reconnect);
        AppHarness h;
        for (const char* name : {"lDE", "lFR"})
            QVERIFY(writeFile(h.folder() + "/lng/" + name, name));
        QVERIFY(h.connectGauge());
        frmService& w = h.window();
        QListWidget& list = h.control<QListWidget>("lstDatei");
        list.setCurrentRow(0);
        w.lstDatei_Click();
        QSignalSpy down(&h.link(), &BLE::linkDown);
        if (reconnect)
            h.link().link()->BLEDisconnect();
        else
            h.control<QAction>("mnuEnglish").trigger();
        QVERIFY(!reconnect || (down.wait() && h.connectGauge()));
        QCOMPARE(list.currentRow(), 0);
        QCOMPARE(h.link().cmdConnect->text(), reconnect ? "Trennen" : "Disconnect");
        w.cmdTransfer_Click();
        QTRY_COMPARE(h.control<QLineEdit>("txtLog").text(), ServiceTexts::transferSucceeded("lDE"));
        QCOMPARE(h.gauge.file("lDE"), QByteArray("lDE"));
    }

    void discoveryTimeOut_data()
    {
        QTest::addColumn<bool>("afterEarlierLink");
        QTest::newRow("first connection") << false;
        QTest::newRow("reconnect after a complete link") << true; // characteristics reported first
    }
    void discoveryTimeOut()
    {
        // no command characteristic, English, first or reconnect / "Please try again", link dropped
        QFETCH(bool, afterEarlierLink);
        AppHarness::Setup setup;
        setup.sim.characteristicsFirst = afterEarlierLink;
        AppHarness h(setup);
        h.control<QAction>("mnuEnglish").trigger();
        QCOMPARE(h.control<QPushButton>("cmdConnect").text(), QStringLiteral("Connect device"));
        QVERIFY(h.control<QAction>("mnuEnglish").isChecked() &&
                !h.control<QAction>("mnuGerman").isChecked());
        QSignalSpy down(&h.link(), &BLE::linkDown);
        if (afterEarlierLink) {
            QVERIFY(h.connectGauge());
            h.link().link()->BLEDisconnect();
            QVERIFY(down.wait());
            QCOMPARE(h.shownControls(), kIdle);
            QVERIFY(h.link().txtLog->text().startsWith(QStringLiteral("Disconnected 0")));
            QVERIFY(logLines().contains(
                h.link().txtLog->text().replace("Disconnected ", "disconnected")));
            QCOMPARE(h.link().lbDevices->count(), 0);
            QVERIFY(h.link().cmdScan->isEnabled());
            down.clear();
        }
        h.client->options().omitCommandCharacteristic = true;
        QSignalSpy ready(h.link().link(), &BleLink::linkReady);
        if (afterEarlierLink) {
            h.window().cmdConnect_Click();
            h.link().cmdConnect->click();
        } else {
            QVERIFY(h.startConnect());
        }
        QVERIFY(down.wait());
        QCOMPARE(ready.count(), 0);
        QCOMPARE(h.link().txtLog->text(), QStringLiteral("Please try again"));
        QCOMPARE(h.link().cmdConnect->text(), QStringLiteral("Connect"));
        QVERIFY(!sharedState().DeviceConnected && !h.client->isConnected());
        QVERIFY(h.link().isVisible() && h.dialogs.messages.isEmpty());
        QCOMPARE(h.shownControls(), kIdle);
    }

    void connectFailsOrNeverCompletes()
    {
        // failed Connected event, then no event at all / status, no discovery, given up after limit
        FakeBleClient fake;
        AppHarness::Setup setup;
        setup.client = &fake;
        AppHarness h(setup);
        h.link().link()->setConnectLimitMs(30);
        h.window().cmdConnect_Click();
        fake.advertise(QStringLiteral("0123456789AB"), QStringLiteral("ZE-1"));
        h.link().lbDevices->setCurrentRow(0);
        h.link().cmdConnect->click();
        emit fake.Connected(13, QStringLiteral("refused"));
        QTest::qWait(60);
        QCOMPARE(h.link().txtLog->text(), QStringLiteral("Bitte wiederholen (13 refused)"));
        QCOMPARE(fake.calls.filter(QRegularExpression("Disc")), QStringList());
        QVERIFY(h.link().isVisible() && !sharedState().DeviceConnected);
        QCOMPARE(h.shownControls(), kStartUp);
        h.link().cmdConnect->click();
        QTRY_COMPARE(fake.calls.filter(QRegularExpression("Disc")),
                     QStringList{"DisconnectDevice"});
        QCOMPARE(h.link().txtLog->text(), QStringLiteral("Bitte wiederholen"));
        QCOMPARE(h.link().cmdConnect->text(), QStringLiteral("Verbinden"));
    }

    void closeWhileConnected()
    {
        // connected, connect again, window closed / link window stays hidden; disconnect, end once
        AppHarness h;
        QVERIFY(h.connectGauge());
        h.window().cmdConnect_Click();
        QVERIFY(h.link().isHidden());
        QSignalSpy ended(&h.window(), &frmService::programEnded);
        h.window().close(); // the window closes once the quit sequence has run
        QVERIFY(ended.wait());
        QVERIFY(h.window().close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(!sharedState().DeviceConnected && !h.client->isConnected());
        QVERIFY(!h.window().isVisible());
    }

    void quitDuringUpload()
    {
        // quit while a chunk is written / the write cancelled, the file closed on the live link,
        // then the disconnect; the technician is told the file is incomplete, and how to restore
        AppHarness h;
        QVERIFY(h.connectGauge());
        QVERIFY(
            writeFile(h.folder() + "/probe", hexOf(h.gauge.file("factory")).toLatin1() + "\r\n"));
        h.dialogs.folder = h.folder();
        const int thirdChunk = h.gauge.commandCount() + 15 + 5; // after the backup read
        CommandChannel& channel = h.link().link()->session()->channel();
        QObject::connect(&channel, &CommandChannel::commandSent, &h.window(), [&] {
            if (h.gauge.commandCount() + 1 == thirdChunk)
                QTimer::singleShot(0, &h.window(), &frmService::mnuEnd_Click);
        });
        QSignalSpy ended(&h.window(), &frmService::programEnded);
        h.window().info()->cmdEinspielen_Click();
        QVERIFY(ended.wait(30000)); // the backup read and the chunks before the quit
        QVERIFY(h.gauge.transcript().last().startsWith("$fc?"));
        QCOMPARE(h.gauge.transcript().size(), thirdChunk + 1);
        QCOMPARE(h.gauge.openHandleCount(), 0);
        QCOMPARE(h.dialogs.messages.size(), 1);
        QVERIFY(h.dialogs.messages[0].contains(InfoTexts::restoreCaption()));
        QVERIFY(!h.client->isConnected());
    }

    void quitWhenDisconnectNeverConfirmed()
    {
        // gauge never confirms the disconnection / program ends after the limit, not the default
        FakeBleClient fake;
        AppHarness::Setup setup;
        setup.client = &fake;
        AppHarness h(setup);
        BleLink& link = *h.link().link();
        QCoro::connect(link.connectTo(QStringLiteral("0123456789AB")), &link, [](const auto&) {});
        emit fake.Connected(0, QString());
        emit fake.Discovered(0, "S", {}, {}, GaugeProtocol::kServiceUuid, {});
        emit fake.Discovered(1, "S", "C", {}, GaugeProtocol::kCommandCharUuid, {});
        QVERIFY(link.session());
        h.window().setQuitWaitLimitMs(50);
        QSignalSpy ended(&h.window(), &frmService::programEnded);
        QElapsedTimer clock;
        clock.start();
        h.window().mnuEnd_Click();
        QVERIFY(ended.wait());
        QVERIFY(fake.calls.contains(QStringLiteral("DisconnectDevice")));
        QVERIFY(clock.elapsed() < 2 * frmService::kQuitWaitLimitMs);
    }
};

QTEST_MAIN(AppWindowsTest)
#include "tst_appwindows.moc"
