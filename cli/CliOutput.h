#pragma once

#include <QJsonObject>
#include <QString>

struct TransferResult;

// Output of the command-line tool: results on standard output, messages on standard error.
namespace CliOutput
{
// One line (the text plus a line end) on standard output, flushed.
void printLine(const QString& text);
// The object as one line of compact JSON on standard output.
void printJson(const QJsonObject& object);
// A message in plain words on standard error (through the user dialogs).
void message(const QString& text);
// The exit code for a device transfer or PC file step.
int exitFor(const TransferResult& result);
} // namespace CliOutput
