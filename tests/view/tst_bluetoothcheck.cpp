#include "link/BLE.h"
#include "link/BluetoothCheck.h"
#include "link/bluetooth/BluezVersion.h"
#include "link/bluetooth/QtBleClient.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "tests/common/FakeBluezHarness.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

// The link window's Bluetooth check: a scan that cannot start names its cause and what to do.
// The causes come from the real Qt Bluetooth back end against a fake bluetoothd on a private
// bus (no adapter, adapter switched off, no bluetoothd at all); a missing permission, which the
// fake cannot play, from a client that refuses the scan with that code.
namespace
{
using Cause = BluetoothCheck::Cause;
constexpr int kCatalogueCheckSettings = 37;

// A client whose every method fails with one code.
class RefusingClient final : public BLEClient
{
public:
    explicit RefusingClient(int code)
        : m_result(BleResult::failure(code, QStringLiteral("refused")))
    {
    }
    BleResult Configure(const QString&) override { return BleResult::success(); }
    BleResult StartScanning(const QString&) override { return m_result; }
    BleResult StopScanning() override { return m_result; }
    BleResult ConnectDevice(const QString&) override { return m_result; }
    BleResult DisconnectDevice() override { return m_result; }
    BleResult Discover(const QString&, const QString&) override { return m_result; }
    BleResult WriteValue(const QString&, const QString&, const QString&, const QByteArray&) override
    {
        return m_result;
    }
    BleResult PostValue(const QString&, const QString&, const QByteArray&) override
    {
        return m_result;
    }
    BleResult ReadValue(const QString&, const QString&, const QString&) override
    {
        return m_result;
    }
    BleResult Subscribe(const QString&, const QString&) override { return m_result; }
    BleResult Unsubscribe(const QString&, const QString&) override { return m_result; }

private:
    BleResult m_result;
};
} // namespace

Q_DECLARE_METATYPE(BluetoothCheck::Cause)

class BluetoothCheckTest : public QObject
{
    Q_OBJECT
private:
    // Clicks Scan in a link window over this client; checks status line and message.
    void scanShowsCause(BLEClient* client, Cause cause);

    FakeBluezHarness m_harness;
    bool m_bus = false;
    RecordingDialogs m_dialogs;

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void causeOfCode_data();
    void causeOfCode();
    void textsInBothLanguages_data();
    void textsInBothLanguages();
    void fakeBluezCause_data();
    void fakeBluezCause();
    void permissionCause();
    void scanThatStartsShowsNoCause();
    void bluezVersionFromDaemon();
};

void BluetoothCheckTest::initTestCase()
{
    if (FakeBluezHarness::daemonProgram().isEmpty())
        return; // the bus tests skip themselves
    m_bus = m_harness.startBus();
    QVERIFY2(m_bus, qPrintable(m_harness.errorText()));
    m_harness.applyToThisProcess();
}

void BluetoothCheckTest::init()
{
    resetSharedState();
    fillTextTables();
    setUserDialogs(&m_dialogs);
    m_dialogs.messages.clear();
}

void BluetoothCheckTest::cleanup()
{
    setUserDialogs(nullptr);
    QVERIFY2(m_harness.stopFake(), qPrintable(m_harness.errorText()));
}

void BluetoothCheckTest::causeOfCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Cause>("cause");
    QTest::newRow("success") << 0 << Cause::None;
    QTest::newRow("no adapter") << int(BleNoAdapter) << Cause::NoAdapter;
    QTest::newRow("switched off") << int(BleAdapterOff) << Cause::AdapterOff;
    QTest::newRow("service") << int(BleServiceNotRunning) << Cause::ServiceNotRunning;
    QTest::newRow("permission") << int(BleNoPermission) << Cause::NoPermission;
    QTest::newRow("other failure") << int(BleOperationFailed) << Cause::Other;
    QTest::newRow("unknown code") << 4711 << Cause::Other;
}

void BluetoothCheckTest::causeOfCode()
{
    // a back end's result code / the cause it stands for
    QFETCH(int, code);
    QFETCH(Cause, cause);
    QCOMPARE(BluetoothCheck::causeOf(BleResult{code, QString()}), cause);
}

void BluetoothCheckTest::textsInBothLanguages_data()
{
    QTest::addColumn<Cause>("cause");
    QTest::newRow("no adapter") << Cause::NoAdapter;
    QTest::newRow("switched off") << Cause::AdapterOff;
    QTest::newRow("service") << Cause::ServiceNotRunning;
    QTest::newRow("permission") << Cause::NoPermission;
}

void BluetoothCheckTest::textsInBothLanguages()
{
    // each of the four causes in German and English / a cause and an advice, differing by language
    QFETCH(Cause, cause);
    QStringList seen;
    for (int16_t language : {int16_t(LanguageGerman), int16_t(LanguageEnglish)}) {
        sharedState().LanguageIndex = language;
        const QString text = BluetoothCheck::causeText(cause);
        const QString advice = BluetoothCheck::adviceText(cause);
        QVERIFY(!text.isEmpty());
        QVERIFY(!advice.isEmpty());
        QVERIFY(!seen.contains(text));
        seen << text;
    }
}

void BluetoothCheckTest::scanShowsCause(BLEClient* client, Cause cause)
{
    BLE window(client);
    window.applyLanguage();
    window.cmdScan->click();
    const QString causeText = BluetoothCheck::causeText(cause);
    QVERIFY2(window.txtLog->text().startsWith(causeText), qPrintable(window.txtLog->text()));
    QVERIFY(window.txtLog->text().contains(BluetoothCheck::adviceText(cause)));
    QCOMPARE(m_dialogs.messages.size(), 1);
    const QStringList lines = m_dialogs.messages.first().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), messageText(kCatalogueCheckSettings));
    QCOMPARE(lines.at(1), window.txtLog->text());
}

void BluetoothCheckTest::fakeBluezCause_data()
{
    QTest::addColumn<bool>("daemon");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("language");
    QTest::addColumn<Cause>("cause");
    const QStringList none;
    const QStringList noAdapter{QStringLiteral("--no-adapter")};
    const QStringList off{QStringLiteral("--powered-off")};
    QTest::newRow("no adapter, de") << true << noAdapter << 0 << Cause::NoAdapter;
    QTest::newRow("no adapter, en") << true << noAdapter << 1 << Cause::NoAdapter;
    QTest::newRow("switched off, de") << true << off << 0 << Cause::AdapterOff;
    QTest::newRow("switched off, en") << true << off << 1 << Cause::AdapterOff;
    QTest::newRow("no bluetoothd, de") << false << none << 0 << Cause::ServiceNotRunning;
    QTest::newRow("no bluetoothd, en") << false << none << 1 << Cause::ServiceNotRunning;
}

void BluetoothCheckTest::fakeBluezCause()
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

void BluetoothCheckTest::permissionCause()
{
    // a back end refusing the scan for lack of permission / that cause and its remedy
    RefusingClient client(BleNoPermission);
    scanShowsCause(&client, Cause::NoPermission);
}

void BluetoothCheckTest::scanThatStartsShowsNoCause()
{
    // a scan that starts (simulated gauge) / no message, the status line says scanning
    SimSession sim;
    setUserDialogs(&m_dialogs);
    BLE window(&sim.client);
    window.cmdScan->click();
    QTRY_COMPARE(window.txtLog->text(), QStringLiteral("Scanning started..."));
    QVERIFY(m_dialogs.messages.isEmpty());
}

void BluetoothCheckTest::bluezVersionFromDaemon()
{
    // the daemon owning org.bluez asked for its version / its answer; none without a daemon
    if (!m_bus)
        QSKIP("dbus-daemon is missing (package dbus-daemon); no private bus");
    QCOMPARE(BluezVersion::query(), QString());
    QVERIFY2(m_harness.startFake({}), qPrintable(m_harness.errorText()));
    QCOMPARE(BluezVersion::query(), QStringLiteral("5.66"));
}

QTEST_MAIN(BluetoothCheckTest)
#include "tst_bluetoothcheck.moc"
