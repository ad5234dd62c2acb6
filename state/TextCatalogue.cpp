#include "state/TextCatalogue.h"

#include "state/SharedState.h"

#include <iterator>

namespace
{

struct CatalogueRow {
    int entry;
    const char* german;
    const char* english;
};

// Texts are UTF-8 in this file; every blank at the start or end belongs to the text.
constexpr CatalogueRow MenuRows[] = {
    {4, "Programm beenden", "Exit Program"},
    {30, "Sprache", "Language"},
    {31, "Englisch", "English"},
    {32, "Deutsch", "German"},
    {50, "Verbinden", "Connect"},
    {56, "Trennen", "Disconnect"},
    {57, "Bereit", "Ready"},
};

constexpr CatalogueRow MessageRows[] = {
    {0, "Scan", "Scan"},
    {2, "Bluetooth Gerät zum Verbinden auswählen", "Select bluetooth device to connect"},
    {3, "Bitte ein Gerät auswählen", "Please select a device to enumerate items for."},
    {5, "Verbinde Gerät mit ID ", "Connecting device with ID "},
    {10, "Gerät verbinden", "Connect device"},
    {11, "Technische Information", "Technical information"},
    {12, "Sprachdateien suchen", "Search for language file"},
    {14, "Sprachdatei übertragen", "Transfer language file"},
    {15, "Datum/Zeit aktualisieren", "Set Date/Time"},
    {16, "Aktualisieren", "Set"},
    {21, "Technische Information", "Tecnical information"},
    {22, "Bitte erst Datei einlesen", "Please, read file first"},
    {23, "Datei kann nicht gelöscht werden oder ist nicht vorhanden!",
     "File can't be deleted or no such file!"},
    {24, "Fehler beim Datei schreiben BLE:", "Error writing file BLE:"},
    {25, "Fehler Datei schließen BLE:", "Error close file BLE:"},
    {26, "Fehler beim Einlesen der Kennlinie", "Error reading characteristic curve"},
    {27, "Bitte Sprachdatei auswählen", "Please select language file"},
    {28,
     "Gerätespeicher wurde erfolgreich resetted! Bitte Gerät aus und einschalten und neu "
     "verbinden",
     "Device Memory system was successfully resetted, please switch off and on device and "
     "reconnect"},
    {29, "Reset Gerätespeicher", "Reset device memory system"},
    {30, "Dateien herunterladen", "Write files to computer"},
    {31, "Datei(probe) einspielen", "Transer file(probe) to device"},
    {32, "Datei factory überschreiben", "Overwrite file(factory)"},
    {33, "Sprachdatei wird auf das Gerät übertragen", "Language file will be transfered to device"},
    {34, " wurde erfolgreich auf das Gerät übertragen", " was successfully transfered to device"},
    {35, "Bitte warten", "Please wait"},
    {36, "Daten auslesen", "Read data"},
    {37, "Bitte Bluetooth Einstellungen prüfen, oder Adapter verbinden",
     "Please check bluetooth settings or connect dongle"},
    {38, "Datei NaxoLogo.png fehlt", "File NaxoLogo.png is missing"},
    {39, "Bitte wiederholen", "Please try again"},
};

struct LanguageRow {
    const char* code;
    const char* german;  // column 0
    const char* english; // column 1; rows 6 to 8 give the language's own name
};

// Rows 0 to 8 of the language-file tables, in row order.
constexpr LanguageRow LanguageRows[] = {
    {"DE", "Deutsch", "German"},         {"EN", "Englisch", "English"},
    {"FR", "Französisch", "French"},     {"IT", "Italienisch", "Italian"},
    {"RU", "Russisch", "Russian"},       {"EL", "Griechisch", "Greek"},
    {"HU", "Ungarisch", "Magyar"},       {"PL", "Polnisch", "Polski"},
    {"NL", "Holländisch", "Nederlands"},
};
static_assert(std::size(LanguageRows) <= LanguageRowCount, "language rows exceed the table");

template <typename Table, typename Rows> void fillTable(Table& table, const Rows& rows)
{
    table.fill(QString());
    for (const CatalogueRow& row : rows) {
        const int german = textElement(LanguageGerman, row.entry);
        const int english = textElement(LanguageEnglish, row.entry);
        if (german >= 0 && english >= 0) {
            table[german] = QString::fromUtf8(row.german);
            table[english] = QString::fromUtf8(row.english);
        }
    }
}

template <typename Table> QString textAt(const Table& table, int language, int entry)
{
    const int element = textElement(language, entry);
    return element < 0 ? QString() : table[element];
}

} // namespace

int textElement(int language, int entry)
{
    if (language < 0 || language >= TextLanguageCount || entry < 0 || entry >= TextEntryCount)
        return -1;
    return language * TextEntryCount + entry;
}

int languageNameElement(int column, int row)
{
    if (column < 0 || column >= LanguageColumnCount || row < 0 || row >= LanguageRowCount)
        return -1;
    return column * LanguageRowCount + row;
}

void fillTextTables()
{
    fillTable(sharedState().MenuTexts, MenuRows);
    fillTable(sharedState().MessageTexts, MessageRows);
}

void FillLanguageTables()
{
    SharedState& state = sharedState();
    state.LanguageCodes.fill(QString());
    state.LanguageNames.fill(QString());
    int row = 0;
    for (const LanguageRow& language : LanguageRows) {
        state.LanguageCodes[row] = QString::fromUtf8(language.code);
        state.LanguageNames[languageNameElement(LanguageGerman, row)] =
            QString::fromUtf8(language.german);
        state.LanguageNames[languageNameElement(LanguageEnglish, row)] =
            QString::fromUtf8(language.english);
        ++row;
    }
}

QString pick(const char* german, const char* english)
{
    return QString::fromUtf8(sharedState().LanguageIndex == LanguageGerman ? german : english);
}

int interfaceLanguage()
{
    return sharedState().LanguageIndex;
}

void setInterfaceLanguage(int language)
{
    sharedState().LanguageIndex = qint16(language);
}

QString menuText(int entry)
{
    return menuTextFor(sharedState().LanguageIndex, entry);
}

QString messageText(int entry)
{
    return messageTextFor(sharedState().LanguageIndex, entry);
}

QString menuTextFor(int language, int entry)
{
    return textAt(sharedState().MenuTexts, language, entry);
}

QString messageTextFor(int language, int entry)
{
    return textAt(sharedState().MessageTexts, language, entry);
}

QString languageCode(int row)
{
    return row < 0 || row >= LanguageRowCount ? QString() : sharedState().LanguageCodes[row];
}

QString languageName(int row)
{
    return languageNameFor(sharedState().LanguageIndex, row);
}

QString languageNameFor(int column, int row)
{
    const int element = languageNameElement(column, row);
    return element < 0 ? QString() : sharedState().LanguageNames[element];
}
