// zvctl's record commands end to end on the simulated gauge: read, identity, download, upload,
// factory overwrite, refusals and the gauge's faults.
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
QString hexOf(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

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

void writeHexFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A probe record that differs from the simulated gauge's default one.
QByteArray otherProbe()
{
    QByteArray r = SimRecords::defaultProbe();
    for (int i = RecordLayout::SerialNumber; i < RecordLayout::SerialNumber + 4; ++i)
        r[i] = char(0x11 * (i + 1));
    return r;
}
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
    void roundTrip_data();
    void roundTrip();
    void jsonResults_data();
    void jsonResults();
    void uploadRefused_data();
    void uploadRefused();
    void faults_data();
    void faults();
    void downloadAllOrNothing_data();
    void downloadAllOrNothing();

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

void tst_ZvctlRecords::roundTrip_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("deviceFile");
    QTest::newRow("upload-probe") << "upload-probe"
                                  << "probe";
    QTest::newRow("write-factory") << "write-factory"
                                   << "factory";
}

void tst_ZvctlRecords::roundTrip()
{
    // download from a gauge with its own probe, then upload / files identical to the gauge's,
    // and the upload writes exactly that probe into the named device file.
    QTemporaryDir gaugeFiles, saved;
    const QByteArray probeFile = otherProbe().toHex().toUpper() + "\r\n";
    writeHexFile(gaugeFiles.filePath("probe"), probeFile);
    const ZvctlRun down =
        runZvctl({"--simulator", "--sim-dir", gaugeFiles.path(), "download", saved.path()});
    QCOMPARE(down.exitCode, 0);
    QCOMPARE(fileBytes(saved.filePath("probe")), probeFile);
    QCOMPARE(fileBytes(saved.filePath("factory")),
             SimRecords::defaultFactory().toHex().toUpper() + "\r\n");

    QFETCH(QString, command);
    QFETCH(QString, deviceFile);
    const ZvctlRun up = runZvctl({"--simulator", "--trace", command, saved.path()});
    QCOMPARE(up.exitCode, 0);
    QCOMPARE(up.sent().value(0), "$rm?" + deviceFile + "!\\r\\n");
    QCOMPARE(up.sent().value(1), "$fw?400 " + deviceFile + "!");
    QCOMPARE(writtenHex(up).toUpper(), hexOf(otherProbe()));
}

void tst_ZvctlRecords::jsonResults_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("download") << "download" << QStringList{"factory", "probe"};
    QTest::newRow("upload-probe") << "upload-probe" << QStringList{"Bytes", "File"};
    QTest::newRow("write-factory") << "write-factory" << QStringList{"Bytes", "File"};
}

void tst_ZvctlRecords::jsonResults()
{
    // download / upload with --json / one JSON object on stdout naming what was done.
    QFETCH(QString, command);
    QTemporaryDir dir;
    writeHexFile(dir.filePath("probe"), SimRecords::defaultProbe().toHex() + "\r\n");
    const ZvctlRun r = runZvctl({"--simulator", "--json", command, dir.path()});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QTEST(o.keys(), "keys");
    if (o.contains("Bytes"))
        QCOMPARE(o.value("Bytes").toInt(), RecordLayout::RecordSize);
}

void tst_ZvctlRecords::uploadRefused_data()
{
    QTest::addColumn<QByteArray>("content"); // of DIR/probe; empty: no file
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("sends");
    QTest::newRow("odd number of hex digits") << QByteArray("ABC\r\n") << true << 1 << false;
    QTest::newRow("not hex") << QByteArray("ABZZ\r\n") << true << 1 << false;
    QTest::newRow("no probe file") << QByteArray() << true << 1 << false;
    QTest::newRow("only the line end") << QByteArray("\r\n") << true << 1 << false;
    QTest::newRow("too long") << QByteArray(32768, 'A') + "\r\n" << true << 1 << false;
    QTest::newRow("two bytes, no --yes") << QByteArray("ABCD\r\n") << false << 1 << false;
    QTest::newRow("two bytes, --yes") << QByteArray("ABCD\r\n") << true << 0 << true;
    QTest::newRow("one record, no --yes") << SimRecords::defaultProbe().toHex() + "\r\n"
                                          << false << 0 << true;
}

void tst_ZvctlRecords::uploadRefused()
{
    // upload-probe of a malformed or unusual file / refused with exit 1 before any command;
    // unusual sizes only with --yes.
    QFETCH(QByteArray, content);
    QFETCH(bool, yes);
    QFETCH(bool, sends);
    QTemporaryDir dir;
    if (!content.isEmpty())
        writeHexFile(dir.filePath("probe"), content);
    QStringList args{"--simulator", "--trace", "--lang", "en", "upload-probe", dir.path()};
    if (yes)
        args.prepend("--yes");
    const ZvctlRun r = runZvctl(args);
    QTEST(r.exitCode, "exitCode");
    QCOMPARE(!r.sent().isEmpty(), sends);
    QCOMPARE(r.err.contains("> $rm"), sends);
    if (!sends)
        QVERIFY2(!r.err.trimmed().isEmpty(), "a refusal says why");
}

void tst_ZvctlRecords::faults_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("read: open unanswered") << QStringList{"read"} << "1:silent" << 3;
    QTest::newRow("read: link drops on open") << QStringList{"read"} << "1:drop" << 3;
    QTest::newRow("read: garbled open reply") << QStringList{"read"} << "1:garbled" << 3;
    QTest::newRow("read: open refused") << QStringList{"read"} << "1:error" << 1;
    QTest::newRow("read: block refused") << QStringList{"read"} << "3:error" << 1;
    QTest::newRow("read: block unanswered") << QStringList{"read"} << "3:silent" << 3;
    QTest::newRow("read: link drops on a block") << QStringList{"read"} << "5:drop" << 3;
    QTest::newRow("read: close refused") << QStringList{"read"} << "15:error" << 1;
    QTest::newRow("read: factory open refused") << QStringList{"read"} << "17:error" << 1;
    QTest::newRow("read: factory unanswered") << QStringList{"read"} << "17:silent" << 3;
    QTest::newRow("identity unanswered") << QStringList{"identity"} << "1:silent" << 3;
    QTest::newRow("identity: link drops") << QStringList{"identity"} << "1:drop" << 3;
    QTest::newRow("upload: create refused") << QStringList{"upload-probe"} << "2:error" << 1;
    QTest::newRow("upload: chunk refused") << QStringList{"upload-probe"} << "4:error" << 1;
    QTest::newRow("upload: chunk unanswered") << QStringList{"upload-probe"} << "4:silent" << 3;
    QTest::newRow("upload: link drops") << QStringList{"upload-probe"} << "4:drop" << 3;
    QTest::newRow("upload: close refused") << QStringList{"upload-probe"} << "16:error" << 1;
    QTest::newRow("factory: create refused") << QStringList{"write-factory"} << "2:error" << 1;
}

void tst_ZvctlRecords::faults()
{
    // a gauge that fails command K / exit 3 for no reply or a lost link, 1 for an error reply,
    // a message in plain words, never a success line.
    QFETCH(QStringList, command);
    QFETCH(QString, fault);
    QTemporaryDir dir;
    writeHexFile(dir.filePath("probe"), SimRecords::defaultProbe().toHex() + "\r\n");
    if (command.size() == 1 && command.at(0) != "read" && command.at(0) != "identity")
        command.append(dir.path());
    const ZvctlRun r = runZvctl(
        QStringList{"--simulator", "--timeout", "300", "--lang", "en", "--sim-fault", fault} +
        command);
    QTEST(r.exitCode, "exitCode");
    QVERIFY2(!r.err.trimmed().isEmpty(), "the failure is reported");
    QVERIFY2(!r.out.contains("written"), qPrintable(r.out));
}

void tst_ZvctlRecords::downloadAllOrNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("probe block refused") << "3:error" << 1;
    QTest::newRow("factory open refused") << "17:error" << 1;
    QTest::newRow("factory unanswered") << "18:silent" << 3;
    QTest::newRow("link drops in factory") << "20:drop" << 3;
}

void tst_ZvctlRecords::downloadAllOrNothing()
{
    // download during which a read fails / no file saved (half a copy is no copy), exit code.
    QFETCH(QString, fault);
    QTemporaryDir dir;
    const ZvctlRun r =
        runZvctl({"--simulator", "--timeout", "300", "--sim-fault", fault, "download", dir.path()});
    QTEST(r.exitCode, "exitCode");
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(tst_ZvctlRecords)
#include "tst_zvctl_records.moc"
