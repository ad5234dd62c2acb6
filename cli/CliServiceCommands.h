#pragma once

#include <QString>

class CliSession;

// The service commands: language files, memory reset, the gauge's clock. Each returns the
// process exit code.
namespace CliServiceCommands
{
// Lists the language files in folder (empty: the program's "lng" folder) with their names.
int languages(CliSession& session, const QString& folder);
// Sends the language file under its own name, which must be "l" + a known language code.
int sendLanguage(CliSession& session, const QString& path);
// The memory reset; refused (exit 2, nothing sent, no connection) without confirmed.
int reset(CliSession& session, bool confirmed);
// Reads the gauge's clock, after setting it to this computer's time when set.
int time(CliSession& session, bool set);
} // namespace CliServiceCommands
