#include "state/ProgramFiles.h"
#include "state/ServiceLog.h"
#include "state/TextCatalogue.h"
#include "state/Windows1252.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/TestFiles.h"

#include <QtTest>

// The service log (Windows-1252, CR LF, with its fallback) and the bilingual text catalogue.
class StateTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    RecordingDialogs dialogs;
    QString folderLog() const { return dir.filePath("ZVServiceLog.txt"); }
    QString appDataLog() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
               "/ZVServiceLog.txt";
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        setUserDialogs(&dialogs);
    }
    void init()
    {
        resetSharedState();
        sharedState().ProgramFolder = dir.path();
        QFile::remove(appDataLog());
        QTest::failOnWarning(QRegularExpression(".*"));
    }

    void logLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("umlauts, sharp s") << QStringLiteral("Gerät schließen Französisch")
                                          << QByteArray("Ger\xe4t schlie\xdf"
                                                        "en Franz\xf6sisch");
        QTest::newRow("euro, dash, y diaeresis")
            << QStringLiteral("5€ – ÿ") << QByteArray("5\x80 \x96 \xff");
        QTest::newRow("C1 control, CJK, surrogate pair, lone surrogate")
            << QStringLiteral("a\u0085b中!x\U0001F600y") + QChar(0xD800) << QByteArray("a?b?!x?y?");
    }
    void logLines()
    {
        // earlier log, start, this line twice / one blank line, then the 1252 bytes twice, CR LF
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QVERIFY(writeFile(folderLog(), "old\r\n"));
        StartServiceLog();
        AppendServiceLog(text);
        AppendServiceLog(text);
        QCOMPARE(sharedState().LogFilePath, folderLog());
        QCOMPARE(fileContent(folderLog()), " \r\n" + bytes + "\r\n" + bytes + "\r\n");
        QVERIFY(!QFile::exists(appDataLog()));
        if (!bytes.contains('?'))
            QCOMPARE(fromWindows1252(bytes), text);
    }

    void logFallsBackOnlyAtStart()
    {
        // log name taken by a folder, then a vanished folder / fallback log at start only
        QTemporaryDir blocked, lost;
        QVERIFY(QDir(blocked.path()).mkdir("ZVServiceLog.txt"));
        sharedState().ProgramFolder = blocked.path();
        StartServiceLog();
        AppendServiceLog("line");
        QCOMPARE(sharedState().LogFilePath, appDataLog());
        sharedState().ProgramFolder = lost.path();
        StartServiceLog();
        QVERIFY(lost.remove());
        AppendServiceLog("lost");
        QCOMPARE(sharedState().LogFilePath, lost.path() + "/ZVServiceLog.txt");
        QCOMPARE(fileContent(appDataLog()), QByteArray(" \r\nline\r\n"));
        QCOMPARE(dialogs.messages, QStringList());
    }

    void elements_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("nameElement");
        QTest::newRow("first") << 0 << 0 << 0 << 0;
        QTest::newRow("English 10") << 1 << 10 << 111 << 21;
        QTest::newRow("last, row 100") << 2 << 100 << 302 << -1;
        QTest::newRow("language -1") << -1 << 4 << -1 << -1;
        QTest::newRow("language 3") << 3 << 4 << -1 << -1;
        QTest::newRow("entry -1") << 0 << -1 << -1 << -1;
        QTest::newRow("entry 101") << 0 << 101 << -1 << -1;
        QTest::newRow("row 11") << 2 << 11 << 213 << -1;
    }
    void elements()
    {
        // language (column) and entry (row) / element in both tables; nothing outside them
        QFETCH(int, language);
        QFETCH(int, entry);
        QFETCH(int, element);
        QFETCH(int, nameElement);
        QCOMPARE(textElement(language, entry), element);
        QCOMPARE(languageNameElement(language, entry), nameElement);
        fillTextTables();
        FillLanguageTables();
        sharedState().LanguageIndex = int16_t(language);
        const SharedState& s = sharedState();
        QCOMPARE(menuText(entry) + '|' + messageText(entry) + '|' + languageName(entry),
                 (element < 0 ? QString() : s.MenuTexts[element]) + '|' +
                     (element < 0 ? QString() : s.MessageTexts[element]) + '|' +
                     (nameElement < 0 ? QString() : s.LanguageNames[nameElement]));
    }

    void cataloguesFilled()
    {
        // stale texts, tables filled / both languages or neither, third empty, umlauts intact
        sharedState().MenuTexts.fill(QStringLiteral("stale"));
        sharedState().MessageTexts.fill(QStringLiteral("stale"));
        sharedState().LanguageNames.fill(QStringLiteral("stale"));
        fillTextTables();
        FillLanguageTables();
        for (const auto* table : {&sharedState().MenuTexts, &sharedState().MessageTexts}) {
            for (int entry = 0; entry < 101; ++entry) {
                QCOMPARE((*table)[101 + entry].isEmpty(), (*table)[entry].isEmpty());
                QVERIFY((*table)[202 + entry].isEmpty());
            }
        }
        QCOMPARE(messageTextFor(LanguageGerman, 25), QStringLiteral("Fehler Datei schließen BLE:"));
        QCOMPARE(languageNameFor(LanguageGerman, 8) + languageNameFor(LanguageEnglish, 8),
                 QStringLiteral("HolländischNederlands"));
        QCOMPARE(languageCode(0) + languageCode(8) + languageCode(9) + languageCode(-1) +
                     languageCode(11) + languageNameFor(0, 9) + languageNameFor(2, 0),
                 QStringLiteral("DENL"));
    }

    // a build folder holds its files beside the program, an installed program in ../share; file
    // dialogs start in a program folder that can be written, else in the documents folder
    void programFiles_data()
    {
        QTest::addColumn<QStringList>("made"); // folders and files under the temporary root
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("dialog"); // under the root; "-": the documents folder
        // clang-format off
        QTest::newRow("language files beside") << QStringList{"bin/lng/"} << "bin" << "bin";
        QTest::newRow("logo beside") << QStringList{"bin/NaxoLogo.png", "share/zvservice/"} << "bin" << "bin";
        QTest::newRow("installed") << QStringList{"bin/", "share/zvservice/"} << "share/zvservice" << "share/zvservice";
        QTest::newRow("neither") << QStringList{"bin/"} << "bin" << "bin";
        QTest::newRow("program folder gone") << QStringList{} << "bin" << "-";
        // clang-format on
    }
    void programFiles()
    {
        QFETCH(QStringList, made);
        QFETCH(QString, expected);
        QFETCH(QString, dialog);
        QTemporaryDir root;
        for (const QString& path : made)
            QVERIFY(path.endsWith('/') ? QDir(root.path()).mkpath(path)
                                       : writeFile(root.filePath(path), "x"));
        const QString folder = ProgramFiles::folderFor(root.filePath("bin"));
        QCOMPARE(folder, root.filePath(expected));
        QCOMPARE(ProgramFiles::dialogFolder(folder),
                 dialog == "-" ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : root.filePath(dialog));
    }
};

QTEST_GUILESS_MAIN(StateTest)
#include "tst_state.moc"
