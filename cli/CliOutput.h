#pragma once

#include <QJsonObject>
#include <QString>

struct DeviceOutcome;

// Output of the command-line tool: results on standard output, messages on standard error.
namespace CliOutput
{
// One line (the text plus a line end) on standard output, flushed.
void printLine(const QString& text);
// The object as one line of compact JSON on standard output.
void printJson(const QJsonObject& object);
// A message in plain words on standard error (through the user dialogs).
void message(const QString& text);
// The one exit code of a device operation or a PC file step: 0 done; 3 no reply in time, link
// lost or no gauge; 1 for every other failure.
int exitFor(const DeviceOutcome& outcome);
} // namespace CliOutput
