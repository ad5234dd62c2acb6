#include "tests/common/InfoWindowFixture.h"
#include "tests/common/RecordBuilder.h"
#include "info/CalibrationGrid.h"
#include "info/InfoTexts.h"
#include "sim/SimRecords.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

Q_DECLARE_METATYPE(SimFault)

class FrmInfoTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setReplyTimeoutMs(0); }
    void cleanup() { setReplyTimeoutMs(0); }
    void loadSteps();
    void captions_data();
    void captions();
    void gridLayout();
    void gridShading_data();
    void gridShading();
    void formatKeepsValues();
    void unlockSequence_data();
    void unlockSequence();
    void unlockByKeyEvents_data();
    void unlockByKeyEvents();
    void readButton();
    void readWhileNotConnected();
    void busyWhileReading();
    void readFaults_data();
    void readFaults();
    void tableFormats_data();
    void tableFormats();
};

void FrmInfoTest::loadSteps()
{
    // window opened / caption, read button, file names, empty FileHex, 19 x 3 table (the service
    // buttons at load: unlockSequence)
    InfoWindowFixture f;
    sharedState().FileHex = QStringLiteral("AB");
    frmInfo w(&f.sim->channel);
    QCOMPARE(w.windowTitle(), QStringLiteral("ZELVO Service V 1.02"));
    QCOMPARE(control<QGroupBox>(w, "frmTInfo")->title(), QStringLiteral("Technische Information"));
    QVERIFY(!control<QPushButton>(w, "cmdDaten")->isHidden());
    QVERIFY(sharedState().FileHex.isEmpty());
    QCOMPARE(sharedState().IdentityCommand, QStringLiteral("$naxo00"));
    QCOMPARE(control<QTableWidget>(w, "MSFlexGrid1")->rowCount(), 19);
    QCOMPARE(control<QTableWidget>(w, "MSFlexGrid1")->columnCount(), 3);
}

void FrmInfoTest::captions_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("German") << 0
                            << QStringList{"Technische Information", "Daten auslesen",
                                           "Dateien herunterladen", "Datei(probe) einspielen",
                                           "Datei factory überschreiben"};
    QTest::newRow("English") << 1
                             << QStringList{
                                    "Technical information", "Read data", "Write files to computer",
                                    "Transer file(probe) to device", "Overwrite file(factory)"};
}

void FrmInfoTest::captions()
{
    // language switch / frame and button captions from the catalogue
    QFETCH(int, language);
    QFETCH(QStringList, captions);
    InfoWindowFixture f;
    sharedState().LanguageIndex = int16_t(language);
    f.window->applyLanguage();
    const QStringList shown{f.control<QGroupBox>("frmTInfo")->title(), f.button("cmdDaten")->text(),
                            f.button("cmdSpeichern")->text(), f.button("cmdEinspielen")->text(),
                            f.button("cmdFactory")->text()};
    QCOMPARE(shown, captions);
}

void FrmInfoTest::gridLayout()
{
    // table laid out / twip sizes at the screen's dpi, header texts, labels byte for byte
    InfoWindowFixture f;
    const QTableWidget* g = f.control<QTableWidget>("MSFlexGrid1");
    const qreal dpi = f.window->logicalDpiX();
    QCOMPARE(g->width(), qRound(8100 * dpi / 1440));
    QCOMPARE(g->height(), qRound(5500 * dpi / 1440));
    QCOMPARE(g->columnWidth(0), qRound(4000 * dpi / 1440));
    QCOMPARE(g->columnWidth(2), qRound(2000 * dpi / 1440));
    QCOMPARE(f.cell(0, 1), QStringLiteral("FE"));
    QCOMPARE(f.cell(0, 2), QStringLiteral("NFE"));
    QCOMPARE(f.cell(0, 0), QString());
    QCOMPARE(f.cell(3, 0), QStringLiteral("Value air "));
    QCOMPARE(f.cell(7, 0), QStringLiteral("Draftlimit_fine "));
    QCOMPARE(f.cell(13, 0), QStringLiteral("Startup-Options  / menuelevel"));
    QCOMPARE(f.cell(14, 0), QStringLiteral("Benutzereinstellungen"));
    QCOMPARE(f.cell(17, 0), QStringLiteral("Beep / Contrast // Switch off time / UseBLE"));
    QCOMPARE(f.cell(18, 0), QString());
    QCOMPARE(sharedState().UserSettingsFirstRow, int16_t(14));
}

void FrmInfoTest::gridShading_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("colour"); // "" = not shaded
    QTest::newRow("header label") << 0 << 0 << "#c0c0c0";
    QTest::newRow("header NFE") << 0 << 2 << "#c0c0c0";
    QTest::newRow("row 1 FE") << 1 << 1 << "#c0c0c0";
    QTest::newRow("row 1 NFE") << 1 << 2 << "#c0c0c0";
    QTest::newRow("row 2 label") << 2 << 0 << "#c0c0c0";
    QTest::newRow("row 2 FE") << 2 << 1 << "";
    QTest::newRow("row 13 NFE") << 13 << 2 << "";
    QTest::newRow("row 13 label") << 13 << 0 << "#c0c0c0";
    QTest::newRow("row 14 label") << 14 << 0 << "#a4a4a4";
    QTest::newRow("row 14 FE") << 14 << 1 << "#a4a4a4";
    QTest::newRow("row 18 NFE") << 18 << 2 << "#a4a4a4";
}

void FrmInfoTest::gridShading()
{
    // shading / light grey header, label column and row 1; dark grey rows 14 to 18
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, colour);
    InfoWindowFixture f;
    const QBrush b = f.control<QTableWidget>("MSFlexGrid1")->item(row, column)->background();
    QCOMPARE(b.style() == Qt::NoBrush ? QString() : b.color().name(), colour);
}

void FrmInfoTest::formatKeepsValues()
{
    // FormatMSFlex again (language switch) / values and top-left cell stay
    InfoWindowFixture f;
    f.control<QTableWidget>("MSFlexGrid1")->item(0, 0)->setText(QStringLiteral("factory"));
    f.control<QTableWidget>("MSFlexGrid1")->item(5, 2)->setText(QStringLiteral("12.00"));
    sharedState().LanguageIndex = 1;
    f.window->applyLanguage();
    f.window->FormatMSFlex();
    QCOMPARE(f.cell(0, 0), QStringLiteral("factory"));
    QCOMPARE(f.cell(5, 2), QStringLiteral("12.00"));
    QCOMPARE(f.cell(14, 0), QStringLiteral("Benutzereinstellungen"));
}

void FrmInfoTest::unlockSequence_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("visible"); // download, upload, factory, restore
    QTest::newRow("at load") << QList<int>{} << "0000";
    QTest::newRow("25 81") << QList<int>{25, 81} << "1100";
    QTest::newRow("25 51") << QList<int>{25, 51} << "0011";
    QTest::newRow("25 81 then 25 51") << QList<int>{25, 81, 25, 51} << "0011";
    QTest::newRow("25 51 then 25 81") << QList<int>{25, 51, 25, 81} << "1100";
    QTest::newRow("81 first") << QList<int>{81, 25, 81} << "0000";
    QTest::newRow("81 first, reset, 25 81") << QList<int>{81, 65, 25, 81} << "1100";
    QTest::newRow("held modifier") << QList<int>{25, 25, 81} << "0000";
    QTest::newRow("held download key") << QList<int>{25, 81, 81} << "1100";
    QTest::newRow("other key hides") << QList<int>{25, 81, 65} << "0000";
    QTest::newRow("shift hides") << QList<int>{25, 51, 16} << "0000";
    QTest::newRow("51 alone") << QList<int>{51} << "0000";
}

void FrmInfoTest::unlockSequence()
{
    // key codes typed into the Build field / buttons shown or hidden, Build text restored
    QFETCH(QList<int>, keys);
    QFETCH(QString, visible);
    InfoWindowFixture f;
    f.box("txtBuild")->setText(QStringLiteral("21"));
    for (int key : keys) {
        f.window->txtBuild_KeyDown(key, 0);
        QCOMPARE(f.box("txtBuild")->text(), QStringLiteral("21"));
    }
    QCOMPARE(f.shownServiceButtons(), visible);
}

void FrmInfoTest::unlockByKeyEvents_data()
{
    QTest::addColumn<QList<int>>("qtKeys");
    QTest::addColumn<QString>("visible");
    QTest::newRow("Kanji Q") << QList<int>{Qt::Key_Kanji, Qt::Key_Q} << "1100";
    QTest::newRow("Hanja 3") << QList<int>{Qt::Key_Hangul_Hanja, Qt::Key_3} << "0011";
    QTest::newRow("Kanji held, Q") << QList<int>{Qt::Key_Kanji, Qt::Key_Kanji, Qt::Key_Q} << "0000";
    QTest::newRow("Kanji Q then A") << QList<int>{Qt::Key_Kanji, Qt::Key_Q, Qt::Key_A} << "0000";
}

void FrmInfoTest::unlockByKeyEvents()
{
    // real key presses on the Build field / mapped to the same codes, field text unchanged
    QFETCH(QList<int>, qtKeys);
    QFETCH(QString, visible);
    InfoWindowFixture f;
    f.box("txtBuild")->setText(QStringLiteral("21"));
    int previous = 0;
    for (int key : qtKeys) {
        // A repeated key comes as an auto-repeat press of the held key.
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), key == previous);
        QCoreApplication::sendEvent(f.box("txtBuild"), &press);
        previous = key;
    }
    QCOMPARE(f.box("txtBuild")->text(), QStringLiteral("21"));
    QCOMPARE(f.shownServiceButtons(), visible);
}

void FrmInfoTest::readButton()
{
    // "Daten auslesen" / both files read, factory shown, identity boxes, four log lines, "Bereit"
    InfoWindowFixture f;
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    const SharedState& s = sharedState();
    const QString probe = QString::fromLatin1(SimRecords::defaultProbe().toHex()).toUpper();
    const QString factory = QString::fromLatin1(SimRecords::defaultFactory().toHex()).toUpper();
    QCOMPARE(s.ProbeData.toUpper(), probe);
    QCOMPARE(s.FactoryData.toUpper(), factory);
    QCOMPARE(s.FileHex.toUpper(), factory);
    QCOMPARE(f.cell(0, 0), QStringLiteral("factory"));
    QCOMPARE(f.box("txtHardware")->text(), QStringLiteral("HW2"));
    QCOMPARE(f.box("txtMac")->text(), QStringLiteral("A1B2C3D4E5F6"));
    QCOMPARE(f.box("txtControler")->text(), QStringLiteral("1.05"));
    QCOMPARE(f.box("txtBuild")->text(), QStringLiteral("21"));
    QCOMPARE(f.box("txtRevision")->text(), QStringLiteral("3"));
    const QStringList log = f.logLines();
    const int first =
        log.indexOf(QStringLiteral("Geraet FactorydatenLänge") + QString::number(factory.size()));
    QVERIFY(first >= 0);
    QCOMPARE(log.mid(first + 1, 3),
             (QStringList{QStringLiteral("Geraet Factorydaten") + s.FactoryData,
                          QStringLiteral("Geraet ProbedatenLänge") + QString::number(probe.size()),
                          QStringLiteral("Geraet Probedaten") + s.ProbeData}));
    QVERIFY(!f.control<QTimer>("TimerTrace")->isActive());
    QTRY_COMPARE(f.box("TraceBox")->text(), QStringLiteral("Bereit"));
    QVERIFY(f.dialogs.messages.isEmpty());
}

void FrmInfoTest::readWhileNotConnected()
{
    // read without a gauge / message that one must be connected, nothing sent, table kept
    InfoWindowFixture f(false);
    f.control<QTableWidget>("MSFlexGrid1")->item(0, 0)->setText(QStringLiteral("probe"));
    f.control<QTableWidget>("MSFlexGrid1")->item(1, 1)->setText(QStringLiteral("1,00"));
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.messages, QStringList{InfoTexts::notConnected()});
    QVERIFY(f.sim->transcript().isEmpty());
    QCOMPARE(f.cell(0, 0), QStringLiteral("probe"));
    QCOMPARE(f.cell(1, 1), QStringLiteral("1,00"));
    QVERIFY(f.box("TraceBox")->text().isEmpty());
}

void FrmInfoTest::busyWhileReading()
{
    // during a read / the four buttons disabled, busyChanged true then false, dots in yellow
    InfoWindowFixture f;
    f.sim->client.options().readLatency = std::chrono::milliseconds(40);
    QSignalSpy busy(f.window, &frmInfo::busyChanged);
    QList<bool> enabledDuring;
    QString traceAtEnd;
    QObject::connect(&f.sim->channel, &CommandChannel::commandSent, f.window, [&] {
        enabledDuring << (f.button("cmdDaten")->isEnabled() ||
                          f.button("cmdFactory")->isEnabled() ||
                          f.button("cmdSpeichern")->isEnabled() ||
                          f.button("cmdEinspielen")->isEnabled());
        traceAtEnd = f.box("TraceBox")->text();
    });
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    QVERIFY(!enabledDuring.isEmpty());
    QVERIFY(!enabledDuring.contains(true));
    QCOMPARE(busy.count(), 2);
    QCOMPARE(busy.at(0).at(0).toBool(), true);
    QCOMPARE(busy.at(1).at(0).toBool(), false);
    QVERIFY(f.button("cmdDaten")->isEnabled());
    QVERIFY2(QRegularExpression(QStringLiteral("^Transfer(\\.\\.)+$")).match(traceAtEnd).hasMatch(),
             qPrintable(traceAtEnd));
    QCOMPARE(f.box("TraceBox")->palette().color(QPalette::Text), QColor(255, 255, 0));
}

void FrmInfoTest::readFaults_data()
{
    // probe: 1 open, 2-14 reads, 15 close, 16 identity; factory from 17 on
    QTest::addColumn<int>("command");
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<bool>("factoryRead");
    QTest::newRow("probe open no reply") << 1 << SimFault::NoReply << true;
    QTest::newRow("probe read link drop") << 6 << SimFault::DropLink << false;
    QTest::newRow("factory open link drop") << 17 << SimFault::DropLink << true;
}

void FrmInfoTest::readFaults()
{
    // a fault during the read / read-failure message, indicator stopped without "Bereit"
    setReplyTimeoutMs(300); // the faults leave replies missing
    QFETCH(int, command);
    QFETCH(SimFault, fault);
    QFETCH(bool, factoryRead);
    InfoWindowFixture f;
    f.sim->gauge.setFault(command, fault);
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().startsWith(
        QStringLiteral("Fehler beim Einlesen der Kennlinie\n")));
    QCOMPARE(f.sim->transcript().contains(QStringLiteral("$fr?factory!")), factoryRead);
    QVERIFY(!f.control<QTimer>("TimerTrace")->isActive());
    QCOMPARE(f.box("TraceBox")->text(), InfoTexts::failedIndicator());
    QVERIFY(f.button("cmdDaten")->isEnabled());
    QCOMPARE(f.logLines().filter(QStringLiteral("Geraet ")).size(), 4);
}

void FrmInfoTest::tableFormats_data()
{
    // Expected texts with English and with German separators.
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("german");
    QTest::newRow("1234.5 fixed") << 1 << 1 << "1,234.50"
                                  << "1.234,50";
    QTest::newRow("2 fixed") << 2 << 1 << "2.00"
                             << "2,00";
    QTest::newRow("0 fixed") << 3 << 2 << "0.00"
                             << "0,00";
    QTest::newRow("negative fixed") << 4 << 2 << "-12.35"
                                    << "-12,35";
    QTest::newRow("negative integer") << 6 << 1 << "-3"
                                      << "-3";
    QTest::newRow("general 12.5") << 12 << 1 << "12.5"
                                  << "12,5";
    QTest::newRow("general 3") << 10 << 2 << "3"
                               << "3";
    QTest::newRow("row 17 FE") << 17 << 1 << "1 / 5"
                               << "1 / 5";
    QTest::newRow("row 17 NFE") << 17 << 2 << "30 / 1"
                                << "30 / 1";
    QTest::newRow("memory zero byte") << 15 << 2 << "0"
                                      << "0";
    QTest::newRow("top-left") << 0 << 0 << "factory"
                              << "factory";
}

void FrmInfoTest::tableFormats()
{
    // record read from the gauge / cells in the user's locale (run with English and German)
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, english);
    QFETCH(QString, german);
    InfoWindowFixture f;
    RecordBuilder record;
    record.f32(276, 1234.5f).f32(280, 2.0f).f32(304 + 8, 0.0f).f32(304 + 12, -12.345f);
    record.i16(276 + 22, -3).f32(332, 12.5f).u8(8, 3).u8(22, 0);
    record.u8(24, 1).u8(25, 5).u8(26, 30).u8(27, 1);
    f.sim->gauge.setFile(QStringLiteral("factory"), QByteArray::fromHex(record.hex().toLatin1()));
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    // The German run names the separator it must get, so a locale that is not taken up fails.
    if (qEnvironmentVariableIsSet("ZV_EXPECT_DECIMAL"))
        QCOMPARE(QLocale::system().decimalPoint(), qEnvironmentVariable("ZV_EXPECT_DECIMAL"));
    const bool germanSeparators = QLocale::system().decimalPoint() == QStringLiteral(",");
    QCOMPARE(f.cell(row, column), germanSeparators ? german : english);
}

QTEST_MAIN(FrmInfoTest)
#include "tst_frminfo.moc"
