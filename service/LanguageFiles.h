#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// One language file found in the language folder.
struct LanguageFileEntry {
    QString fileName;     // the name in the folder ("lDE", "lDE.txt", ...)
    QString languageName; // its language in the current interface language ("Deutsch", ...)
};

// Where the search looked and what it found.
struct LanguageSearchResult {
    QString folder;                     // the language folder, with a trailing "/"; empty if none
    QVector<LanguageFileEntry> entries; // in file-name order
    bool folderCreated = false;         // the folder was missing and has been created
    QStringList names() const;          // the language names, for the list
};

// The language files of the gauge kept on the computer: files "l" + two-letter code in a folder
// "lng" beside the program, listed under the names of their languages.
class LanguageFiles
{
public:
    // The language name for a file name, or "" if the name is not a language file. Trims the
    // blanks around Name in place.
    static QString DateinameUmsetzen(QString& Name);
    // The two-letter code for a language name, or "" if the name is not known. Trims the blanks
    // around Sprache in place.
    static QString SpracheUmsetzen(QString& Sprache);

    // The folder "lng" beside the program, created when missing. Where it cannot be created
    // (the program's folder is not writable, or "lng" there is not a folder), the folder "lng"
    // in the user's application-data folder. Ends with "/"; empty when neither can be had.
    static QString languageFolder(const QString& programFolder, bool* created = nullptr);

    // Lists the ordinary, non-hidden files of the language folder, sorted by name, that are
    // language files.
    static LanguageSearchResult search(const QString& programFolder);
    static QVector<LanguageFileEntry> listFolder(const QString& folder);

    // The rows of the language tables that are looked at.
    static constexpr int kSearchedRows = 10;
};
