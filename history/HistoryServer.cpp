#include "history/HistoryServer.h"

#include "history/PostgresConnection.h"

namespace HistoryServer
{

bool open(HistoryDb& server, const PostgresLocation& location)
{
    server.postgres = true;
    server.location = location.url();
    PostgresConnection::Limits limits;
    limits.statementTimeoutMs = kStatementBoundMs;
    const PostgresConnection::Result opened =
        PostgresConnection::open(server.connectionName, location, limits);
    server.open = opened.ok;
    server.lastError = opened.error;
    return opened.ok;
}

} // namespace HistoryServer
