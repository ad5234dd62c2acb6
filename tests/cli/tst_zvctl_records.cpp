// zvctl's record commands end to end on the simulated gauge: read (JSON and table) and identity.
#include "RecordFiles.h"
#include "ZvctlProcess.h"
#include "info/CalibrationRows.h"
#include "info/RecordCellTexts.h"
#include "info/RecordDecoder.h"
#include "sim/SimRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace
{
DeviceRecordValues decoded(const QByteArray& bytes)
{
    DeviceRecordValues v;
    decodeRecord(hexOf(bytes), v);
    return v;
}

QByteArray recordOf(const QString& file)
{
    return file == QLatin1String("probe") ? SimRecords::defaultProbe()
                                          : SimRecords::defaultFactory();
}

template <typename T, std::size_t N> QVariantList listOf(const std::array<T, N>& a)
{
    QVariantList out;
    for (const T& x : a)
        out.append(QVariant::fromValue(x));
    return out;
}

// The field's decoded values, flattened (pairs FE then NFE, curve tables FE points then NFE).
QVariantList expectedField(const DeviceRecordValues& v, const QString& f)
{
    const QHash<QString, QVariantList> fields = {
        {"SerialNumber", {v.SerialNumber}},
        {"HeaderWord", {v.HeaderWord}},
        {"DeviceType", {v.DeviceType}},
        {"HeaderText", {v.HeaderText}},
        {"LanguageText", {v.LanguageText}},
        {"MemoryText", {v.MemoryText}},
        {"MenuLevel", {v.MenuLevel}},
        {"SwitchOffTime", {v.SwitchOffTime}},
        {"ProbeType", {v.ProbeType}},
        {"OffsetVoltage", listOf(v.OffsetVoltage)},
        {"ProbeScale", listOf(v.ProbeScale)},
        {"DraftLimitCoarse", listOf(v.DraftLimitCoarse)},
        {"FeAdcOffset", {v.FeAdcOffset}},
        {"FeTemperatureCorrection", {v.FeTemperatureCorrection}},
        {"ZeroTolerance", {v.ZeroTolerance}},
        {"FoilValue", {v.FoilValue}},
        {"CurveTableA", listOf(v.CurveTableA[0]) + listOf(v.CurveTableA[1])},
        {"CurveTableB", listOf(v.CurveTableB[0]) + listOf(v.CurveTableB[1])},
    };
    return fields.value(f);
}

void flatten(const QJsonValue& value, QVariantList& out)
{
    if (!value.isArray()) {
        out.append(value.toVariant());
        return;
    }
    for (const QJsonValue& v : value.toArray())
        flatten(v, out);
}

// Every field name of DeviceRecordValues.
const QStringList kFieldNames = {
    "HeaderByteA",      "HeaderByteB",    "HeaderWord",    "SerialNumber",
    "DeviceType",       "StartupOptions", "HeaderText",    "MenuLevel",
    "LanguageText",     "MemoryText",     "UnitsSetting",  "BeepSetting",
    "ContrastSetting",  "SwitchOffTime",  "UseBleSetting", "ProbeType",
    "UserProbeType",    "CurveTableA",    "CurveTableB",   "OffsetVoltage",
    "ProbeScale",       "ValueAir",       "CurrentAir",    "MaxRange",
    "DraftLimitCoarse", "DraftLimitFine", "FeAdcOffset",   "FeTemperatureCorrection",
    "ZeroTolerance",    "FoilValue"};
} // namespace

class tst_ZvctlRecords : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readJsonFields_data();
    void readJsonFields();
    void readJsonNamesEveryField();
    void readTable_data();
    void readTable();
    void identity();

private:
    QJsonObject m_read;
};

void tst_ZvctlRecords::initTestCase()
{
    QVERIFY2(QFile::exists(qEnvironmentVariable("ZV_BIN_DIR") + "/zvctl"), "zvctl not built");
    const ZvctlRun r = runZvctl({"--simulator", "--json", "read"});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    m_read = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(r.out));
}

void tst_ZvctlRecords::readJsonFields_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("field");
    for (const char* file : {"probe", "factory"}) {
        for (const char* field :
             {"SerialNumber", "HeaderWord", "DeviceType", "HeaderText", "LanguageText",
              "MemoryText", "MenuLevel", "SwitchOffTime", "ProbeType", "OffsetVoltage",
              "ProbeScale", "DraftLimitCoarse", "FeAdcOffset", "FeTemperatureCorrection",
              "ZeroTolerance", "FoilValue", "CurveTableA", "CurveTableB"})
            QTest::addRow("%s %s", file, field) << QString(file) << QString(field);
    }
}

void tst_ZvctlRecords::readJsonFields()
{
    // read --json on the default gauge / each field equals the decode of the gauge's record.
    QFETCH(QString, file);
    QFETCH(QString, field);
    const QVariantList expected = expectedField(decoded(recordOf(file)), field);
    QVariantList actual;
    flatten(m_read.value(file).toObject().value(field), actual);
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QVariant& e = expected.at(i);
        if (e.typeId() == QMetaType::Float)
            QCOMPARE(float(actual.at(i).toDouble()), e.toFloat());
        else if (e.typeId() == QMetaType::QString)
            QCOMPARE(actual.at(i).toString(), e.toString());
        else
            QCOMPARE(actual.at(i).toLongLong(), e.toLongLong());
    }
}

void tst_ZvctlRecords::readJsonNamesEveryField()
{
    // read --json / each file has every record field, the hex text of the gauge's file, identity.
    for (const char* file : {"probe", "factory"}) {
        const QJsonObject o = m_read.value(file).toObject();
        QStringList keys = o.keys();
        keys.removeOne("Hex");
        QStringList names = kFieldNames;
        names.sort();
        QCOMPARE(keys, names);
        QCOMPARE(o.value("Hex").toString().toUpper(), hexOf(recordOf(file)));
    }
    QCOMPARE(m_read.value("Identity").toObject().value("Revision").toString(), QString("3"));
}

void tst_ZvctlRecords::readTable_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("localeName");
    QTest::newRow("probe, German numbers") << "probe"
                                           << "de_DE";
    QTest::newRow("factory, German numbers") << "factory"
                                             << "de_DE";
    QTest::newRow("probe, English numbers") << "probe"
                                            << "en_US";
    QTest::newRow("factory, English numbers") << "factory"
                                              << "en_US";
}

void tst_ZvctlRecords::readTable()
{
    // read in a locale / each row shows its label, then the FE and NFE texts of the window's table.
    QFETCH(QString, file);
    QFETCH(QString, localeName);
    const ZvctlRun r = runZvctl({"--simulator", "read"}, {"LC_ALL=" + localeName + ".UTF-8",
                                                          "LANG=" + localeName + ".UTF-8"});
    QCOMPARE(r.exitCode, 0);
    const QStringList sections = r.out.split("\n\n");
    QCOMPARE(sections.size(), 2);
    const QStringList lines = sections.at(file == "probe" ? 0 : 1).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.value(0).startsWith(file), qPrintable(lines.value(0)));
    const QStringList labels = CalibrationRows::labels();
    QHash<int, QStringList> rows; // row -> FE, NFE
    for (const CellText& c : recordCellTexts(decoded(recordOf(file)), file, QLocale(localeName))) {
        if (c.row > 0) {
            rows[c.row].resize(2);
            rows[c.row][c.column - 1] = c.text;
        }
    }
    static const QRegularExpression gap("\\s{2,}");
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        const QString label = labels.at(it.key());
        const auto line = std::find_if(lines.cbegin(), lines.cend(),
                                       [&](const QString& l) { return l.startsWith(label); });
        QVERIFY2(line != lines.cend(), qPrintable(label));
        QStringList cells = line->mid(label.size()).trimmed().split(gap);
        if (it.value().at(1).isEmpty())
            cells.append(QString());
        QCOMPARE(cells, it.value());
    }
}

void tst_ZvctlRecords::identity()
{
    // identity --json --trace / one "$naxo00!\r\n" request, the five fields of the reply.
    const ZvctlRun r = runZvctl({"--simulator", "--json", "--trace", "identity"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.sent(), QStringList{"$naxo00!\\r\\n"});
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(o.value("Hardware").toString(), QString("HW2"));
    QCOMPARE(o.value("Mac").toString(), QString("A1B2C3D4E5F6"));
    QCOMPARE(o.value("Controler").toString(), QString("1.05"));
    QCOMPARE(o.value("Build").toString(), QString("21"));
    QCOMPARE(o.value("Revision").toString(), QString("3"));
}
QTEST_GUILESS_MAIN(tst_ZvctlRecords)
#include "tst_zvctl_records.moc"
