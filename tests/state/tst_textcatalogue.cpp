#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QSet>
#include <QtTest>

namespace
{
enum Table { Menu, Message };

// The entries the windows, the link and the transfers look up.
const QList<int> MenuEntriesInUse = {4, 30, 31, 32, 50, 56, 57};
const QList<int> MessageEntriesInUse = {0,  2,  3,  5,  10, 11, 12, 14, 15, 16, 21, 22, 23, 24, 25,
                                        26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39};

const std::array<QString, 303>& tableOf(int table)
{
    return table == Menu ? sharedState().MenuTexts : sharedState().MessageTexts;
}

QString lookupFor(int table, int language, int entry)
{
    return table == Menu ? menuTextFor(language, entry) : messageTextFor(language, entry);
}

QString lookup(int table, int entry)
{
    return table == Menu ? menuText(entry) : messageText(entry);
}
} // namespace

class TextCatalogueTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetSharedState();
        fillTextTables();
        FillLanguageTables();
    }

    void entryInUseHasBothLanguages_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("entry");
        for (int entry : MenuEntriesInUse)
            QTest::addRow("menu %d", entry) << int(Menu) << entry;
        for (int entry : MessageEntriesInUse)
            QTest::addRow("message %d", entry) << int(Message) << entry;
    }
    void entryInUseHasBothLanguages()
    {
        // entry in use / non-empty German and English text at language * 101 + entry, third
        // language empty, current-language lookup follows LanguageIndex
        QFETCH(int, table);
        QFETCH(int, entry);
        for (int language : {LanguageGerman, LanguageEnglish}) {
            const QString text = tableOf(table)[language * 101 + entry];
            QVERIFY2(!text.isEmpty(), qPrintable(QString::number(language)));
            QCOMPARE(lookupFor(table, language, entry), text);
            sharedState().LanguageIndex = int16_t(language);
            QCOMPARE(lookup(table, entry), text);
        }
        QVERIFY(tableOf(table)[2 * 101 + entry].isEmpty());
    }

    void unusedEntriesStayEmpty()
    {
        // stale texts in every element, refilled / exactly the entries in use are filled
        sharedState().MenuTexts.fill(QStringLiteral("stale"));
        sharedState().MessageTexts.fill(QStringLiteral("stale"));
        fillTextTables();
        for (int table : {Menu, Message}) {
            const QList<int>& inUse = table == Menu ? MenuEntriesInUse : MessageEntriesInUse;
            const QSet<int> used(inUse.begin(), inUse.end());
            for (int element = 0; element < 303; ++element) {
                const bool expected = element < 202 && used.contains(element % 101);
                QCOMPARE(!tableOf(table)[element].isEmpty(), expected);
            }
        }
    }

    void blanksAtEndsKept_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("leading");
        QTest::addColumn<bool>("trailing");
        QTest::newRow("5 German") << 5 << int(LanguageGerman) << false << true;
        QTest::newRow("5 English") << 5 << int(LanguageEnglish) << false << true;
        QTest::newRow("34 German") << 34 << int(LanguageGerman) << true << false;
        QTest::newRow("34 English") << 34 << int(LanguageEnglish) << true << false;
    }
    void blanksAtEndsKept()
    {
        // message texts joined to other text / leading or trailing blank exactly as listed
        QFETCH(int, entry);
        QFETCH(int, language);
        QFETCH(bool, leading);
        QFETCH(bool, trailing);
        const QString text = messageTextFor(language, entry);
        QCOMPARE(text.startsWith(u' '), leading);
        QCOMPARE(text.endsWith(u' '), trailing);
        QCOMPARE(text.trimmed().size(), text.size() - 1);
    }

    void umlautsSurvive_data()
    {
        QTest::addColumn<bool>("languageName");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Gerät") << false << 2 << QString::fromUtf16(u"Ger\u00e4t ");
        QTest::newRow("schließen") << false << 25 << QString::fromUtf16(u"schlie\u00dfen");
        QTest::newRow("gelöscht") << false << 23 << QString::fromUtf16(u"gel\u00f6scht");
        QTest::newRow("übertragen") << false << 14 << QString::fromUtf16(u"\u00fcbertragen");
        QTest::newRow("Französisch") << true << 2 << QString::fromUtf16(u"Franz\u00f6sisch");
        QTest::newRow("Holländisch") << true << 8 << QString::fromUtf16(u"Holl\u00e4ndisch");
    }
    void umlautsSurvive()
    {
        // German text with umlauts or sharp s / same code points as written with escapes
        QFETCH(bool, languageName);
        QFETCH(int, entry);
        QFETCH(QString, expected);
        const QString text = languageName ? languageNameFor(0, entry) : messageTextFor(0, entry);
        QVERIFY2(text.contains(expected), qPrintable(text));
    }

    void outsideTablesGivesEmpty_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("entry");
        QTest::newRow("language -1") << -1 << 4;
        QTest::newRow("language 3") << 3 << 4;
        QTest::newRow("language 32767") << 32767 << 4;
        QTest::newRow("entry -1") << 0 << -1;
        QTest::newRow("entry 101") << 0 << 101;
        QTest::newRow("entry 101 English") << 1 << 101;
        QTest::newRow("entry 202") << 0 << 202;
    }
    void outsideTablesGivesEmpty()
    {
        // language or entry outside the tables / no element, empty text in both tables
        QFETCH(int, language);
        QFETCH(int, entry);
        QCOMPARE(textElement(language, entry), -1);
        QVERIFY(menuTextFor(language, entry).isEmpty());
        QVERIFY(messageTextFor(language, entry).isEmpty());
        sharedState().LanguageIndex = int16_t(language);
        QVERIFY(menuText(entry).isEmpty());
        QVERIFY(messageText(entry).isEmpty());
    }

    void languageTables_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("code");
        const QStringList codes = {"DE", "EN", "FR", "IT", "RU", "EL", "HU", "PL", "NL", "", ""};
        for (int row = 0; row < codes.size(); ++row)
            QTest::addRow("row %d", row) << row << codes[row];
    }
    void languageTables()
    {
        // language-file row / its code, names in columns 0 and 1 only for filled rows, column 2
        // empty, names at column * 11 + row
        QFETCH(int, row);
        QFETCH(QString, code);
        QCOMPARE(languageCode(row), code);
        for (int column = 0; column < 3; ++column) {
            const QString name = languageNameFor(column, row);
            QCOMPARE(name, sharedState().LanguageNames[column * 11 + row]);
            QCOMPARE(name.isEmpty(), code.isEmpty() || column == 2);
            sharedState().LanguageIndex = int16_t(column);
            QCOMPARE(languageName(row), name);
        }
        QVERIFY(languageCode(11).isEmpty());
        QVERIFY(languageNameFor(0, 11).isEmpty());
        QVERIFY(languageNameFor(3, row).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TextCatalogueTest)
#include "tst_textcatalogue.moc"
