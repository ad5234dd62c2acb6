#include "info/NumberFormat.h"
#include "info/RecordCellTexts.h"
#include "info/RecordDecoder.h"
#include "tests/common/RecordBuilder.h"

#include <QtTest>
#include <limits>

using namespace NumberFormat;
namespace L = RecordLayout;

namespace
{

QLocale locale(const QString& name)
{
    return name == u"de" ? QLocale(QLocale::German, QLocale::Germany)
                         : QLocale(QLocale::English, QLocale::UnitedStates);
}

// A record as the gauge might hold it, decoded.
DeviceRecordValues sampleRecord()
{
    const QString hex = RecordBuilder()
                            .f32(L::FeBlock + L::OffsetVoltage, 1234.5f)
                            .f32(L::FeBlock + L::ProbeScale, 2.0f)
                            .f32(L::FeBlock + L::ValueAir, 2.675f)
                            .f32(L::NfeBlock + L::MaxRange, -0.125f)
                            .i16(L::FeBlock + L::FeDraftLimitCoarse, -12)
                            .i16(L::NfeBlock + L::NfeDraftLimitFine, 1500)
                            .i16(L::FeBlock + L::FeAdcOffset, -300)
                            .i32(L::SerialNumber, 305419896)
                            .f32(L::FoilValue, 12.5f)
                            .u8(L::DeviceType, 3)
                            .bytes(L::LanguageText, "454E4700")
                            .u8(L::BeepSetting, 1)
                            .u8(L::ContrastSetting, 5)
                            .u8(L::SwitchOffTime, 30)
                            .u8(L::UseBleSetting, 1)
                            .hex();
    DeviceRecordValues values;
    decodeRecord(hex, values);
    return values;
}

} // namespace

class TestNumberFormat : public QObject
{
    Q_OBJECT
private slots:
    void fixed2_data();
    void fixed2();
    void integer_data();
    void integer();
    void general_data();
    void general();
    void cellOrder();
    void cellTexts_data();
    void cellTexts();
};

void TestNumberFormat::fixed2_data()
{
    // clang-format off
    QTest::addColumn<QString>("loc");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en 1234.5") << "en" << 1234.5 << "1,234.50";
    QTest::newRow("de 1234.5") << "de" << 1234.5 << "1.234,50";
    QTest::newRow("en 2") << "en" << 2.0 << "2.00";
    QTest::newRow("de 2") << "de" << 2.0 << "2,00";
    QTest::newRow("en 0") << "en" << 0.0 << "0.00";
    QTest::newRow("de -1234.5") << "de" << -1234.5 << "-1.234,50";
    QTest::newRow("en half up") << "en" << 0.125 << "0.13";
    QTest::newRow("en half away negative") << "en" << -0.125 << "-0.13";
    QTest::newRow("en decimal text 2.675") << "en" << 2.675 << "2.68";
    QTest::newRow("en carry 999.995") << "en" << 999.995 << "1,000.00";
    QTest::newRow("en millions") << "en" << 1234567.891 << "1,234,567.89";
    QTest::newRow("de millions") << "de" << 1234567.891 << "1.234.567,89";
    QTest::newRow("en 0.005") << "en" << 0.005 << "0.01";
    QTest::newRow("en negative to zero") << "en" << -0.004 << "0.00";
    QTest::newRow("en negative zero") << "en" << -0.0 << "0.00";
    QTest::newRow("en tiny") << "en" << 1e-10 << "0.00";
    QTest::newRow("en 100") << "en" << 100.0 << "100.00";
    QTest::newRow("en 1e15") << "en" << 1e15 << "1,000,000,000,000,000.00";
    // clang-format on
}

void TestNumberFormat::fixed2()
{
    // value in a locale / "##,##0.00" text, half away from zero, grouped
    QFETCH(QString, loc);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(formatFixed2(value, locale(loc)), expected);
}

void TestNumberFormat::integer_data()
{
    // clang-format off
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << qint64(0) << "0";
    QTest::newRow("negative") << qint64(-32768) << "-32768";
    QTest::newRow("no grouping") << qint64(305419896) << "305419896";
    // clang-format on
}

void TestNumberFormat::integer()
{
    // integer / plain decimal, no grouping
    QFETCH(qint64, value);
    QFETCH(QString, expected);
    QCOMPARE(formatInteger(value), expected);
}

void TestNumberFormat::general_data()
{
    // clang-format off
    QTest::addColumn<QString>("loc");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en 3") << "en" << 3.0f << "3";
    QTest::newRow("en 12.5") << "en" << 12.5f << "12.5";
    QTest::newRow("de 12.5") << "de" << 12.5f << "12,5";
    QTest::newRow("de -2.5") << "de" << -2.5f << "-2,5";
    QTest::newRow("en 0") << "en" << 0.0f << "0";
    QTest::newRow("en -0") << "en" << -0.0f << "0";
    QTest::newRow("en 0.1") << "en" << 0.1f << "0.1";
    QTest::newRow("en third") << "en" << 1.0f / 3.0f << "0.3333333";
    QTest::newRow("en seven digits") << "en" << 1234567.0f << "1234567";
    QTest::newRow("de grouping none") << "de" << 9999.5f << "9999,5";
    QTest::newRow("en eight digits") << "en" << 12345678.0f << "1.234568E+07";
    QTest::newRow("en rounds to 7 digits") << "en" << 1234567.6f << "1234568";
    QTest::newRow("en 0.0001") << "en" << 0.0001f << "0.0001";
    QTest::newRow("en 0.00001") << "en" << 0.00001f << "1E-05";
    QTest::newRow("de small") << "de" << -0.000012345f << "-1,2345E-05";
    // clang-format on
}

void TestNumberFormat::general()
{
    // float in a locale / at most 7 significant digits, no trailing zeros, locale separator
    QFETCH(QString, loc);
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(formatGeneral(value, locale(loc)), expected);
}

void TestNumberFormat::cellOrder()
{
    // any record / top-left first, FE then NFE rows 1-7, then the listed settings cells
    const QList<CellText> cells = recordCellTexts(sampleRecord(), "probe", QLocale::c());
    QList<QPair<int, int>> order;
    for (const CellText& cell : cells)
        order.append({cell.row, cell.column});
    const QList<QPair<int, int>> expected = {
        {0, 0},  {1, 1},  {2, 1},  {3, 1},  {4, 1},  {5, 1},  {6, 1},  {7, 1},  {1, 2},  {2, 2},
        {3, 2},  {4, 2},  {5, 2},  {6, 2},  {7, 2},  {8, 1},  {9, 1},  {10, 1}, {10, 2}, {11, 1},
        {11, 2}, {12, 1}, {13, 1}, {13, 2}, {15, 1}, {15, 2}, {16, 1}, {16, 2}, {17, 1}, {17, 2}};
    QCOMPARE(order, expected);
}

void TestNumberFormat::cellTexts_data()
{
    // clang-format off
    QTest::addColumn<QString>("loc");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");
    QTest::newRow("file name") << "en" << 0 << 0 << "factory";
    QTest::newRow("en offset voltage") << "en" << 1 << 1 << "1,234.50";
    QTest::newRow("de offset voltage") << "de" << 1 << 1 << "1.234,50";
    QTest::newRow("de scale") << "de" << 2 << 1 << "2,00";
    QTest::newRow("float 2.675 rounds up") << "en" << 3 << 1 << "2.68";
    QTest::newRow("nfe max range") << "en" << 5 << 2 << "-0.13";
    QTest::newRow("fe coarse") << "en" << 6 << 1 << "-12";
    QTest::newRow("nfe fine") << "de" << 7 << 2 << "1500";
    QTest::newRow("adc offset") << "en" << 8 << 1 << "-300";
    QTest::newRow("device type") << "en" << 10 << 2 << "3";
    QTest::newRow("serial") << "de" << 11 << 1 << "305419896";
    QTest::newRow("de foil") << "de" << 11 << 2 << "12,5";
    QTest::newRow("memory NUL as 0") << "en" << 15 << 2 << "0";
    QTest::newRow("language") << "en" << 16 << 2 << "ENG";
    QTest::newRow("beep / contrast") << "en" << 17 << 1 << "1 / 5";
    QTest::newRow("switch off / BLE") << "en" << 17 << 2 << "30 / 1";
    // clang-format on
}

void TestNumberFormat::cellTexts()
{
    // record built byte by byte and decoded / the text of one cell in a locale
    QFETCH(QString, loc);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, expected);
    const QList<CellText> cells = recordCellTexts(sampleRecord(), "factory", locale(loc));
    const auto it = std::find_if(cells.begin(), cells.end(), [&](const CellText& c) {
        return c.row == row && c.column == column;
    });
    QVERIFY(it != cells.end());
    QCOMPARE(it->text, expected);
}

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
