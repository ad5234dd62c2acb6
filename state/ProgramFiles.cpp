#include "state/ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace
{
// Any of these beside the program marks a build folder (or a copied program folder).
bool holdsProgramFiles(const QDir& dir)
{
    return QFileInfo(dir.filePath(QStringLiteral("lng"))).isDir() ||
           QFileInfo(dir.filePath(QStringLiteral("NaxoLogo.png"))).isFile();
}
} // namespace

QString ProgramFiles::folderFor(const QString& programDir)
{
    const QDir beside(programDir);
    if (holdsProgramFiles(beside))
        return QDir::cleanPath(programDir);
    const QString installed = QDir::cleanPath(beside.filePath(QLatin1String(kInstalledFolder)));
    return QFileInfo(installed).isDir() ? installed : QDir::cleanPath(programDir);
}

QString ProgramFiles::userDataFolder()
{
    const QString generic = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return generic.isEmpty() ? generic
                             : QDir(generic).filePath(QCoreApplication::applicationName());
}

QString ProgramFiles::dialogFolder(const QString& programFolder, const QString& subFolder)
{
    const QFileInfo program(programFolder);
    if (programFolder.isEmpty() || !program.isDir() || !program.isWritable())
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return subFolder.isEmpty() ? programFolder : QDir(programFolder).filePath(subFolder);
}
