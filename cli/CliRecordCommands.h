#pragma once

#include <QString>

class CliSession;

// The commands on the gauge's record files and identity; each returns the process exit code.
namespace CliRecordCommands
{
// The identity request on its own ("$naxo00!" CR LF); prints the five identity fields.
int identity(CliSession& session);
// Reads "probe" and "factory" and prints both as the calibration table shows them.
int read(CliSession& session);
// Reads both files and saves them into folder as "probe" and "factory".
int download(CliSession& session, const QString& folder);
// Writes folder/probe into the gauge's file named deviceFile ("probe" or "factory").
int upload(CliSession& session, const QString& folder, const QString& deviceFile);
// Writes a backup file (or any file in the download format) back into the gauge's deviceFile.
int restore(CliSession& session, const QString& path, const QString& deviceFile);
} // namespace CliRecordCommands
