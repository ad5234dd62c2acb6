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

// Where a file dialog starts: subFolder of the program folder (the folder itself for "") while the
// program folder is writable, as in a build or a copied program folder; once installed, where it
// is not, the user's documents folder.
QString dialogFolder(const QString& programFolder, const QString& subFolder = {});
} // namespace ProgramFiles
