#pragma once

#include "history/HistoryStorePrivate.h"

// The shared server of a synchroniser: the one place where its connection is made.
namespace HistoryServer
{
// A statement the server has not finished in this time is cancelled by the server.
constexpr int kStatementBoundMs = 30000;

// Connects server (its connectionName set) on the calling thread to the postgresql:// URL
// (user, host, port and database; a query item host=/dir names a socket folder), without
// migrating; false with server.lastError set when it cannot.
bool open(HistoryDb& server, const QString& url);
} // namespace HistoryServer
