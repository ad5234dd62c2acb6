#include "service/LanguageFiles.h"

#include "state/ProgramFiles.h"
#include "state/SharedState.h" // LanguageRowCount
#include "state/TextCatalogue.h"

#include <QDir>
#include <QFileInfo>

namespace
{
constexpr QChar kLanguagePrefix = QLatin1Char('l');
constexpr int kCodePosition = 1; // the code follows the "l"
constexpr int kCodeLength = 2;
const QString kFolderName = QStringLiteral("lng");

// Removes leading and trailing blanks (only blanks, as the names are typed).
void trimBlanks(QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    text = text.mid(first, last - first);
}

int searchedRows()
{
    return qMin(LanguageFiles::kSearchedRows, LanguageRowCount);
}

// An existing folder, or one that could be created; empty otherwise.
QString usableFolder(const QString& path, bool* created)
{
    const QFileInfo info(path);
    if (info.isDir())
        return path;
    if (info.exists() || info.isSymLink())
        return {};
    if (!QDir().mkpath(path))
        return {};
    if (created)
        *created = true;
    return path;
}
} // namespace

QStringList LanguageSearchResult::names() const
{
    QStringList list;
    for (const LanguageFileEntry& e : entries)
        list.append(e.languageName);
    return list;
}

QString LanguageFiles::DateinameUmsetzen(QString& Name)
{
    trimBlanks(Name);
    if (!Name.startsWith(kLanguagePrefix))
        return {};
    const QString code = Name.mid(kCodePosition, kCodeLength);
    for (int row = 0; row < searchedRows(); ++row) {
        const QString rowCode = languageCode(row);
        if (rowCode.isEmpty())
            return {};
        if (code == rowCode)
            return languageName(row);
    }
    return {};
}

QString LanguageFiles::SpracheUmsetzen(QString& Sprache)
{
    trimBlanks(Sprache);
    for (int row = 0; row < searchedRows(); ++row) {
        const QString rowCode = languageCode(row);
        if (rowCode.isEmpty())
            return {};
        if (languageName(row) == Sprache)
            return rowCode;
    }
    return {};
}

QString LanguageFiles::languageFolder(const QString& programFolder, bool* created)
{
    if (created)
        *created = false;
    QString folder;
    if (!programFolder.isEmpty())
        folder = usableFolder(QDir(programFolder).filePath(kFolderName), created);
    if (folder.isEmpty()) {
        const QString appData = ProgramFiles::userDataFolder();
        if (!appData.isEmpty())
            folder = usableFolder(QDir(appData).filePath(kFolderName), created);
    }
    return folder.isEmpty() ? folder : folder + QLatin1Char('/');
}

QVector<LanguageFileEntry> LanguageFiles::listFolder(const QString& folder)
{
    QVector<LanguageFileEntry> entries;
    if (folder.isEmpty())
        return entries;
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& file : files) {
        QString name = file.fileName();
        const QString language = DateinameUmsetzen(name);
        if (!language.isEmpty())
            entries.append({file.fileName(), language});
    }
    return entries;
}

LanguageSearchResult LanguageFiles::search(const QString& programFolder)
{
    LanguageSearchResult result;
    result.folder = languageFolder(programFolder, &result.folderCreated);
    result.entries = listFolder(result.folder);
    return result;
}
