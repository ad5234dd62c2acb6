#pragma once

#include <QStringList>

class HistoryService;

// zvctl history [SERIAL | diff SERIAL [SNAPSHOT SNAPSHOT] | export FILE.csv | report SERIAL
// [VISIT] FILE.pdf]: the service history, read from this PC's file (already opened); with a
// shared server it is synchronised first (at most kSyncBoundMs) and its state follows in one
// line. Each returns the exit code.
namespace CliHistoryCommands
{
constexpr int kSyncBoundMs = 5000;

// args: the words after "history"; the report's logo is in programFolder.
int run(HistoryService& history, const QStringList& args, bool json,
        const QString& programFolder);
} // namespace CliHistoryCommands
