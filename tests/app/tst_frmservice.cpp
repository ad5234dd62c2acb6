#include "tests/common/AppHarness.h"
#include "tests/common/FakeBleClient.h"
#include "info/frmInfo.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "service/frmTime.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace
{
enum Language { German, English };

// The caption of a control named as in the caption table of the language switch.
QString captionOf(frmService& w, const QString& control)
{
    BLE* b = w.ble();
    frmInfo* i = w.info();
    frmTime* t = w.timeWindow();
    const QHash<QString, std::function<QString()>> captions = {
        {"mnuEnde", [&] { return w.mnuEnde->text(); }},
        {"mnuLanguage", [&] { return w.mnuLanguage->title(); }},
        {"mnuEnglish", [&] { return w.mnuEnglish->text(); }},
        {"mnuGerman", [&] { return w.mnuGerman->text(); }},
        {"BLE.cmdScan", [&] { return b->cmdScan->text(); }},
        {"BLE.Label1", [&] { return b->Label1->text(); }},
        {"BLE.cmdConnect", [&] { return b->cmdConnect->text(); }},
        {"cmdConnect", [&] { return w.cmdConnect->text(); }},
        {"cmdInfo", [&] { return w.cmdInfo->text(); }},
        {"cmdReset", [&] { return w.cmdReset->text(); }},
        {"cmdSuche", [&] { return w.cmdSuche->text(); }},
        {"cmdTime", [&] { return w.cmdTime->text(); }},
        {"cmdTransfer", [&] { return w.cmdTransfer->text(); }},
        {"frmInfo.frmTInfo", [&] { return i->findChild<QGroupBox*>("frmTInfo")->title(); }},
        {"frmInfo.cmdDaten", [&] { return i->findChild<QPushButton*>("cmdDaten")->text(); }},
        {"frmInfo.cmdSpeichern",
         [&] { return i->findChild<QPushButton*>("cmdSpeichern")->text(); }},
        {"frmInfo.cmdEinspielen",
         [&] { return i->findChild<QPushButton*>("cmdEinspielen")->text(); }},
        {"frmInfo.cmdFactory", [&] { return i->findChild<QPushButton*>("cmdFactory")->text(); }},
        {"frmTime.Frame1", [&] { return t->Frame1->title(); }},
        {"frmTime.cmdAkt", [&] { return t->cmdAkt->text(); }},
    };
    return captions.value(control, [] { return QStringLiteral("<unknown control>"); })();
}

QWidget* controlOf(frmService& w, const QString& name)
{
    return w.findChild<QWidget*>(name);
}
} // namespace

class FrmServiceTest : public QObject
{
    Q_OBJECT
private slots:
    void titleAndCaptions();
    void serviceLogHoldsOneBlankLine();
    void logo_data();
    void logo();
    void visibilityAfterStartUp_data();
    void visibilityAfterStartUp();
    void visibilityOverLink_data();
    void visibilityOverLink();
    void captions_data();
    void captions();
    void checkMarks();
    void startsInGermanAfterEnglishRun();
    void windowsCreatedOnce();
    void linkConnectCaptionAfterSwitchWhileConnected_data();
    void linkConnectCaptionAfterSwitchWhileConnected();
    void cmdTimeWithoutConnection_data();
    void cmdTimeWithoutConnection();
    void cmdInfoWithoutConnection();
    void infoWindowLoadsAfreshAfterClose();
    void cmdConnectWhileConnected();
    void closeWhileConnected();
    void quitWhenDisconnectNeverConfirmed();
};

void FrmServiceTest::titleAndCaptions()
{
    // fresh start / title line with two blanks, main caption the title alone, others with version
    AppHarness h;
    QCOMPARE(h.window().lblPgm->text(), QStringLiteral("ZELVO Service (BLE)  V 1.02"));
    QCOMPARE(h.window().windowTitle(), QStringLiteral("ZELVO Service"));
    QCOMPARE(h.window().ble()->windowTitle(), QStringLiteral("ZELVO Service V 1.02"));
    QCOMPARE(h.window().timeWindow()->windowTitle(), QStringLiteral("ZELVO Service V 1.02"));
    QCOMPARE(h.window().txtLog->text(), QString());
}

void FrmServiceTest::serviceLogHoldsOneBlankLine()
{
    // fresh start / the log beside the program holds one line with a single blank
    AppHarness h;
    QFile log(QDir(h.folder()).filePath(serviceLogFileName()));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray(" \r\n"));
}

void FrmServiceTest::logo_data()
{
    QTest::addColumn<bool>("withLogo");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("logo present") << true << QStringList();
    QTest::newRow("logo missing") << false << QStringList{"Datei NaxoLogo.png fehlt\r\n"};
}

void FrmServiceTest::logo()
{
    // logo file present or missing / the German message exactly once when missing, window opens
    QFETCH(bool, withLogo);
    QFETCH(QStringList, messages);
    AppHarness::Setup setup;
    setup.withLogo = withLogo;
    AppHarness h(setup);
    QCOMPARE(h.dialogs.messages, messages);
    QCOMPARE(h.window().picNaxo->pixmap().isNull(), !withLogo);
    QVERIFY(h.window().isVisible());
    QVERIFY(h.window().picNaxo->isVisible());
}

void FrmServiceTest::visibilityAfterStartUp_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("visible");
    for (const char* c : {"cmdConnect", "cmdTime", "cmdInfo", "txtLog", "lblPgm"})
        QTest::newRow(c) << QString(c) << true;
    for (const char* c : {"cmdSuche", "lstDatei", "cmdTransfer", "cmdReset", "pb1", "picZV"})
        QTest::newRow(c) << QString(c) << false;
    QTest::newRow("picNaxo") << "picNaxo" << true;
    QTest::newRow("txtSpeicher") << "txtSpeicher" << true;
}

void FrmServiceTest::visibilityAfterStartUp()
{
    // fresh start / each control shown or hidden as the start-up leaves it
    QFETCH(QString, control);
    QFETCH(bool, visible);
    AppHarness h;
    frmService& w = h.window();
    const QHash<QString, QWidget*> named = {
        {"picNaxo", w.picNaxo}, {"picZV", w.picZV},          {"txtSpeicher", w.txtSpeicher},
        {"lblPgm", w.lblPgm},   {"lstDatei", w.lstDatei},    {"txtLog", w.txtLog},
        {"pb1", w.pb1},         {"cmdConnect", w.cmdConnect}};
    QWidget* widget = named.value(control, controlOf(w, control));
    QVERIFY(widget);
    QCOMPARE(widget->isVisible(), visible);
}

void FrmServiceTest::visibilityOverLink_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("whileUp");
    QTest::addColumn<bool>("afterDown");
    QTest::newRow("cmdConnect") << "cmdConnect" << false << true;
    QTest::newRow("picZV") << "picZV" << true << false;
    QTest::newRow("cmdSuche") << "cmdSuche" << true << false;
    QTest::newRow("lstDatei") << "lstDatei" << true << false;
    QTest::newRow("cmdInfo") << "cmdInfo" << true << false;
    QTest::newRow("cmdReset") << "cmdReset" << true << false;
    QTest::newRow("cmdTransfer") << "cmdTransfer" << false << false;
    QTest::newRow("pb1") << "pb1" << false << false;
    QTest::newRow("txtLog") << "txtLog" << true << true;
    QTest::newRow("cmdTime") << "cmdTime" << true << true;
}

void FrmServiceTest::visibilityOverLink()
{
    // link comes up, then goes down / the control follows the visibility table
    QFETCH(QString, control);
    QFETCH(bool, whileUp);
    QFETCH(bool, afterDown);
    AppHarness h;
    frmService& w = h.window();
    const QHash<QString, QWidget*> named = {
        {"picZV", w.picZV}, {"lstDatei", w.lstDatei}, {"txtLog", w.txtLog}, {"pb1", w.pb1}};
    QWidget* widget = named.value(control, controlOf(w, control));
    QVERIFY(widget);
    QVERIFY(h.connectGauge());
    QCOMPARE(widget->isVisible(), whileUp);
    QSignalSpy down(h.window().ble(), &BLE::linkDown);
    h.link().link()->BLEDisconnect();
    QVERIFY(down.wait());
    QCOMPARE(widget->isVisible(), afterDown);
}

void FrmServiceTest::captions_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::newRow("Ende") << "mnuEnde"
                          << "Programm beenden"
                          << "Exit Program";
    QTest::newRow("Language") << "mnuLanguage"
                              << "Sprache"
                              << "Language";
    QTest::newRow("English") << "mnuEnglish"
                             << "Englisch"
                             << "English";
    QTest::newRow("German") << "mnuGerman"
                            << "Deutsch"
                            << "German";
    QTest::newRow("BLE cmdScan") << "BLE.cmdScan"
                                 << "Scan"
                                 << "Scan";
    QTest::newRow("BLE Label1") << "BLE.Label1"
                                << "Bluetooth Gerät zum Verbinden auswählen"
                                << "Select bluetooth device to connect";
    QTest::newRow("BLE cmdConnect") << "BLE.cmdConnect"
                                    << "Verbinden"
                                    << "Connect";
    QTest::newRow("cmdConnect") << "cmdConnect"
                                << "Gerät verbinden"
                                << "Connect device";
    QTest::newRow("cmdInfo") << "cmdInfo"
                             << "Technische Information"
                             << "Technical information";
    QTest::newRow("cmdReset") << "cmdReset"
                              << "Reset Gerätespeicher"
                              << "Reset device memory system";
    QTest::newRow("cmdSuche") << "cmdSuche"
                              << "Sprachdateien suchen"
                              << "Search for language file";
    QTest::newRow("cmdTime") << "cmdTime"
                             << "Datum/Zeit aktualisieren"
                             << "Set Date/Time";
    QTest::newRow("cmdTransfer") << "cmdTransfer"
                                 << "Sprachdatei übertragen"
                                 << "Transfer language file";
    QTest::newRow("frmInfo frmTInfo") << "frmInfo.frmTInfo"
                                      << "Technische Information"
                                      << "Technical information";
    QTest::newRow("frmInfo cmdDaten") << "frmInfo.cmdDaten"
                                      << "Daten auslesen"
                                      << "Read data";
    QTest::newRow("frmInfo cmdSpeichern") << "frmInfo.cmdSpeichern"
                                          << "Dateien herunterladen"
                                          << "Write files to computer";
    QTest::newRow("frmInfo cmdEinspielen") << "frmInfo.cmdEinspielen"
                                           << "Datei(probe) einspielen"
                                           << "Transer file(probe) to device";
    QTest::newRow("frmInfo cmdFactory") << "frmInfo.cmdFactory"
                                        << "Datei factory überschreiben"
                                        << "Overwrite file(factory)";
    QTest::newRow("frmTime Frame1") << "frmTime.Frame1"
                                    << "Datum/Zeit aktualisieren"
                                    << "Set Date/Time";
    QTest::newRow("frmTime cmdAkt") << "frmTime.cmdAkt"
                                    << "Aktualisieren"
                                    << "Set";
}

void FrmServiceTest::captions()
{
    // start-up, then English, then German again / the caption follows the language
    QFETCH(QString, control);
    QFETCH(QString, german);
    QFETCH(QString, english);
    AppHarness h;
    QCOMPARE(captionOf(h.window(), control), german);
    h.window().mnuEnglish->trigger();
    QCOMPARE(captionOf(h.window(), control), english);
    h.window().mnuGerman->trigger();
    QCOMPARE(captionOf(h.window(), control), german);
}

void FrmServiceTest::checkMarks()
{
    // start-up, English, English again, German / no mark at start, then only the chosen one
    AppHarness h;
    frmService& w = h.window();
    QVERIFY(!w.mnuEnglish->isChecked() && !w.mnuGerman->isChecked());
    w.mnuEnglish->trigger();
    QVERIFY(w.mnuEnglish->isChecked() && !w.mnuGerman->isChecked());
    w.mnuEnglish->trigger();
    QVERIFY(w.mnuEnglish->isChecked() && !w.mnuGerman->isChecked());
    w.mnuGerman->trigger();
    QVERIFY(!w.mnuEnglish->isChecked() && w.mnuGerman->isChecked());
    QCOMPARE(sharedState().LanguageIndex, int16_t(German));
}

void FrmServiceTest::startsInGermanAfterEnglishRun()
{
    // a run that ended in English, then a new start / German captions, no check mark
    {
        AppHarness first;
        first.window().English_Click();
        first.window().mnuEnd_Click();
        QTRY_VERIFY(first.window().ended());
    }
    AppHarness second;
    QCOMPARE(second.window().cmdConnect->text(), QStringLiteral("Gerät verbinden"));
    QVERIFY(!second.window().mnuEnglish->isChecked());
}

void FrmServiceTest::windowsCreatedOnce()
{
    // start-up, date and time window closed, four language switches / one window of each kind
    AppHarness h;
    frmService& w = h.window();
    BLE* link = w.ble();
    frmInfo* info = w.info();
    QPointer<frmTime> closed = w.timeWindow();
    closed->close();
    QTRY_VERIFY(closed.isNull());
    for (int i = 0; i < 2; ++i) {
        w.English_Click();
        w.German_Click();
    }
    QCOMPARE(w.findChildren<BLE*>().size(), 1);
    QCOMPARE(w.findChildren<frmInfo*>().size(), 1);
    QCOMPARE(w.findChildren<frmTime*>().size(), 1);
    QCOMPARE(w.ble(), link);
    QCOMPARE(w.info(), info);
}

void FrmServiceTest::linkConnectCaptionAfterSwitchWhileConnected_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("caption");
    QTest::newRow("to English") << int(English) << "Connect";
    QTest::newRow("to German") << int(German) << "Verbinden";
}

void FrmServiceTest::linkConnectCaptionAfterSwitchWhileConnected()
{
    // gauge connected, language switched / link window's connect button reads "Connect" anyway
    QFETCH(int, language);
    QFETCH(QString, caption);
    AppHarness h;
    QVERIFY(h.connectGauge());
    QCOMPARE(h.link().cmdConnect->text(), QStringLiteral("Trennen"));
    language == English ? h.window().English_Click() : h.window().German_Click();
    QCOMPARE(h.link().cmdConnect->text(), caption);
    QVERIFY(sharedState().DeviceConnected);
}

void FrmServiceTest::cmdTimeWithoutConnection_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("hint");
    QTest::newRow("German") << int(German) << "Gerät verbinden";
    QTest::newRow("English") << int(English) << "Connect device";
}

void FrmServiceTest::cmdTimeWithoutConnection()
{
    // no gauge connected, date and time clicked / hint on the status line, no window opens
    QFETCH(int, language);
    QFETCH(QString, hint);
    AppHarness h;
    if (language == English)
        h.window().English_Click();
    h.window().cmdTime->click();
    QCOMPARE(h.window().txtLog->text(), hint);
    QVERIFY(!h.window().timeWindow()->isVisible());
}

void FrmServiceTest::cmdInfoWithoutConnection()
{
    // no gauge connected, information clicked / the information window opens as a window
    AppHarness h;
    h.window().cmdInfo->click();
    QVERIFY(h.window().info()->isVisible());
    QVERIFY(h.window().info()->isWindow());
}

void FrmServiceTest::infoWindowLoadsAfreshAfterClose()
{
    // English, service buttons unlocked, window closed and opened again / a new window: load-time
    // frame text, German design captions, buttons hidden; the data read stay in the shared state
    AppHarness h;
    frmService& w = h.window();
    w.English_Click();
    w.cmdInfo->click();
    QPointer<frmInfo> first = w.info();
    QCOMPARE(first->findChild<QGroupBox*>("frmTInfo")->title(),
             QStringLiteral("Technical information"));
    first->txtBuild_KeyDown(25, 0);
    first->txtBuild_KeyDown(81, 0);
    QVERIFY(!first->findChild<QPushButton*>("cmdSpeichern")->isHidden());
    sharedState().ProbeData = QStringLiteral("ABCD");
    first->close();
    QTRY_VERIFY(first.isNull());
    w.cmdInfo->click();
    frmInfo* again = w.info();
    QVERIFY(again && again->isVisible());
    QCOMPARE(again->findChild<QGroupBox*>("frmTInfo")->title(),
             QStringLiteral("Tecnical information"));
    QCOMPARE(again->findChild<QPushButton*>("cmdDaten")->text(), QStringLiteral("Daten auslesen "));
    QVERIFY(again->findChild<QPushButton*>("cmdSpeichern")->isHidden());
    QCOMPARE(sharedState().ProbeData, QStringLiteral("ABCD"));
    QVERIFY(w.cmdTime->isEnabled());
}

void FrmServiceTest::cmdConnectWhileConnected()
{
    // link window hidden after connecting, connect clicked again / the link window stays hidden
    AppHarness h;
    QVERIFY(h.connectGauge());
    h.window().cmdConnect_Click();
    QVERIFY(h.link().isHidden());
}

void FrmServiceTest::closeWhileConnected()
{
    // gauge connected, main window closed / disconnects first, then the program ends
    AppHarness h;
    QVERIFY(h.connectGauge());
    QSignalSpy ended(&h.window(), &frmService::programEnded);
    h.window().close(); // the window closes once the quit sequence has run
    QVERIFY(ended.wait());
    QVERIFY(h.window().close());
    QCOMPARE(ended.count(), 1);
    QVERIFY(!sharedState().DeviceConnected);
    QVERIFY(!h.client->isConnected());
    QVERIFY(!h.window().isVisible());
    QVERIFY(h.link().isHidden());
    QFile log(sharedState().LogFilePath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("disconnected0"));
}

void FrmServiceTest::quitWhenDisconnectNeverConfirmed()
{
    // connected gauge that never confirms the disconnection / the program ends after the limit
    FakeBleClient fake;
    AppHarness::Setup setup;
    setup.client = &fake;
    AppHarness h(setup);
    sharedState().DeviceConnected = true;
    h.window().setQuitWaitLimitMs(50);
    QSignalSpy ended(&h.window(), &frmService::programEnded);
    QElapsedTimer clock;
    clock.start();
    h.window().mnuEnd_Click();
    QVERIFY(ended.wait());
    QVERIFY(fake.calls.contains(QStringLiteral("DisconnectDevice")));
    // Generous: a loaded machine may be slow, but the default limit must not have been waited out
    // twice over.
    QVERIFY(clock.elapsed() < 2 * frmService::kQuitWaitLimitMs);
}

QTEST_MAIN(FrmServiceTest)
#include "tst_frmservice.moc"
