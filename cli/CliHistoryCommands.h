#pragma once

#include <QStringList>

class HistoryStore;

// zvctl history [SERIAL | diff SERIAL [SNAPSHOT SNAPSHOT] | export FILE.csv]: the service
// history, read from store (already opened); each returns the process exit code.
namespace CliHistoryCommands
{
// args: the words after "history"; the report's logo is in programFolder.
int run(const HistoryStore& store, const QStringList& args, bool json,
        const QString& programFolder);
} // namespace CliHistoryCommands
