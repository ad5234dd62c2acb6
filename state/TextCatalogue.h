#pragma once

#include <QString>

// The bilingual text catalogue: MenuTexts and MessageTexts (3 languages x 101 entries) and the
// language-file tables LanguageCodes / LanguageNames, all held in sharedState().
// Lookups never index outside a table: an unknown language, entry, row or column gives "".

// Values of LanguageIndex.
constexpr int LanguageGerman = 0;
constexpr int LanguageEnglish = 1;

// Element of entry `entry` in language `language` (language * 101 + entry), or -1 outside.
int textElement(int language, int entry);
// Element of row `row` in column `column` of LanguageNames (column * 11 + row), or -1 outside.
int languageNameElement(int column, int row);

// Fills MenuTexts and MessageTexts with every text of both languages; unused entries stay empty.
void fillTextTables();
// Fills LanguageCodes rows 0 to 8 and LanguageNames rows 0 to 8 of columns 0 and 1.
void FillLanguageTables();

// The interface language (LanguageIndex): LanguageGerman or LanguageEnglish.
int interfaceLanguage();
void setInterfaceLanguage(int language);
// Texts in the current language (sharedState().LanguageIndex).
QString menuText(int entry);
QString messageText(int entry);
// The German or the English text (UTF-8) by the current language: German for LanguageGerman,
// English otherwise.
QString pick(const char* german, const char* english);
// Texts in an explicit language.
QString menuTextFor(int language, int entry);
QString messageTextFor(int language, int entry);

// Two-letter code of a language-file row ("DE", "EN", ...).
QString languageCode(int row);
// Name of a language-file row in the current language, or in an explicit column.
QString languageName(int row);
QString languageNameFor(int column, int row);
