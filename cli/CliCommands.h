#pragma once

#include <QStringList>

class CliSession;

// The commands of zvctl; each returns the process exit code.
namespace CliCommands
{
int scan(CliSession& session);
int send(CliSession& session, const QString& text);
int battery(CliSession& session);

// "\r", "\n" and "\\" escapes of a command given on the command line.
QString unescape(const QString& text);
} // namespace CliCommands
