#pragma once

#include <QString>

// Where the program's own files (logo, "lng" language files) are: beside the program in a build
// folder, or in <prefix>/share/zvservice once installed to <prefix>/bin.
namespace ProgramFiles
{
inline constexpr char kInstalledFolder[] = "../share/zvservice";

// The folder for a program in programDir: programDir when the files are beside it, else the
// installed share folder when that exists, else programDir.
QString folderFor(const QString& programDir);
// The user's folder for the program's data (service log, backups, history, language files):
// ~/.local/share/<application name> on Linux; empty when there is none. The organisation name
// is not part of it, so the folder stayed where it was when the programs were given one.
QString userDataFolder();

// Where a file dialog starts: subFolder of the program folder (the folder itself for "") while the
// program folder is writable, as in a build or a copied program folder; once installed, where it
// is not, the user's documents folder.
QString dialogFolder(const QString& programFolder, const QString& subFolder = {});
} // namespace ProgramFiles
