#include "link/BLE.h"
#include "link/BluetoothCheck.h"
#include "link/bluetooth/QtBleClient.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "tests/common/FakeBleClient.h"
#include "tests/common/FakeBluezHarness.h"
#include "tests/common/RecordingDialogs.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// A scan that cannot start names its cause and remedy: causes from the real Qt Bluetooth back end
// against a fake bluetoothd on a private bus; a missing permission from a refusing client.
using Cause = BluetoothCheck::Cause;
Q_DECLARE_METATYPE(BluetoothCheck::Cause)

class BluetoothCheckTest : public QObject
{
    Q_OBJECT
    FakeBluezHarness m_harness;
    bool m_bus = false;
    RecordingDialogs m_dialogs;

    // Clicks Scan in a link window over this client; checks status line and message.
    void scanShowsCause(BLEClient* client, Cause cause)
    {
        BLE window(client);
        window.applyLanguage();
        window.cmdScan->click();
        const QString explained =
            BluetoothCheck::causeText(cause) + QLatin1Char(' ') + BluetoothCheck::adviceText(cause);
        QCOMPARE(window.txtLog->text(), explained);
        QCOMPARE(m_dialogs.messages, QStringList{messageText(37) + "\r\n" + explained});
    }

private slots:
    void initTestCase()
    {
        if (FakeBluezHarness::daemonProgram().isEmpty())
            return; // the bus tests skip themselves
        m_bus = m_harness.startBus();
        QVERIFY2(m_bus, qPrintable(m_harness.errorText()));
        m_harness.applyToThisProcess();
    }
    void init()
    {
        resetSharedState();
        fillTextTables();
        setUserDialogs(&m_dialogs);
        m_dialogs.messages.clear();
    }
    void cleanup()
    {
        setUserDialogs(nullptr);
        QVERIFY2(m_harness.stopFake(), qPrintable(m_harness.errorText()));
    }
    void fakeBluezCause_data()
    {
        QTest::addColumn<bool>("daemon");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("language");
        QTest::addColumn<Cause>("cause");
        QTest::newRow("no adapter, de")
            << true << QStringList{"--no-adapter"} << 0 << Cause::NoAdapter;
        QTest::newRow("switched off, en")
            << true << QStringList{"--powered-off"} << 1 << Cause::AdapterOff;
        QTest::newRow("no bluetoothd, de")
            << false << QStringList() << 0 << Cause::ServiceNotRunning;
    }
    void fakeBluezCause()
    {
        // Scan with BlueZ in that state / status line and second message line name cause and remedy
        QFETCH(bool, daemon);
        QFETCH(QStringList, options);
        QFETCH(int, language);
        QFETCH(Cause, cause);
        if (!m_bus)
            QSKIP("dbus-daemon is missing (package dbus-daemon); no private bus");
        if (daemon)
            QVERIFY2(m_harness.startFake(options), qPrintable(m_harness.errorText()));
        sharedState().LanguageIndex = int16_t(language);
        QtBleClient client;
        scanShowsCause(&client, cause);
    }
    void permissionCause()
    {
        // refused for lack of permission, English / cause and remedy; other failure, success
        QCOMPARE(BluetoothCheck::explain(BleResult{BleOperationFailed, QStringLiteral("d7")}),
                 BluetoothCheck::causeText(Cause::Other) + " d7");
        QCOMPARE(BluetoothCheck::explain(BleResult{0, QStringLiteral("d7")}), QString());
        FakeBleClient client;
        client.failWith = BleNoPermission;
        sharedState().LanguageIndex = LanguageEnglish;
        scanShowsCause(&client, Cause::NoPermission);
        QVERIFY(
            m_dialogs.messages.first().startsWith("Please check bluetooth settings or connect "
                                                  "dongle\r\nNo permission to use Bluetooth. "));
    }
};

QTEST_MAIN(BluetoothCheckTest)
#include "tst_bluetoothcheck.moc"
