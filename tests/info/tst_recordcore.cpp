#include "info/BackupStore.h"
#include "info/HexCompare.h"
#include "info/HexText.h"
#include "info/RecordCodec.h"
#include "info/RecordDecoder.h"
#include "tests/common/RecordBuilder.h"
#include "tests/common/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>
#include <bit>

// The numbers as text, separated by blanks.
template <typename... T> QString numbers(T... values)
{
    return QStringList{QString::number(values)...}.join(QLatin1Char(' '));
}

// The record codec, the decoder with its field offsets, the checks before and after a write and
// the backup names.
class RecordCoreTest : public QObject
{
    Q_OBJECT
private slots:
    void hexFields_data()
    {
        // kind "L": HexToLong, "T": HexToText, "C": the check before a write (problem, position),
        // "D": the first difference between the text before and after "|" (offset, both bytes),
        // else HexToValue with that kind
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected"); // null: nullopt
        const QString none;
        using P = HexText::Problem;
        const auto problem = [](P p, int position) { return numbers(int(p), position); };
        // clang-format off
        QTest::newRow("float") << "0000c0bf" << "F" << "-1.5";
        QTest::newRow("16-bit sign") << "FFFF" << "" << "-1";
        QTest::newRow("byte order") << "00FF" << "" << "-256";
        QTest::newRow("three digits") << "ABC" << "" << "3243";
        QTest::newRow("five digits drop last") << "1234Z" << "" << "13330";
        QTest::newRow("too big for 16 bits") << "00000100" << "" << none;
        QTest::newRow("non-hex") << "G0" << "" << none;
        QTest::newRow("empty") << "" << "F" << none;
        QTest::newRow("long 16-bit min") << "0080" << "L" << "-32768";
        QTest::newRow("long six digits") << "008000" << "L" << "32768";
        QTest::newRow("long nine digits drop last") << "12345678Z" << "L" << "2018915346";
        QTest::newRow("long ten digits") << "1234567890" << "L" << none;
        QTest::newRow("text stored order, NUL kept") << "416200" << "T" << QString::fromUtf16(u"Ab\0", 3);
        QTest::newRow("text odd leftover first") << "414" << "T" << QString::fromUtf16(u"\x04\x14", 2);
        QTest::newRow("text Windows-1252") << "809F" << "T" << QString::fromUtf16(u"\u20AC\u0178");
        QTest::newRow("text non-hex") << "414G" << "T" << none;
        QTest::newRow("check empty") << "" << "C" << problem(P::Empty, -1);
        QTest::newRow("check odd length") << "00A" << "C" << problem(P::OddLength, -1);
        QTest::newRow("check non-hex") << QString::fromUtf16(u"0\u00e40") << "C" << problem(P::NonHexCharacter, 1);
        QTest::newRow("check longest") << QString(32766, 'f') << "C" << problem(P::None, -1);
        QTest::newRow("check too long") << QString(32768, 'A') << "C" << problem(P::TooLong, -1);
        QTest::newRow("same bytes, other case") << "00a1ff|00A1FF" << "D" << "-1 -1 -1";
        QTest::newRow("read back shorter") << "00A1FF|00A1" << "D" << "2 255 -1";
        QTest::newRow("read back longer") << "00A1|00A1FE" << "D" << "2 -1 254";
        QTest::newRow("non-hex equals nothing") << "000Z|000Z" << "D" << "1 -1 -1";
        // clang-format on
    }
    void hexFields()
    {
        // little-endian hex text / its number or text, or nullopt when malformed; hex text before
        // a write / the first problem found; what was sent and what came back / the first byte
        // that differs with both values, a byte beyond the end or with non-hex digits equals
        // nothing
        QFETCH(QString, hex);
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        const auto text = [](const auto& v) { return v ? QString::number(*v) : QString(); };
        const HexText::Check check = HexText::check(hex);
        const HexCompare::Difference d =
            HexCompare::firstDifference(hex.section('|', 0, 0), hex.section('|', 1));
        if (kind == u"C")
            QCOMPARE(numbers(int(check.problem), check.position), expected);
        else if (kind == u"D")
            QCOMPARE(numbers(d.offset, d.written, d.readBack), expected);
        else if (kind == u"L")
            QCOMPARE(text(RecordCodec::HexToLong(hex)), expected);
        else if (kind == u"T")
            QCOMPARE(RecordCodec::HexToText(hex).value_or(QString()), expected);
        else
            QCOMPARE(text(RecordCodec::HexToValue(hex, kind)), expected);
    }

    void decodesEveryField()
    {
        // a record with every field set / each field from its offset; a clear zeroes the fields
        // a new read starts from
        RecordBuilder r;
        r.u8(0, 0x81).u8(1, 2).i16(2, -2).i32(4, 305419896).u8(8, 0xFF).u8(9, 9);
        r.bytes(10, "414243444546").u8(16, 16).bytes(18, "44455500").u8(23, 0x80);
        r.u8(24, 1).u8(25, 5).u8(26, 30).u8(27, 1).u8(32, 3).u8(33, 4);
        for (int i = 0; i < RecordLayout::CurvePoints; ++i)
            r.f32(36 + 4 * i, i + 1.0f).f32(96 + 4 * i, -i - 1.0f).f32(156 + 4 * i, 100.0f + i);
        r.f32(276, 1.5f).f32(280, 2.5f).f32(284, 3.5f).f32(288, 4.5f).f32(292, 5.5f);
        r.i16(296, -300).i16(298, -12).i16(300, 13).i16(302, 4660).f32(272, 214.0f);
        r.f32(304, 6.5f).f32(308, 7.5f).f32(312, 8.5f).f32(316, 9.5f).f32(320, 10.5f);
        r.i16(324, -32768).i16(326, 1500).f32(332, 0.25f).f32(336, 12.5f).f32(216, 200.0f);
        DeviceRecordValues v;
        QVERIFY(decodeRecord(r.hex().toLower(), v));
        QCOMPARE(numbers(v.StartupOptions, v.MenuLevel, v.UnitsSetting, v.BeepSetting,
                         v.ContrastSetting, v.SwitchOffTime, v.UseBleSetting, v.UserProbeType),
                 QStringLiteral("9 16 128 1 5 30 1 4"));
        QCOMPARE(QStringList({v.HeaderText, v.LanguageText, v.MemoryText}),
                 QStringList({"ABCDEF", "DEU", "0"}));
        QCOMPARE(numbers(v.CurveTableA[0][0], v.CurveTableA[0][14], v.CurveTableB[0][14],
                         v.CurveTableA[1][0], v.CurveTableA[1][14], v.CurveTableB[1][0],
                         v.CurveTableB[1][14]),
                 QStringLiteral("1 15 -15 100 114 200 214"));
        const auto blocks = [&v] {
            return numbers(v.OffsetVoltage[0], v.ProbeScale[0], v.ValueAir[0], v.CurrentAir[0],
                           v.MaxRange[0], v.FeAdcOffset, v.DraftLimitCoarse[0], v.DraftLimitFine[0],
                           v.FeTemperatureCorrection, v.OffsetVoltage[1], v.ProbeScale[1],
                           v.ValueAir[1], v.CurrentAir[1], v.MaxRange[1], v.DraftLimitCoarse[1],
                           v.DraftLimitFine[1], v.ZeroTolerance, v.FoilValue, v.HeaderByteA,
                           v.HeaderByteB, v.HeaderWord, v.SerialNumber, v.ProbeType, v.DeviceType);
        };
        QCOMPARE(blocks(), QStringLiteral("1.5 2.5 3.5 4.5 5.5 -300 -12 13 4660 6.5 7.5 8.5 9.5 "
                                          "10.5 -32768 1500 0.25 12.5 129 2 -2 305419896 3 255"));
        ClearRecordValues(v);
        QCOMPARE(blocks(),
                 QStringLiteral("0 0 0 0 0 0 0 0 4660 0 0 0 0 0 0 0 0.25 0 0 0 0 0 0 255"));
    }

    void recordBoundary_data()
    {
        QTest::addColumn<int>("characters"); // the record text cut after this many
        QTest::addColumn<int>("garbled");    // a byte with non-hex digits; -1 none
        QTest::addColumn<QString>("failedField");
        QTest::addColumn<int>("failedOffset");
        QTest::addColumn<quint32>("foilBits"); // the decoded foil value's bits
        // clang-format off
        QTest::newRow("empty") << 0 << -1 << "HeaderByteA" << 0 << 0u;
        QTest::newRow("336 bytes") << 672 << -1 << "FoilValue" << 336 << 0u;
        QTest::newRow("336 bytes + 1 digit") << 673 << -1 << "" << -1 << 0x1u;
        QTest::newRow("bad beep") << 800 << 24 << "BeepSetting" << 24 << 0u;
        QTest::newRow("bad NFE curve point 2") << 800 << 220 << "CurveTableB" << 220 << 0u;
        QTest::newRow("bad byte beyond the foil") << 800 << 350 << "" << -1 << 0x40030211u;
        // clang-format on
    }
    void recordBoundary()
    {
        // a record cut short or with a bad byte / fails at that field, earlier fields new, later
        // untouched; the foil value decodes from the digits present
        QFETCH(int, characters);
        QFETCH(int, garbled);
        QFETCH(QString, failedField);
        QFETCH(int, failedOffset);
        QFETCH(quint32, foilBits);
        QString hex = RecordBuilder().i32(4, 42).bytes(336, "11020340").hex().left(characters);
        if (garbled >= 0)
            hex.replace(garbled * 2, 2, QStringLiteral("Zz"));
        DeviceRecordValues values;
        values.FoilValue = std::bit_cast<float>(0x7u);
        const RecordDecodeResult result = decodeRecord(hex, values);
        QCOMPARE(result.ok, failedField.isEmpty());
        QCOMPARE(QString::fromLatin1(result.failedField), failedField);
        QCOMPARE(result.failedOffset, failedOffset);
        QCOMPARE(std::bit_cast<quint32>(values.FoilValue), result.ok ? foilBits : 0x7u);
        QCOMPARE(values.SerialNumber, failedOffset < 0 || failedOffset > 4 ? 42 : 0);
    }

    void backupsOfOneSecond()
    {
        // three backups in one second / three files named after the serial, none replaced,
        // listed newest first; a record too short for a serial gives "unknown"
        QTemporaryDir dir;
        const BackupStore store(dir.path());
        const QDateTime t(QDate(2026, 12, 6), QTime(14, 10, 15));
        QStringList paths;
        for (int fill : {1, 2, 3})
            paths.prepend(
                store.save(RecordBuilder(9).i32(4, 42).u8(8, fill).hex(), "probe", t).path);
        QCOMPARE(store.list(), paths);
        const QString name = QFileInfo(paths.first()).fileName();
        QCOMPARE(name, QStringLiteral("42_probe_20261206-141015-3"));
        QCOMPARE(BackupStore::parseName(name).serialNumber, QStringLiteral("42"));
        QCOMPARE(BackupStore::parseName(name).time, t);
        QCOMPARE(fileContent(paths.first()), QByteArray("000000002A00000003\r\n"));
        for (const char* other : {"7_probe_20261206-141015-1", "7_probe_20261306-141015",
                                  "7_probe_x_20261206-141015", "probe"})
            QVERIFY2(!BackupStore::parseName(QString::fromLatin1(other)).ok, other);
        QCOMPARE(BackupStore::fileName("00", "../x_y", t),
                 QStringLiteral("unknown_---x-y_20261206-141015"));
    }
};

QTEST_GUILESS_MAIN(RecordCoreTest)
#include "tst_recordcore.moc"
