#include "state/ServiceLog.h"

#include "state/ProgramFiles.h"
#include "state/SharedState.h"
#include "state/Windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace
{

constexpr char LineEnd[] = "\r\n";
constexpr QIODevice::OpenMode RecreateMode = QIODevice::WriteOnly | QIODevice::Truncate;
constexpr QIODevice::OpenMode AppendMode = QIODevice::WriteOnly | QIODevice::Append;

QString programFolderLogPath()
{
    QString folder = sharedState().ProgramFolder;
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    return QDir(folder).filePath(serviceLogFileName());
}

// The log in the user's application-data folder, which is created if needed; empty if that fails.
QString appDataLogPath()
{
    const QString folder = ProgramFiles::userDataFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    return QDir(folder).filePath(serviceLogFileName());
}

// Writes one line to `path`; false when the file cannot be opened or the line did not reach it.
bool writeLine(const QString& path, const QString& line, QIODevice::OpenMode mode)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(mode))
        return false;
    sharedState().LogFileNumber = static_cast<int16_t>(file.handle());
    const QByteArray bytes = toWindows1252(line) + LineEnd;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written;
}

// Writes to the program folder's log, else to the application-data log; LogFilePath names the
// file that took the line (the program folder's one when neither did).
void writeToChosenLog(const QString& line, QIODevice::OpenMode mode)
{
    SharedState& state = sharedState();
    state.LogFilePath = programFolderLogPath();
    if (writeLine(state.LogFilePath, line, mode))
        return;
    const QString fallback = appDataLogPath();
    if (writeLine(fallback, line, mode))
        state.LogFilePath = fallback;
}

} // namespace

QString serviceLogFileName()
{
    return QStringLiteral("ZVServiceLog.txt");
}

void StartServiceLog()
{
    writeToChosenLog(QStringLiteral(" "), RecreateMode);
}

void AppendServiceLog(const QString& line)
{
    const QString path = sharedState().LogFilePath;
    if (path.isEmpty()) {
        // Not started yet: choose the file the way the start does.
        writeToChosenLog(line, AppendMode);
        return;
    }
    writeLine(path, line, AppendMode);
}

QString errorReport(int number, const QString& source, const QString& description)
{
    return QString::number(number) + QStringLiteral("   ") + source + QLatin1Char('\r') +
           description + QStringLiteral("   ") + sharedState().LogFilePath;
}
