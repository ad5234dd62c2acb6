#include "info/RecordCodec.h"
#include "info/RecordDecoder.h"
#include "tests/common/RecordBuilder.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <cstring>

namespace L = RecordLayout;

namespace
{

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The decoded field a test row names, as a variant.
QVariant field(const DeviceRecordValues& v, const QString& name)
{
    const QHash<QString, QVariant> all = {
        {"HeaderWord", v.HeaderWord},
        {"SerialNumber", v.SerialNumber},
        {"DeviceType", v.DeviceType},
        {"HeaderText", v.HeaderText},
        {"LanguageText", v.LanguageText},
        {"MemoryText", v.MemoryText},
        {"UnitsSetting", v.UnitsSetting},
        {"CurveTableA0.1", v.CurveTableA[0][0]},
        {"CurveTableB1.15", v.CurveTableB[1][14]},
        {"MaxRange1", v.MaxRange[1]},
        {"FeAdcOffset", v.FeAdcOffset},
        {"DraftLimitCoarse0", v.DraftLimitCoarse[0]},
        {"DraftLimitFine1", v.DraftLimitFine[1]},
        {"FeTemperatureCorrection", v.FeTemperatureCorrection},
        {"ZeroTolerance", v.ZeroTolerance},
    };
    return all.value(name);
}

} // namespace

class TestRecordCodec : public QObject
{
    Q_OBJECT
private slots:
    void longToSingle_data();
    void longToSingle();
    void hexToValue_data();
    void hexToValue();
    void hexToLong_data();
    void hexToLong();
    void hexToText_data();
    void hexToText();
    void decodeField_data();
    void decodeField();
    void recordLength_data();
    void recordLength();
    void failureKeepsEarlierFields_data();
    void failureKeepsEarlierFields();
    void clearRecordValues();
    void decodeIsTotal();
};

void TestRecordCodec::longToSingle_data()
{
    // clang-format off
    QTest::addColumn<quint32>("bits");
    QTest::addColumn<float>("expected");
    QTest::newRow("two") << 0x40000000u << 2.0f;
    QTest::newRow("minus one") << 0xBF800000u << -1.0f;
    QTest::newRow("zero") << 0u << 0.0f;
    // clang-format on
}

void TestRecordCodec::longToSingle()
{
    // 32 bits as integer / the float with the same bits
    QFETCH(quint32, bits);
    QFETCH(float, expected);
    QCOMPARE(RecordCodec::LongToSingle(qint32(bits)), expected);
}

void TestRecordCodec::hexToValue_data()
{
    // clang-format off
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<float>("expected");
    QTest::newRow("float 2.0") << "00000040" << "F" << true << 2.0f;
    QTest::newRow("float -1.5 lower") << "0000c0bf" << "F" << true << -1.5f;
    QTest::newRow("16-bit FFFF") << "FFFF" << "" << true << -1.0f;
    QTest::newRow("16-bit 3412") << "3412" << "" << true << 4660.0f;
    QTest::newRow("8-bit FF") << "FF" << "" << true << 255.0f;
    QTest::newRow("00FF reversed") << "00FF" << "" << true << -256.0f;
    QTest::newRow("lower case") << "abcd" << "" << true << float(qint16(0xCDAB));
    QTest::newRow("one digit") << "A" << "" << true << 10.0f;
    QTest::newRow("three digits") << "ABC" << "" << true << float(0xCAB);
    QTest::newRow("five digits drop last") << "1234Z" << "" << true << float(0x3412);
    QTest::newRow("32-bit too big") << "00000100" << "" << false << 0.0f;
    QTest::newRow("32-bit fits") << "FFFFFFFF" << "" << true << -1.0f;
    QTest::newRow("kind is case-sensitive") << "00000040" << "f" << false << 0.0f;
    QTest::newRow("empty") << "" << "F" << false << 0.0f;
    QTest::newRow("non-hex") << "G0" << "" << false << 0.0f;
    QTest::newRow("blank") << " 1" << "" << false << 0.0f;
    QTest::newRow("ten digits") << "0000000000" << "F" << false << 0.0f;
    // clang-format on
}

void TestRecordCodec::hexToValue()
{
    // little-endian hex text and kind / the number, or nullopt when malformed
    QFETCH(QString, hex);
    QFETCH(QString, kind);
    QFETCH(bool, valid);
    QFETCH(float, expected);
    const auto value = RecordCodec::HexToValue(hex, kind);
    QCOMPARE(value.has_value(), valid);
    if (valid)
        QCOMPARE(*value, expected);
}

void TestRecordCodec::hexToLong_data()
{
    // clang-format off
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("serial") << "78563412" << true << 305419896;
    QTest::newRow("16-bit sign-extended") << "FFFF" << true << -1;
    QTest::newRow("16-bit min") << "0080" << true << -32768;
    QTest::newRow("32-bit 32768") << "00800000" << true << 32768;
    QTest::newRow("32-bit min") << "00000080" << true << qint32(0x80000000u);
    QTest::newRow("seven digits") << "1234567" << true << 0x07563412;
    QTest::newRow("nine digits drop last") << "12345678Z" << true << 0x78563412;
    QTest::newRow("ten digits") << "1234567890" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blank inside") << "12 4" << false << 0;
    // clang-format on
}

void TestRecordCodec::hexToLong()
{
    // little-endian hex text / signed 32-bit value, or nullopt when malformed
    QFETCH(QString, hex);
    QFETCH(bool, valid);
    QFETCH(qint32, expected);
    const auto value = RecordCodec::HexToLong(hex);
    QCOMPARE(value.has_value(), valid);
    if (valid)
        QCOMPARE(*value, expected);
}

void TestRecordCodec::hexToText_data()
{
    // clang-format off
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stored order") << "414243444546" << true << "ABCDEF";
    QTest::newRow("NUL kept") << "44455500" << true << QString::fromUtf16(u"DEU\0", 4);
    QTest::newRow("odd leftover first") << "414" << true << QString::fromUtf16(u"\x04\x14", 2);
    QTest::newRow("lower case") << "6162" << true << "ab";
    QTest::newRow("euro sign") << "80" << true << QString(QChar(0x20AC));
    QTest::newRow("unassigned 81") << "81" << true << QString(QChar(0x81));
    QTest::newRow("Y diaeresis") << "9F" << true << QString(QChar(0x178));
    QTest::newRow("a umlaut") << "E4" << true << QString(QChar(0xE4));
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("non-hex") << "414G" << false << "";
    // clang-format on
}

void TestRecordCodec::hexToText()
{
    // hex text / one character per byte in stored order (Windows-1252), nullopt when malformed
    QFETCH(QString, hex);
    QFETCH(bool, valid);
    QFETCH(QString, expected);
    const auto text = RecordCodec::HexToText(hex);
    QCOMPARE(text.has_value(), valid);
    if (valid)
        QCOMPARE(*text, expected);
}

void TestRecordCodec::decodeField_data()
{
    // clang-format off
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("float") << 332 << QByteArray("00000040") << "ZeroTolerance" << QVariant(2.0f);
    QTest::newRow("16-bit -1") << 298 << QByteArray("FFFF") << "DraftLimitCoarse0" << QVariant(qint16(-1));
    QTest::newRow("16-bit 4660") << 302 << QByteArray("3412") << "FeTemperatureCorrection" << QVariant(qint16(4660));
    QTest::newRow("adc offset") << 296 << QByteArray("FFFF") << "FeAdcOffset" << QVariant(qint32(-1));
    QTest::newRow("nfe fine") << 326 << QByteArray("0080") << "DraftLimitFine1" << QVariant(qint16(-32768));
    QTest::newRow("header word") << 2 << QByteArray("FFFF") << "HeaderWord" << QVariant(qint32(-1));
    QTest::newRow("serial") << 4 << QByteArray("78563412") << "SerialNumber" << QVariant(qint32(305419896));
    QTest::newRow("device type") << 8 << QByteArray("FF") << "DeviceType" << QVariant(255.0f);
    QTest::newRow("units") << 23 << QByteArray("80") << "UnitsSetting" << QVariant(qint16(128));
    QTest::newRow("header text") << 10 << QByteArray("414243444546") << "HeaderText" << QVariant("ABCDEF");
    QTest::newRow("language") << 18 << QByteArray("44455500") << "LanguageText" << QVariant("DEU");
    QTest::newRow("memory zero") << 22 << QByteArray("00") << "MemoryText" << QVariant("0");
    QTest::newRow("memory A") << 22 << QByteArray("41") << "MemoryText" << QVariant("A");
    QTest::newRow("curve A FE 1") << 36 << QByteArray("0000803F") << "CurveTableA0.1" << QVariant(1.0f);
    QTest::newRow("curve B NFE 15") << 272 << QByteArray("000080BF") << "CurveTableB1.15" << QVariant(-1.0f);
    QTest::newRow("nfe max range") << 320 << QByteArray("00002041") << "MaxRange1" << QVariant(10.0f);
    // clang-format on
}

void TestRecordCodec::decodeField()
{
    // 400-byte record with one field's bytes set / that field decoded, the decode ok
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QVariant, expected);
    DeviceRecordValues values;
    const QString hex = RecordBuilder().bytes(offset, bytes).hex();
    QVERIFY(decodeRecord(hex, values));
    QCOMPARE(field(values, name), expected);
    QVERIFY(decodeRecord(hex.toLower(), values)); // both cases of digits
    QCOMPARE(field(values, name), expected);
}

void TestRecordCodec::recordLength_data()
{
    // clang-format off
    QTest::addColumn<int>("chars");
    QTest::addColumn<QString>("failedField");
    QTest::addColumn<quint32>("foilBits");
    QTest::newRow("empty") << 0 << "HeaderByteA" << 0u;
    QTest::newRow("10 bytes") << 20 << "HeaderText" << 0u;
    QTest::newRow("336 bytes") << 672 << "FoilValue" << 0u;
    QTest::newRow("336 bytes + 1 digit") << 673 << "" << 0x1u;
    QTest::newRow("337 bytes") << 674 << "" << 0x11u;
    QTest::newRow("338 bytes") << 676 << "" << 0x0211u;
    QTest::newRow("339 bytes") << 678 << "" << 0x030211u;
    QTest::newRow("339 bytes + 1 digit") << 679 << "" << 0x04030211u;
    QTest::newRow("340 bytes") << 680 << "" << 0x40030211u;
    // clang-format on
}

void TestRecordCodec::recordLength()
{
    // record text cut after n characters / fails at the first missing field, else foil from digits
    // present
    QFETCH(int, chars);
    QFETCH(QString, failedField);
    QFETCH(quint32, foilBits);
    const QString hex = RecordBuilder().bytes(L::FoilValue, "11020340").hex().left(chars);
    DeviceRecordValues values;
    const RecordDecodeResult result = decodeRecord(hex, values);
    QCOMPARE(result.ok, failedField.isEmpty());
    QCOMPARE(QString::fromLatin1(result.failedField), failedField);
    if (result.ok)
        QCOMPARE(floatBits(values.FoilValue), foilBits);
}

void TestRecordCodec::failureKeepsEarlierFields_data()
{
    // clang-format off
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("failedField");
    QTest::newRow("beep") << 24 << "BeepSetting";
    QTest::newRow("curve B NFE point 2") << 220 << "CurveTableB";
    QTest::newRow("nfe coarse") << 324 << "DraftLimitCoarse";
    QTest::newRow("beyond 339 unread") << 350 << "";
    // clang-format on
}

void TestRecordCodec::failureKeepsEarlierFields()
{
    // malformed digits at an offset / that field reported, earlier fields new, later ones untouched
    QFETCH(int, offset);
    QFETCH(QString, failedField);
    QString hex = RecordBuilder().i32(L::SerialNumber, 42).f32(L::FoilValue, 3.0f).hex();
    hex.replace(offset * 2, 2, QStringLiteral("Zz"));
    DeviceRecordValues values;
    values.FoilValue = 7.0f;
    const RecordDecodeResult result = decodeRecord(hex, values);
    QCOMPARE(QString::fromLatin1(result.failedField), failedField);
    QCOMPARE(result.failedOffset, failedField.isEmpty() ? -1 : offset);
    QCOMPARE(values.SerialNumber, 42);
    QCOMPARE(values.FoilValue, failedField.isEmpty() ? 3.0f : 7.0f);
}

void TestRecordCodec::clearRecordValues()
{
    // every field set / exactly the listed fields zeroed, the others kept
    DeviceRecordValues v;
    const QString hex = RecordBuilder().bytes(0, QByteArray(400, '1') + QByteArray(400, '3')).hex();
    QVERIFY(decodeRecord(hex, v));
    const DeviceRecordValues before = v;
    ClearRecordValues(v);
    QCOMPARE(v.HeaderByteA + v.HeaderByteB + v.HeaderWord + v.SerialNumber + v.ProbeType, 0);
    QCOMPARE(v.FeAdcOffset, 0);
    QCOMPARE(v.FoilValue, 0.0f);
    for (size_t k = 0; k < 2; ++k) {
        QCOMPARE(v.OffsetVoltage[k] + v.ProbeScale[k] + v.ValueAir[k] + v.CurrentAir[k], 0.0f);
        QCOMPARE(v.MaxRange[k], 0.0f);
        QCOMPARE(v.DraftLimitCoarse[k] + v.DraftLimitFine[k], 0);
    }
    QVERIFY(before.DeviceType != 0 && before.FeTemperatureCorrection != 0);
    QCOMPARE(v.DeviceType, before.DeviceType);
    QCOMPARE(v.FeTemperatureCorrection, before.FeTemperatureCorrection);
    QCOMPARE(v.ZeroTolerance, before.ZeroTolerance);
    QCOMPARE(v.CurveTableA, before.CurveTableA);
    QCOMPARE(v.MemoryText, before.MemoryText);
}

void TestRecordCodec::decodeIsTotal()
{
    // random text of any length and characters / no crash; all-hex text decodes iff it reaches the
    // foil value
    QRandomGenerator rng(4711);
    const QString alphabet = QStringLiteral("0123456789abcdefABCDEF");
    for (int round = 0; round < 400; ++round) {
        const int length = int(rng.bounded(900));
        QString hex;
        for (int i = 0; i < length; ++i)
            hex += alphabet[int(rng.bounded(alphabet.size()))];
        DeviceRecordValues values;
        QCOMPARE(bool(decodeRecord(hex, values)), length > 2 * L::FoilValue);
        QByteArray noise(length, '\0');
        for (char& c : noise)
            c = char(rng.bounded(256));
        QCOMPARE(fuzzDecodeRecord(reinterpret_cast<const uint8_t*>(noise.constData()),
                                  size_t(noise.size())),
                 0);
    }
}

QTEST_GUILESS_MAIN(TestRecordCodec)
#include "tst_recordcodec.moc"
