// zvctl's service commands end to end on the simulated gauge: language files, memory reset,
// clock, and the gauge's faults during them.
#include "ZvctlProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace
{
void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray bytesOfLength(int n)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char((i * 7 + 3) & 0xFF);
    return b;
}
} // namespace

class tst_ZvctlService : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void languages_data();
    void languages();
    void languagesJson();
    void sendLanguage_data();
    void sendLanguage();
    void sendLanguageRefusesName_data();
    void sendLanguageRefusesName();
    void sendLanguageRefusesFile_data();
    void sendLanguageRefusesFile();
    void reset_data();
    void reset();
    void faults_data();
    void faults();
    void timeRead();
};

void tst_ZvctlService::initTestCase()
{
    QVERIFY2(QFile::exists(qEnvironmentVariable("ZV_BIN_DIR") + "/zvctl"), "zvctl not built");
}

void tst_ZvctlService::languages_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("German") << "de"
                            << QStringList{"lDE\tDeutsch", "lFR\tFranzösisch", "lNL\tHolländisch"};
    QTest::newRow("English") << "en"
                             << QStringList{"lDE\tGerman", "lFR\tFrench", "lNL\tNederlands"};
}

void tst_ZvctlService::languages()
{
    // languages DIR with language and other files / the language files with names in --lang.
    QFETCH(QString, lang);
    QTemporaryDir dir;
    for (const char* name : {"lDE", "lFR", "lNL", "xDE", "readme", "lZZ"})
        writeFile(dir.filePath(name), "text");
    const ZvctlRun r = runZvctl({"--lang", lang, "languages", dir.path()});
    QCOMPARE(r.exitCode, 0);
    QTEST(r.out.split('\n', Qt::SkipEmptyParts), "expected");
}

void tst_ZvctlService::languagesJson()
{
    // languages --json on an empty folder, then on one file / an empty list, then one entry.
    QTemporaryDir dir;
    ZvctlRun r = runZvctl({"--json", "languages", dir.path()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).object().value("Languages").toArray().size(),
             0);
    writeFile(dir.filePath("lPL"), "x");
    r = runZvctl({"--json", "--lang", "en", "languages", dir.path()});
    const QJsonArray list =
        QJsonDocument::fromJson(r.out.toUtf8()).object().value("Languages").toArray();
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.at(0).toObject().value("File").toString(), QString("lPL"));
    QCOMPARE(list.at(0).toObject().value("Language").toString(), QString("Polski"));
}

void tst_ZvctlService::sendLanguage_data()
{
    QTest::addColumn<int>("bytes");
    QTest::newRow("1 byte") << 1;
    QTest::newRow("one chunk") << 32;
    QTest::newRow("a chunk and a byte") << 33;
    QTest::newRow("1000 bytes") << 1000;
    QTest::newRow("100 chunks") << 3200;
}

void tst_ZvctlService::sendLanguage()
{
    // send-language without a terminal / every byte written under the file's name, plain
    // progress lines with rising tenths, a last line with all chunks and bytes, exit 0.
    QFETCH(int, bytes);
    QTemporaryDir dir;
    const QByteArray content = bytesOfLength(bytes);
    writeFile(dir.filePath("lFR"), content);
    const ZvctlRun r =
        runZvctl({"--simulator", "--trace", "--lang", "en", "send-language", dir.filePath("lFR")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith("Datei lFR"), qPrintable(r.out));
    QCOMPARE(r.sent().value(0), QString("$fw?%1 lFR!").arg(bytes));
    QCOMPARE(writtenHex(r), QString::fromLatin1(content.toHex().toUpper()));
    QVERIFY2(!r.err.contains('\r'), "no redrawn line without a terminal");
    const int chunks = (bytes + 31) / 32;
    const QString all = QString("%1/%1 chunks  %2/%2 bytes").arg(chunks).arg(bytes);
    int lastPercent = -1;
    QString finalLine;
    for (const QString& line : r.err.split('\n')) {
        static const QRegularExpression percent("^\\s*(\\d+)%  ");
        const QRegularExpressionMatch m = percent.match(line);
        if (m.hasMatch()) {
            QVERIFY2(m.captured(1).toInt() > lastPercent, qPrintable(line));
            lastPercent = m.captured(1).toInt();
        }
        if (line.startsWith("done"))
            finalLine = line;
    }
    QCOMPARE(lastPercent, 100);
    QVERIFY2(finalLine.contains(all), qPrintable(finalLine + " / " + all));
}

void tst_ZvctlService::sendLanguageRefusesName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("not l + code") << "xDE";
    QTest::newRow("with an extension") << "lDE.txt";
    QTest::newRow("unknown code") << "lZZ";
    QTest::newRow("lower-case code") << "lde";
}

void tst_ZvctlService::sendLanguageRefusesName()
{
    // send-language of a file whose name is no language file name / exit 2, nothing sent.
    QFETCH(QString, name);
    QTemporaryDir dir;
    writeFile(dir.filePath(name), "content");
    const ZvctlRun r = runZvctl({"--simulator", "--trace", "send-language", dir.filePath(name)});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.sent().isEmpty());
    QVERIFY2(r.err.contains(name), qPrintable(r.err));
}

void tst_ZvctlService::sendLanguageRefusesFile_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << false;
    QTest::newRow("empty") << true;
}

void tst_ZvctlService::sendLanguageRefusesFile()
{
    // send-language of a missing or empty file / exit 1, nothing sent, no file created.
    QFETCH(bool, exists);
    QTemporaryDir dir;
    if (exists)
        writeFile(dir.filePath("lDE"), QByteArray());
    const ZvctlRun r = runZvctl({"--simulator", "--trace", "send-language", dir.filePath("lDE")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.sent().isEmpty());
    QVERIFY2(r.err.contains("lDE"), qPrintable(r.err));
    QCOMPARE(QFileInfo::exists(dir.filePath("lDE")), exists);
}

void tst_ZvctlService::reset_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("without --yes") << QStringList{"reset"} << 2 << QStringList();
    QTest::newRow("with --yes") << QStringList{"--yes", "reset"} << 0 << QStringList{"$fsf!\\r\\n"};
}

void tst_ZvctlService::reset()
{
    // reset with and without --yes / refused sending nothing, or "$fsf!" CR LF and exit 0.
    QFETCH(QStringList, args);
    const ZvctlRun r = runZvctl(QStringList{"--simulator", "--trace"} + args);
    QTEST(r.exitCode, "exitCode");
    QTEST(r.sent(), "sent");
    QVERIFY(!r.err.trimmed().isEmpty() || !r.out.trimmed().isEmpty());
}

void tst_ZvctlService::faults_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("language: create unanswered") << QStringList{"send-language"} << "1:silent" << 3;
    QTest::newRow("language: chunk refused") << QStringList{"send-language"} << "3:error" << 1;
    QTest::newRow("language: link drops") << QStringList{"send-language"} << "3:drop" << 3;
    QTest::newRow("reset unanswered") << QStringList{"--yes", "reset"} << "1:silent" << 3;
    QTest::newRow("reset: link drops, reset under way")
        << QStringList{"--yes", "reset"} << "1:drop" << 0;
    QTest::newRow("time: link drops") << QStringList{"time"} << "1:drop" << 3;
}

void tst_ZvctlService::faults()
{
    // a gauge that fails command K / exit 3 for no reply or a lost link, 1 for a refusal,
    // 0 for a reset after which the gauge drops the link.
    QFETCH(QStringList, command);
    QFETCH(QString, fault);
    QTemporaryDir dir;
    writeFile(dir.filePath("lDE"), bytesOfLength(100)); // 3 full chunks, a last one, the close
    if (command.contains("send-language"))
        command.append(dir.filePath("lDE"));
    const ZvctlRun r = runZvctl(
        QStringList{"--simulator", "--timeout", "300", "--lang", "en", "--sim-fault", fault} +
        command);
    QTEST(r.exitCode, "exitCode");
    if (r.exitCode != 0)
        QVERIFY2(!r.err.trimmed().isEmpty() && !r.out.contains("Datei"), qPrintable(r.err));
}

void tst_ZvctlService::timeRead()
{
    // time / one clock read "$glt!" CR LF, the gauge's time on stdout close to this computer's.
    const ZvctlRun r = runZvctl({"--simulator", "--trace", "time"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.sent().value(0).left(5), QString("$glt!"));
    const QDateTime t = QDateTime::fromString(r.out.trimmed(), "yyyy-MM-dd/HH:mm:ss");
    QVERIFY2(t.isValid(), qPrintable(r.out));
    QVERIFY(qAbs(t.secsTo(QDateTime::currentDateTime())) <= 2);
}

QTEST_GUILESS_MAIN(tst_ZvctlService)
#include "tst_zvctl_service.moc"
