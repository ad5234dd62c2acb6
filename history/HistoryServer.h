#pragma once

#include "history/HistoryStorePrivate.h"
#include "history/PostgresLocation.h"

// The shared server of a synchroniser: the one place where its connection is made.
namespace HistoryServer
{
// A statement the server has not finished in this time is cancelled by the server.
constexpr int kStatementBoundMs = 30000;

// Connects server (its connectionName set) on the calling thread to the location, with every
// connection keyword it names, its password, keepalives and the statement bounds
// (PostgresConnection), without migrating; false with server.lastError set when it cannot.
bool open(HistoryDb& server, const PostgresLocation& location);
} // namespace HistoryServer
