#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The history's tables and their migrations. Version n is reached by applying the steps of
// versions 1..n in order; the version reached is kept in the table schema_version. The SQL runs
// on SQLite and on PostgreSQL; the key columns, the migration lock and the synchronisation's
// bookkeeping (version 3: a PC's file counts its changes, the server numbers them) differ.
namespace HistorySchema
{
constexpr int CurrentVersion = 3;

// The statements that take a database from version - 1 to version; empty for unknown versions.
QStringList stepsOf(int version, bool postgres);
// The version recorded in db; 0 for a database without the table.
int versionOf(const QSqlDatabase& db);
// Applies the missing steps up to target in one transaction (writers on other connections wait;
// on PostgreSQL an advisory lock serialises concurrent migrations). False with error set when a
// step fails; the database is then left at the version it had.
bool migrate(QSqlDatabase& db, bool postgres, QString& error, int target = CurrentVersion);
} // namespace HistorySchema
