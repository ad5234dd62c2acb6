#pragma once

#include <QString>
#include <functional>

// Versions a support file names.
struct SupportVersions {
    QString program; // "ZELVO Service V 1.02"
    QString qt;      // the Qt library at run time
    QString os;      // operating system and kernel
    QString bluez;   // the BlueZ daemon (Linux); empty where unknown
};

// The support file: the protocol trace, the service log and the versions of the program, Qt,
// the operating system and BlueZ in one text file.
namespace SupportReport
{
// The program that reports the BlueZ version (the Bluetooth back end installs it). Without
// one the BlueZ version is left empty.
void setBluezVersionProvider(std::function<QString()> provider);

// The versions at run time, with the program's title and version as given.
SupportVersions currentVersions(const QString& program);
// The service log at logPath as text (empty when it cannot be read).
QString serviceLogText(const QString& logPath);
// The whole file's text, lines ended by LF: the log is named by its path.
QString compose(const SupportVersions& versions, const QString& traceText, const QString& logPath,
                const QString& serviceLog);
// "ZVServiceSupport-yyyyMMdd-HHmmss.txt" for the current local time.
QString defaultFileName();

struct WriteResult {
    bool ok = false;
    QString path;  // the file written
    QString error; // why not
};
// Writes compose(...) of the current versions (program: title and version) and the service log
// at logPath with this trace text into a new file in the folder.
WriteResult write(const QString& folder, const QString& traceText, const QString& program,
                  const QString& logPath);
} // namespace SupportReport
