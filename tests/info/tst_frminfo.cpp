#include "info/CurveChart.h"
#include "info/InfoTexts.h"
#include "sim/SimRecords.h"
#include "tests/common/InfoWindowFixture.h"
#include "tests/common/RecordBuilder.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QtTest>

namespace
{
const QString Probe = QStringLiteral("probe");
const QString Factory = QStringLiteral("factory");
// Every write first reads the gauge's file for the backup: open, 13 block reads, close.
constexpr int kBackupCommands = 15;

const auto downloadFormat = [](const QByteArray& bytes) -> QByteArray {
    return bytes.toHex().toUpper() + "\r\n";
};

// Answers every question with Yes once it has deleted the window.
struct ClosingDialogs final : UserDialogs {
    QPointer<frmInfo> window;
    QString folder;
    int said = 0;
    QString lastMessage;
    void message(const QString& text) override { ++said, lastMessage = text; }
    bool askYesNo(const QString&, bool) override { return ++said, delete window.data(), true; }
    QString chooseFolder(const QString&, const QString&) override { return folder; }
};
} // namespace

// The information window: layout, the key sequence, identity and table, and the sequences of
// its buttons with their outcome shown.
class FrmInfoTest : public QObject
{
    Q_OBJECT
private slots:
    void loadAndLanguage()
    {
        // window opened / identity command set, 19 x 3 table column 0 of 4000
        // twips; a language switch changes the captions and keeps the values
        InfoWindowFixture f(false);
        QCOMPARE(sharedState().IdentityCommand, QStringLiteral("$naxo00"));
        QTableWidget* g = f.control<QTableWidget>("MSFlexGrid1");
        QCOMPARE(QList<int>({g->rowCount(), g->columnCount(), g->columnWidth(0)}),
                 QList<int>({19, 3, qRound(4000 * f.window->logicalDpiX() / 1440.0)}));
        g->item(0, 0)->setText(Factory);
        g->item(5, 2)->setText(QStringLiteral("12.00"));
        QCOMPARE(f.button("cmdSpeichern")->text() + '|' + f.button("cmdFactory")->text(),
                 QStringLiteral("Dateien herunterladen|Datei factory überschreiben"));
        const QString german =
            f.button("cmdDaten")->text() + f.control<QGroupBox>("frmTInfo")->title();
        sharedState().LanguageIndex = 1;
        f.window->applyLanguage();
        QCOMPARE(f.control<CurveChart>("chartCurves")->chart()->title(), "Characteristic curves");
        f.window->FormatMSFlex();
        QVERIFY(f.button("cmdDaten")->text() + f.control<QGroupBox>("frmTInfo")->title() != german);
        QCOMPARE(f.cell(0, 0) + f.cell(5, 2), QStringLiteral("factory12.00"));
    }

    void unlock_data()
    {
        QTest::addColumn<QList<int>>("keys");   // key codes, or Qt keys for key events
        QTest::addColumn<QList<int>>("native"); // events: the first's virtual key and scan code
        QTest::addColumn<QString>("shown");     // download, upload, factory, restore
        const QList<int> codes; // no events: the key codes straight to the key-down handler
        // clang-format off
        QTest::newRow("at load") << QList<int>{} << codes << "0000";
        QTest::newRow("25 81") << QList<int>{25, 81} << codes << "1100";
        QTest::newRow("25 51") << QList<int>{25, 51} << codes << "0011";
        QTest::newRow("25 81 then 25 51") << QList<int>{25, 81, 25, 51} << codes << "0011";
        QTest::newRow("81 first") << QList<int>{81, 25, 81} << codes << "0000";
        QTest::newRow("other key resets") << QList<int>{81, 65, 25, 81} << codes << "1100";
        QTest::newRow("held modifier") << QList<int>{25, 25, 81} << codes << "0000";
        QTest::newRow("other key hides") << QList<int>{25, 81, 65} << codes << "0000";
        QTest::newRow("Kanji Q") << QList<int>{Qt::Key_Kanji, Qt::Key_Q} << QList<int>{0, 0} << "1100";
        QTest::newRow("Hanja 3") << QList<int>{Qt::Key_Hangul_Hanja, Qt::Key_3} << QList<int>{0, 0} << "0011";
        QTest::newRow("right Ctrl Q, X11") << QList<int>{Qt::Key_Control, Qt::Key_Q} << QList<int>{0xffe4, 105} << "1100";
        QTest::newRow("left Ctrl Q, X11") << QList<int>{Qt::Key_Control, Qt::Key_Q} << QList<int>{0xffe3, 37} << "0000";
        QTest::newRow("right Ctrl 3, console") << QList<int>{Qt::Key_Control, Qt::Key_3} << QList<int>{0, 105} << "0011";
        // clang-format on
    }
    void unlock()
    {
        // keys typed into the Build field / service buttons shown or hidden, Build text kept
        QFETCH(QList<int>, keys);
        QFETCH(QList<int>, native);
        QFETCH(QString, shown);
        InfoWindowFixture f(false);
        f.box("txtBuild")->setText(QStringLiteral("21"));
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const QList<int> codes = i ? QList<int>{} : native;
            QKeyEvent press(QEvent::KeyPress, keys[i], Qt::NoModifier, codes.value(1),
                            codes.value(0), 0);
            if (native.isEmpty())
                f.window->txtBuild_KeyDown(keys[i], 0);
            else
                QCoreApplication::sendEvent(f.box("txtBuild"), &press);
        }
        QCOMPARE(f.box("txtBuild")->text(), QStringLiteral("21"));
        QString visible;
        for (const char* name : {"cmdSpeichern", "cmdEinspielen", "cmdFactory", "cmdRestore"})
            visible += QString::number(!f.button(name)->isHidden());
        QCOMPARE(visible, shown);
    }

    void readButton_data()
    {
        QTest::addColumn<int>("at"); // a refused command, 1: the probe file's open; 0: none;
                                     // -1: no gauge connected
        QTest::newRow("read") << 0;
        QTest::newRow("not connected") << -1;
        QTest::newRow("probe missing") << 1;
    }
    void readButton()
    {
        // "Daten auslesen" / buttons disabled meanwhile; both files read, identity, four log
        // lines, "Bereit"; else one message, the factory file still read where connected, the
        // table kept where nothing was read, no ready text
        QFETCH(int, at);
        InfoWindowFixture f(at >= 0);
        f.sim->gauge.setFault(at, SimFault::StatusError);
        f.control<QTableWidget>("MSFlexGrid1")->item(1, 1)->setText(QStringLiteral("1,00"));
        QSignalSpy busy(f.window, &frmInfo::busyChanged);
        QSet<bool> enabledDuring;
        QObject::connect(&f.sim->client, &BLEClient::WriteResponse, f.window, [&] {
            for (const char* name :
                 {"cmdDaten", "cmdSpeichern", "cmdEinspielen", "cmdFactory", "cmdRestore"})
                enabledDuring << f.button(name)->isEnabled();
        });
        QVERIFY(f.run(&frmInfo::cmdDaten_Click));
        QVERIFY(!enabledDuring.contains(true) && f.button("cmdDaten")->isEnabled());
        QCOMPARE(f.dialogs.messages.size(), int(at != 0));
        QVERIFY(at == 0 || f.dialogs.messages.first().startsWith(
                               at > 0 ? QStringLiteral("Fehler beim Einlesen der Kennlinie\n")
                                      : InfoTexts::notConnected()));
        QCOMPARE(f.sim->transcript().contains(QStringLiteral("$fr?factory!")), at >= 0);
        QCOMPARE(f.cell(1, 1) == QStringLiteral("1,00"), at < 0);
        QTRY_COMPARE(f.trace(), at == 0  ? QStringLiteral("Bereit")
                                : at > 0 ? InfoTexts::failedIndicator()
                                         : QString());
        QCOMPARE(logLines().filter(QStringLiteral("Geraet ")).size(), at >= 0 ? 4 : 0);
        if (at != 0)
            return;
        QCOMPARE(busy.count(), 2);
        QVERIFY(busy.first().first().toBool() && !busy.last().first().toBool());
        const SharedState& s = sharedState();
        QCOMPARE(s.ProbeData, hexOf(SimRecords::defaultProbe()));
        QCOMPARE(s.FactoryData, hexOf(SimRecords::defaultFactory()));
        QStringList identity;
        for (const char* box : {"txtHardware", "txtMac", "txtControler", "txtBuild", "txtRevision"})
            identity << f.box(box)->text();
        QCOMPARE(identity, QStringList({"HW2", "A1B2C3D4E5F6", "1.05", "21", "3"}));
        const QStringList log = logLines();
        const int first = log.indexOf(QStringLiteral("Geraet FactorydatenLänge800"));
        QCOMPARE(log.mid(first, 4),
                 QStringList({"Geraet FactorydatenLänge800", "Geraet Factorydaten" + s.FactoryData,
                              "Geraet ProbedatenLänge800", "Geraet Probedaten" + s.ProbeData}));
    }

    void tableFormats()
    {
        // record read from the gauge / every cell in the user's locale (run in English and German)
        InfoWindowFixture f;
        RecordBuilder r;
        r.f32(276, 1234.5f).f32(280, 2.0f).f32(284, 2.675f).f32(288, -12.345f).f32(292, -0.004f);
        r.f32(304, 1.5f).f32(308, 1e6f).f32(312, -0.125f).f32(316, 999.995f).f32(320, 0.5f);
        r.i16(296, -300).i16(298, -3).i16(300, 12).i16(302, 4660).i16(324, 7).i16(326, 1500);
        r.u8(32, 3).u8(8, 5).i32(4, 305419896).f32(336, 12345678.0f).f32(332, 0.00001f).u8(9, 9);
        r.u8(16, 2).u8(33, 1).u8(23, 1).bytes(18, "454E4700").u8(24, 1).u8(25, 5).u8(26, 30);
        f.sim->gauge.setFile(Factory, r.u8(27, 1).data());
        QVERIFY(f.run(&frmInfo::cmdDaten_Click));
        // The German run names the separator it must get, so a locale that is not taken up fails.
        if (qEnvironmentVariableIsSet("ZV_EXPECT_DECIMAL"))
            QCOMPARE(QLocale::system().decimalPoint(), qEnvironmentVariable("ZV_EXPECT_DECIMAL"));
        // clang-format off
        const QStringList english{"factory|", "1,234.50|1.50", "2.00|1,000,000.00", "2.68|-0.13",
            "-12.35|1,000.00", "0.00|0.50", "-3|7", "12|1500", "-300|", "4660|", "3|5",
            "305419896|1.234568E+07", "1E-05|", "9|2", "|", "1|0", "1|ENG", "1 / 5|30 / 1"};
        // clang-format on
        const bool german = QLocale::system().decimalPoint() == QStringLiteral(",");
        for (int row = 0; row < english.size(); ++row) {
            QString expected = english[row];
            for (QChar& c : expected) // German swaps the decimal and the group separator
                c = !german ? c : c == '.' ? QChar(',') : c == ',' ? QChar('.') : c;
            QCOMPARE(f.cell(row, row == 0 ? 0 : 1) + '|' + (row == 0 ? QString() : f.cell(row, 2)),
                     expected);
        }
    }

    void download_data()
    {
        QTest::addColumn<QString>("before"); // "read", "read, drop": the link dropped after it
        QTest::addColumn<QString>("folder"); // "pc": the PC folder, "": dialog cancelled
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("message"); // the one message starts so; empty: none
        // clang-format off
        QTest::newRow("after a read") << "read" << "pc" << "Bereit" << "";
        QTest::newRow("dialog cancelled") << "read" << "" << "" << "";
        QTest::newRow("nothing read") << "" << "pc" << "Fehler" << "Bitte erst Datei einlesen";
        QTest::newRow("read, then the link dropped") << "read, drop" << "pc" << "Fehler" << "Bitte erst Datei einlesen";
        QTest::newRow("folder missing") << "read" << "pc/missing" << "Fehler" << "75   cmdSpeichern_Click\r";
        // clang-format on
    }
    void download()
    {
        // download / both records in the chosen folder as hex + CR LF, or the reason why not; a
        // dropped link forgets what was read, and the table asks for a read
        QFETCH(QString, before);
        QFETCH(QString, folder);
        QFETCH(QString, trace);
        QFETCH(QString, message);
        InfoWindowFixture f;
        QVERIFY(before.isEmpty() || f.run(&frmInfo::cmdDaten_Click));
        if (before.endsWith("drop")) {
            f.sim->client.DisconnectDevice();
            QTRY_VERIFY(f.sim->dropped);
            QCOMPARE(f.cell(0, 0) + '|' + f.cell(1, 1), messageText(22) + '|');
        }
        f.dialogs.folder = folder.replace(QStringLiteral("pc"), f.pcFolder.path());
        QVERIFY(f.run(&frmInfo::cmdSpeichern_Click));
        QCOMPARE(f.dialogs.messages.size(), int(!message.isEmpty()));
        QVERIFY(message.isEmpty() || f.dialogs.messages.first().startsWith(message));
        const bool saved = before == "read" && folder == f.pcFolder.path();
        QCOMPARE(fileContent(f.pcFolder.filePath(Probe)),
                 saved ? downloadFormat(SimRecords::defaultProbe()) : "<missing>");
        QCOMPARE(fileContent(f.pcFolder.filePath(Factory)),
                 saved ? downloadFormat(SimRecords::defaultFactory()) : "<missing>");
        QTRY_COMPARE(f.trace(), trace);
    }

    void uploadFactoryRestore()
    {
        // a downloaded probe file uploaded, written into "factory", the factory backup restored /
        // each verified, its backup named and listed, "factory" as before in the end
        InfoWindowFixture f;
        QVERIFY(f.run(&frmInfo::cmdDaten_Click));
        f.dialogs.folder = f.pcFolder.path();
        QVERIFY(f.run(&frmInfo::cmdSpeichern_Click));
        f.sim->gauge.setFile(Probe, SimRecords::defaultFactory());
        f.storeRecord(Probe, SimRecords::defaultFactory()); // the upload puts its file there
        f.type({25, 81});
        QVERIFY(f.run(&frmInfo::cmdEinspielen_Click));
        QCOMPARE(f.sim->gauge.file(Probe), SimRecords::defaultProbe());
        QTRY_COMPARE(f.trace(), InfoTexts::verifiedReady(QStringLiteral("Ready")));
        const QString backup = f.box("TraceBox")->toolTip();
        QCOMPARE(f.control<QLabel>("lblBackup")->text(), InfoTexts::backupSavedNote(backup));
        QCOMPARE(fileContent(backup), downloadFormat(SimRecords::defaultFactory()));
        QVERIFY(!f.button("cmdFactory")->isHidden());

        f.sim->gauge.clearTranscript();
        QVERIFY(f.run(&frmInfo::cmdFactory_Click));
        QCOMPARE(f.sim->gauge.file(Factory), SimRecords::defaultProbe());
        QCOMPARE(f.sim->transcript().at(kBackupCommands), QStringLiteral("$rm?factory!\r\n"));
        QTRY_COMPARE(f.trace(), InfoTexts::verifiedReady(QStringLiteral("Bereit")));

        f.type({25, 51});
        QMenu* menu = f.button("cmdRestore")->menu();
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 2);
        const QString factoryBackup = menu->actions().first()->data().toString();
        f.dialogs.answer = true;
        menu->actions().first()->trigger();
        QVERIFY(f.settle());
        QCOMPARE(f.dialogs.questionDefaults, QList<bool>{false});
        QVERIFY(f.dialogs.questions.last().contains(factoryBackup));
        QCOMPARE(f.sim->gauge.file(Factory), SimRecords::defaultFactory());
        QVERIFY(logLines().contains(QStringLiteral("Wiederherstellen factory ") + factoryBackup));
        QTRY_COMPARE(f.trace(), InfoTexts::verifiedReady(QStringLiteral("Bereit")));
        emit menu->aboutToShow(); // the restore took a backup of its own
        QCOMPARE(menu->actions().size(), 3);
    }

    void uploadOutcomes_data()
    {
        QTest::addColumn<QByteArray>("content"); // "<none>": no file, "<cancel>": no folder
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("message"); // the one message holds this; empty: none
        // clang-format off
        QTest::newRow("dialog cancelled") << QByteArray("<cancel>") << "" << "";
        QTest::newRow("no file") << QByteArray("<none>") << "Fehler" << "53   cmdEinspielen_Click\r";
        QTest::newRow("not hex") << QByteArray("00ZZ\r\n") << "Fehler" << "Stelle 3.";
        QTest::newRow("only the line end") << QByteArray("\r\n") << "Fehler" << "keine Daten";
        QTest::newRow("32 bytes, No") << downloadFormat(QByteArray(32, 1)) << "" << "";
        // clang-format on
    }
    void uploadOutcomes()
    {
        // PC file unusable, cancelled, empty or declined / the outcome shown, nothing sent, the
        // probe data as read, the factory button only after success
        QFETCH(QByteArray, content);
        QFETCH(QString, trace);
        QFETCH(QString, message);
        InfoWindowFixture f;
        f.dialogs.folder = content == "<cancel>" ? QString() : f.pcFolder.path();
        QVERIFY(content.startsWith('<') || writeFile(f.pcFolder.filePath(Probe), content));
        f.storeRecord(Probe, "\xA1");
        QVERIFY(f.run(&frmInfo::cmdEinspielen_Click));
        QCOMPARE(f.recordHex(Probe), QStringLiteral("A1"));
        QTRY_COMPARE(f.trace(), trace);
        QCOMPARE(f.dialogs.messages.size(), int(!message.isEmpty()));
        QVERIFY2(message.isEmpty() || f.dialogs.messages.first().contains(message),
                 qPrintable(f.dialogs.messages.join('|')));
        QCOMPARE(f.sim->gauge.commandCount(), 0);
        QCOMPARE(f.button("cmdFactory")->isHidden(), trace != QStringLiteral("Ready"));
        QCOMPARE(f.sim->gauge.openHandleCount(), 0);
    }

    void closedDuringWait_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("at"); // the window closes after this command; 0: at the question
        QTest::addColumn<QByteArray>("data");
        const QByteArray otherGauge = RecordBuilder().i32(4, 99).u8(32, 3).data();
        // clang-format off
        QTest::newRow("read") << "cmdDaten" << 3 << QByteArray();
        QTest::newRow("upload, creating") << "cmdEinspielen" << kBackupCommands + 2 << SimRecords::defaultFactory();
        QTest::newRow("upload, writing") << "cmdEinspielen" << kBackupCommands + 5 << SimRecords::defaultFactory();
        QTest::newRow("factory, size question") << "cmdFactory" << 0 << QByteArray(32, 1);
        QTest::newRow("upload, guard question") << "cmdEinspielen" << 0 << otherGauge;
        // clang-format on
    }
    void closedDuringWait()
    {
        // window closed during a read, a write or a question / the sequence stops, closes its
        // file, writes nothing after a question, no crash; says nothing, unless the gauge's file
        // was changed: then that it is incomplete, its backup and how to restore it (also logged)
        QFETCH(QString, button);
        QFETCH(int, at);
        QFETCH(QByteArray, data);
        InfoWindowFixture f;
        ClosingDialogs dialogs;
        dialogs.window = f.window;
        setUserDialogs(&dialogs);
        writeFile(f.pcFolder.filePath(Probe), downloadFormat(data));
        dialogs.folder = f.pcFolder.path();
        f.storeRecord(Probe, data);
        f.window->show();
        QObject::connect(&f.sim->channel(), &CommandChannel::commandSent, &f.sim->channel(),
                         [&f, at] {
                             if (f.sim->gauge.commandCount() + 1 == at && f.window)
                                 QTimer::singleShot(0, f.window.data(), &QWidget::close);
                         });
        f.window->setAttribute(Qt::WA_DeleteOnClose);
        f.button(button.toLatin1().constData())->click();
        QTRY_VERIFY(f.window.isNull());
        QVERIFY(f.settle());
        const bool incomplete = at > 0 && button == "cmdEinspielen";
        QCOMPARE(dialogs.said, int(at == 0 || incomplete));
        const QString backup =
            QDir(f.programFolder.filePath("backup")).entryList(QDir::Files).value(0, "-");
        for (const QString& part : {backup, QString("unvollständig"), InfoTexts::restoreCaption()})
            QVERIFY2(!incomplete || dialogs.lastMessage.contains(part), qPrintable(part));
        QCOMPARE(logLines().filter("file is incomplete").size(), int(incomplete));
        QCOMPARE(f.sim->gauge.openHandleCount(), 0);
        const QStringList sent = f.sim->transcript();
        QVERIFY(sent.isEmpty() || sent.last().startsWith(QStringLiteral("$fc?")));
        QCOMPARE(sent.size(), at == 0 ? kBackupCommands * int(button == "cmdEinspielen") : at + 1);
        QCOMPARE(f.sim->gauge.file(Factory), SimRecords::defaultFactory());
        setUserDialogs(&f.dialogs);
    }
};

QTEST_MAIN(FrmInfoTest)
#include "tst_frminfo.moc"
