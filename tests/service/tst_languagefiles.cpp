#include "service/LanguageFiles.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
void touch(const QString& path, const QByteArray& content = "x")
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}
} // namespace

class LanguageFilesTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir.isValid());
    }
    void init()
    {
        resetSharedState();
        fillTextTables();
        FillLanguageTables();
    }

    void dateiname_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lDE German") << "lDE" << 0 << "Deutsch";
        QTest::newRow("lDE English") << "lDE" << 1 << "German";
        QTest::newRow("blanks around") << "  lEN  " << 0 << "Englisch";
        QTest::newRow("lower-case code") << "lde" << 0 << "";
        QTest::newRow("upper-case L") << "LDE" << 0 << "";
        QTest::newRow("other first letter") << "xDE" << 0 << "";
        QTest::newRow("extension kept") << "lDE.txt" << 0 << "Deutsch";
        QTest::newRow("digit after code") << "lDE1" << 0 << "Deutsch";
        QTest::newRow("Magyar") << "lHU" << 1 << "Magyar";
        QTest::newRow("Polski") << "lPL" << 1 << "Polski";
        QTest::newRow("Nederlands") << "lNL" << 1 << "Nederlands";
        QTest::newRow("Ungarisch") << "lHU" << 0 << "Ungarisch";
        QTest::newRow("unknown code") << "lXX" << 0 << "";
        QTest::newRow("l alone") << "l" << 0 << "";
        QTest::newRow("empty") << "" << 0 << "";
        QTest::newRow("one code letter") << "lD" << 0 << "";
        QTest::newRow("tab is not a blank") << "\tlDE" << 0 << "";
    }
    // a file name / the language name in the interface language, or "" for no language file
    void dateiname()
    {
        QFETCH(QString, name);
        QFETCH(int, language);
        QFETCH(QString, expected);
        sharedState().LanguageIndex = int16_t(language);
        QCOMPARE(LanguageFiles::DateinameUmsetzen(name), expected);
    }

    // blanks around the argument / removed in place
    void dateinameTrimsInPlace()
    {
        QString name = QStringLiteral("  lFR ");
        LanguageFiles::DateinameUmsetzen(name);
        QCOMPARE(name, QStringLiteral("lFR"));
    }

    void sprache_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Deutsch") << "Deutsch" << 0 << "DE";
        QTest::newRow("German in English") << "German" << 1 << "DE";
        QTest::newRow("German name in English column") << "Deutsch" << 1 << "";
        QTest::newRow("blanks") << " Polski  " << 1 << "PL";
        QTest::newRow("Nederlands") << "Nederlands" << 1 << "NL";
        QTest::newRow("Holländisch") << "Holländisch" << 0 << "NL";
        QTest::newRow("case matters") << "deutsch" << 0 << "";
        QTest::newRow("empty") << "" << 0 << "";
    }
    // a language name / its two-letter code, or ""
    void sprache()
    {
        QFETCH(QString, name);
        QFETCH(int, language);
        QFETCH(QString, expected);
        sharedState().LanguageIndex = int16_t(language);
        QCOMPARE(LanguageFiles::SpracheUmsetzen(name), expected);
    }

    void listing_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("only lDE listed")
            << QStringList{"lDE", "lde", "LDE", "xDE"} << 0 << QStringList{"Deutsch"};
        QTest::newRow("lDE.txt") << QStringList{"lDE.txt"} << 0 << QStringList{"Deutsch"};
        QTest::newRow("same code twice")
            << QStringList{"lDE", "lDE1"} << 0 << QStringList{"Deutsch", "Deutsch"};
        QTest::newRow("German names") << QStringList{"lDE", "lEN", "lHU"} << 0
                                      << QStringList{"Deutsch", "Englisch", "Ungarisch"};
        QTest::newRow("English names")
            << QStringList{"lDE", "lEN", "lHU", "lNL", "lPL"} << 1
            << QStringList{"German", "English", "Magyar", "Nederlands", "Polski"};
    }
    // files in the language folder / the language names listed, in file-name order
    void listing()
    {
        QFETCH(QStringList, files);
        QFETCH(int, language);
        QFETCH(QStringList, expected);
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir("lng"));
        for (const QString& f : files)
            touch(program.filePath("lng/" + f));
        QVERIFY(QDir(program.path()).mkpath("lng/lFR")); // a folder is not a file
        sharedState().LanguageIndex = int16_t(language);
        const LanguageSearchResult r = LanguageFiles::search(program.path());
        QCOMPARE(r.folder, program.filePath("lng") + "/");
        QCOMPARE(r.names(), expected);
        QVERIFY(!r.folderCreated);
    }

    // no "lng" beside the program / the folder is created and the list is empty
    void missingFolderCreated()
    {
        QTemporaryDir program;
        const LanguageSearchResult r = LanguageFiles::search(program.path());
        QVERIFY(r.folderCreated);
        QVERIFY(QFileInfo(program.filePath("lng")).isDir());
        QVERIFY(r.entries.isEmpty());
    }

    void fallback_data()
    {
        QTest::addColumn<QString>("blocker"); // what stands where "lng" should be made
        QTest::newRow("lng is a file") << "lng";
        QTest::newRow("program folder is a file") << "";
    }
    // no folder can be made beside the program / the application-data folder's "lng" is used
    void fallback()
    {
        QFETCH(QString, blocker);
        QTemporaryDir program;
        QString programFolder = program.path();
        if (blocker.isEmpty()) {
            touch(program.filePath("file"));
            programFolder = program.filePath("file");
        } else {
            touch(program.filePath(blocker));
        }
        const QString appData =
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/lng/";
        const LanguageSearchResult r = LanguageFiles::search(programFolder);
        QCOMPARE(r.folder, appData);
        QVERIFY(QFileInfo(appData).isDir());
        QVERIFY(QFileInfo(program.filePath("lng")).isFile() == !blocker.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LanguageFilesTest)
#include "tst_languagefiles.moc"
