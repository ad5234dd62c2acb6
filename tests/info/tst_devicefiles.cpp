#include "info/DeviceFiles.h"
#include "info/HexText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(HexText::Problem)

namespace
{
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}
} // namespace

class DeviceFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void saveWritesOneLine();
    void saveReplacesExistingFile();
    void saveIntoMissingFolder();
    void load_data();
    void load();
    void hexCheck_data();
    void hexCheck();
};

void DeviceFilesTest::saveWritesOneLine()
{
    // hex saved / the file holds the text plus CR LF, loading gives the text back
    QTemporaryDir dir;
    const QString hex = QStringLiteral("00A1ff7E");
    QVERIFY(DeviceFiles::saveHexFile(dir.path(), QStringLiteral("probe"), hex).ok);
    QFile f(dir.filePath("probe"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("00A1ff7E\r\n"));
    const PcFileResult loaded = DeviceFiles::loadHexFile(dir.path(), QStringLiteral("probe"));
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.hex, hex);
}

void DeviceFilesTest::saveReplacesExistingFile()
{
    // a longer file already there / replaced completely, nothing of it left
    QTemporaryDir dir;
    writeFile(dir.filePath("factory"), QByteArray(1000, 'F'));
    QVERIFY(DeviceFiles::saveHexFile(dir.path(), QStringLiteral("factory"), "AB").ok);
    QCOMPARE(QFileInfo(dir.filePath("factory")).size(), 4);
}

void DeviceFilesTest::saveIntoMissingFolder()
{
    // folder that does not exist / access error with the path, no file created
    QTemporaryDir dir;
    const QString folder = dir.filePath("no/such");
    const PcFileResult r = DeviceFiles::saveHexFile(folder, QStringLiteral("probe"), "00");
    QVERIFY(!r.ok);
    QCOMPARE(r.errorNumber, DeviceFiles::ErrorAccess);
    QVERIFY(r.description.contains(folder));
    QVERIFY(!QDir(folder).exists());
}

void DeviceFilesTest::load_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>": no file
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("hex");
    QTest::newRow("CR LF") << QByteArray("0011\r\n") << 0 << "0011";
    QTest::newRow("LF only") << QByteArray("0011\n") << 0 << "0011";
    QTest::newRow("no line end") << QByteArray("0011") << 0 << "0011";
    QTest::newRow("only the line end") << QByteArray("\r\n") << 0 << "";
    QTest::newRow("inner blank kept") << QByteArray("00 11\r\n") << 0 << "00 11";
    QTest::newRow("one character") << QByteArray("A") << 62 << "";
    QTest::newRow("empty file") << QByteArray("") << 62 << "";
    QTest::newRow("missing") << QByteArray("<none>") << 53 << "";
    QTest::newRow("too large") << QByteArray((1 << 20) + 1, 'A') << 7 << "";
}

void DeviceFilesTest::load()
{
    // PC file "probe" / its line end dropped, or an error number that names the problem
    QFETCH(QByteArray, content);
    QFETCH(int, errorNumber);
    QFETCH(QString, hex);
    QTemporaryDir dir;
    if (content != "<none>")
        writeFile(dir.filePath("probe"), content);
    const PcFileResult r = DeviceFiles::loadHexFile(dir.path(), QStringLiteral("probe"));
    QCOMPARE(r.ok, errorNumber == 0);
    QCOMPARE(r.errorNumber, errorNumber);
    QCOMPARE(r.hex, hex);
}

void DeviceFilesTest::hexCheck_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<HexText::Problem>("problem");
    QTest::addColumn<int>("position");
    QTest::newRow("good") << "00aaFF" << HexText::Problem::None << -1;
    QTest::newRow("empty") << "" << HexText::Problem::Empty << -1;
    QTest::newRow("odd") << "00A" << HexText::Problem::OddLength << -1;
    QTest::newRow("letter g") << "00g0" << HexText::Problem::NonHexCharacter << 2;
    QTest::newRow("umlaut") << "0\u00e40" << HexText::Problem::NonHexCharacter << 1;
    QTest::newRow("32766") << QString(32766, 'A') << HexText::Problem::None << -1;
    QTest::newRow("32767") << QString(32767, 'A') << HexText::Problem::OddLength << -1;
    QTest::newRow("32768") << QString(32768, 'A') << HexText::Problem::TooLong << -1;
}

void DeviceFilesTest::hexCheck()
{
    // hex text before a write / the first problem found, with its position
    QFETCH(QString, hex);
    QFETCH(HexText::Problem, problem);
    QFETCH(int, position);
    const HexText::Check c = HexText::check(hex);
    QCOMPARE(c.problem, problem);
    QCOMPARE(c.position, position);
}

QTEST_GUILESS_MAIN(DeviceFilesTest)
#include "tst_devicefiles.moc"
