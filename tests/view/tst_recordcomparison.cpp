#include "info/CalibrationGrid.h"
#include "info/RecordCellTexts.h"
#include "info/RecordComparison.h"
#include "info/frmInfo.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "tests/common/InfoWindowFixture.h"
#include "tests/common/RecordBuilder.h"

#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <functional>

// Probe against factory: which cells of the calibration table differ, and how the window shows
// them (bold text, the table's shading kept, a choice of the record shown).
namespace
{
using Change = std::function<void(DeviceRecordValues&)>;
using Cells = QList<CellPosition>;

// A record with an ordinary value in every cell.
DeviceRecordValues baseRecord()
{
    DeviceRecordValues v;
    v.SerialNumber = 20261205;
    v.OffsetVoltage = {1.234f, 1.198f};
    v.ProbeScale = {1234.5f, 980.25f};
    v.DraftLimitCoarse = {250, 300};
    v.BeepSetting = 1;
    v.ContrastSetting = 5;
    v.SwitchOffTime = 30;
    v.UseBleSetting = 1;
    v.LanguageText = QStringLiteral("DEU");
    v.MemoryText = QStringLiteral("0");
    return v;
}

QList<CellText> textsOf(const DeviceRecordValues& v, const QString& name = QString())
{
    return recordCellTexts(v, name, QLocale::c());
}

// Hex text of a 400-byte record: serial number, offset voltages, scales and beep as given.
QString recordHex(qint32 serial, float feOffset, float nfeScale, quint8 beep)
{
    RecordBuilder r;
    r.i32(4, serial).u8(24, beep).u8(25, 5).u8(26, 30).u8(27, 1);
    r.f32(276, feOffset).f32(280, 1234.5f).f32(304, 1.198f).f32(308, nfeScale);
    r.f32(332, 0.5f).f32(336, 50.0f);
    return r.hex();
}
} // namespace

Q_DECLARE_METATYPE(Change)

class RecordComparisonTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void differingCells_data();
    void differingCells();
    void cellInOneListOnlyDiffers();
    void windowMarksDifferences_data();
    void windowMarksDifferences();
    void choiceShowsEitherRecord();
    void noMarksWithoutBothRecords();
};

void RecordComparisonTest::init()
{
    resetSharedState();
    fillTextTables();
}

void RecordComparisonTest::differingCells_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<Cells>("expected");
    QTest::newRow("same values") << Change([](DeviceRecordValues&) {}) << Cells{};
    QTest::newRow("serial number")
        << Change([](DeviceRecordValues& v) { v.SerialNumber = 7; }) << Cells{{11, 1}};
    QTest::newRow("NFE scale") << Change([](DeviceRecordValues& v) { v.ProbeScale[1] = 99.0f; })
                               << Cells{{2, 2}};
    QTest::newRow("below the shown decimals")
        << Change([](DeviceRecordValues& v) { v.OffsetVoltage[0] = 1.2341f; }) << Cells{};
    QTest::newRow("beep and language") << Change([](DeviceRecordValues& v) {
        v.BeepSetting = 0;
        v.LanguageText = QStringLiteral("ENG");
    }) << Cells{{16, 2}, {17, 1}};
    QTest::newRow("curve only (no cell)")
        << Change([](DeviceRecordValues& v) { v.CurveTableA[0][3] = 9.0f; }) << Cells{};
}

void RecordComparisonTest::differingCells()
{
    // two records, one field changed / exactly the cells showing that field, in row order
    QFETCH(Change, change);
    QFETCH(Cells, expected);
    DeviceRecordValues other = baseRecord();
    change(other);
    QCOMPARE(RecordComparison::differingCells(textsOf(baseRecord(), QStringLiteral("probe")),
                                              textsOf(other, QStringLiteral("factory"))),
             expected);
}

void RecordComparisonTest::cellInOneListOnlyDiffers()
{
    // a cell that one list lacks / counted as differing, whichever list lacks it
    QList<CellText> full = textsOf(baseRecord());
    QList<CellText> shorter = full;
    shorter.removeIf([](const CellText& c) { return c.row == 12 && c.column == 1; });
    QCOMPARE(RecordComparison::differingCells(full, shorter), (Cells{{12, 1}}));
    QCOMPARE(RecordComparison::differingCells(shorter, full), (Cells{{12, 1}}));
}

void RecordComparisonTest::windowMarksDifferences_data()
{
    QTest::addColumn<QString>("factory");
    QTest::addColumn<Cells>("bold");
    const QString probe = recordHex(111, 1.25f, 980.25f, 1);
    QTest::newRow("equal") << probe << Cells{};
    QTest::newRow("serial") << recordHex(222, 1.25f, 980.25f, 1) << Cells{{11, 1}};
    QTest::newRow("offset and scale") << recordHex(111, 1.5f, 900.0f, 1) << Cells{{1, 1}, {2, 2}};
    QTest::newRow("beep") << recordHex(111, 1.25f, 980.25f, 0) << Cells{{17, 1}};
}

void RecordComparisonTest::windowMarksDifferences()
{
    // probe and factory read / the differing cells bold, the others not, shading unchanged
    QFETCH(QString, factory);
    QFETCH(Cells, bold);
    frmInfo window(nullptr);
    const QTableWidget* grid = control<QTableWidget>(window, "MSFlexGrid1");
    QList<QColor> shading;
    for (int r = 0; r < CalibrationGrid::Rows; ++r)
        for (int c = 0; c < CalibrationGrid::Columns; ++c)
            shading.append(grid->item(r, c)->background().color());
    sharedState().ProbeData = recordHex(111, 1.25f, 980.25f, 1);
    sharedState().FactoryData = factory;
    window.refreshViews();
    int i = 0;
    for (int r = 0; r < CalibrationGrid::Rows; ++r) {
        for (int c = 0; c < CalibrationGrid::Columns; ++c) {
            const QTableWidgetItem* item = grid->item(r, c);
            QCOMPARE(item->font().bold(), bold.contains(CellPosition{r, c}));
            QCOMPARE(item->background().color(), shading.at(i++));
        }
    }
}

void RecordComparisonTest::choiceShowsEitherRecord()
{
    // the choice switched to probe and back / table shows that record's values and name
    frmInfo window(nullptr);
    const QTableWidget* grid = control<QTableWidget>(window, "MSFlexGrid1");
    SharedState& s = sharedState();
    s.ProbeData = recordHex(111, 1.25f, 980.25f, 1);
    s.FactoryData = recordHex(222, 1.25f, 980.25f, 1);
    window.refreshViews();
    QVERIFY(control<QRadioButton>(window, "optFactory")->isChecked());
    control<QRadioButton>(window, "optProbe")->click();
    QCOMPARE(window.shownRecord(), ViewTexts::Record::Probe);
    QCOMPARE(grid->item(0, 0)->text(), s.ProbeFileName);
    QCOMPARE(grid->item(11, 1)->text(), QStringLiteral("111"));
    QVERIFY(grid->item(11, 1)->font().bold());
    control<QRadioButton>(window, "optFactory")->click();
    QCOMPARE(grid->item(0, 0)->text(), s.FactoryFileName);
    QCOMPARE(grid->item(11, 1)->text(), QStringLiteral("222"));
    QVERIFY(grid->item(11, 1)->font().bold());
}

void RecordComparisonTest::noMarksWithoutBothRecords()
{
    // only the factory record known, or a probe record that does not decode / nothing bold,
    // the probe record cannot be chosen
    frmInfo window(nullptr);
    const QTableWidget* grid = control<QTableWidget>(window, "MSFlexGrid1");
    QVERIFY(!control<QRadioButton>(window, "optProbe")->isEnabled());
    QVERIFY(!control<QRadioButton>(window, "optFactory")->isEnabled());
    SharedState& s = sharedState();
    s.FactoryData = recordHex(222, 1.5f, 900.0f, 0);
    for (const QString& probe : {QString(), QStringLiteral("00112233")}) {
        s.ProbeData = probe;
        window.refreshViews();
        QVERIFY(!control<QRadioButton>(window, "optProbe")->isEnabled());
        QVERIFY(control<QRadioButton>(window, "optFactory")->isEnabled());
        for (int r = 1; r < CalibrationGrid::Rows; ++r)
            for (int c = 1; c < CalibrationGrid::Columns; ++c)
                QVERIFY(!grid->item(r, c)->font().bold());
    }
}

QTEST_MAIN(RecordComparisonTest)
#include "tst_recordcomparison.moc"
