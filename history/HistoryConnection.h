#pragma once

#include "history/HistoryStorePrivate.h"
#include "history/PostgresLocation.h"

// Opening the store's database: an SQLite file (WAL, busy timeout, foreign keys; a damaged file
// is moved aside and a new one started) or a PostgreSQL server named by a postgresql:// URL.
// Both end migrated to the current schema.
namespace HistoryConnection
{
constexpr int kBusyTimeoutMs = 5000;

HistoryOpenResult openSqlite(HistoryDb& d, const QString& path);
HistoryOpenResult openPostgres(HistoryDb& d, const PostgresLocation& server);
// "history.sqlite.damaged-YYYYMMDD-hhmmss" beside path, at local time now.
QString damagedName(const QString& path, const QDateTime& now);
} // namespace HistoryConnection
