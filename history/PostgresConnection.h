#pragma once

#include "history/PostgresLocation.h"

#include <QSqlDatabase>

// Opening a PostgreSQL server through Qt's QPSQL driver, the one place the program does it: every
// connection keyword of the location reaches libpq, with TCP keepalives, a connect limit and
// bounds on statements, lock waits and idle transactions, so a server that has gone away without
// a word is found out. A connection belongs to the thread that opens it: a thread of its own
// calls open() with a connection name of its own.
namespace PostgresConnection
{
// The program's defaults; a value the location sets itself wins.
struct Limits {
    int connectTimeoutS = 5;
    int keepalivesIdleS = 30;
    int keepalivesIntervalS = 10;
    int keepalivesCount = 3;
    int tcpUserTimeoutMs = 30000; // data unacknowledged this long: the connection is lost
    int statementTimeoutMs = 30000;
    int lockTimeoutMs = 5000;
    int idleInTransactionMs = 60000;
    QString applicationName = QStringLiteral("ZVService"); // as fallback_application_name
};

// Why a connection was refused, where it matters to what happens next.
enum class Refusal {
    None,
    DriverMissing,    // Qt's QPSQL driver is not installed
    PasswordMissing,  // the server asks for a password and none was known
    PasswordRejected, // the server did not accept the password
    Other,
};

struct Result {
    bool ok = false;
    Refusal refusal = Refusal::None;
    QString error; // English, with the URL without its password; never the password
};

// The options string for QSqlDatabase::setConnectOptions: every keyword the driver does not take
// through its own setters, the defaults for those the location leaves out, each value quoted.
QString connectOptions(const PostgresLocation& location, const Limits& limits = {});
// Adds the connection `name` (replacing one of that name) and opens it; on failure it is
// removed again. On success the session's statement, lock and idle-transaction bounds are set
// where the server has none.
Result open(const QString& name, const PostgresLocation& location, const Limits& limits = {});
// After a connection of open() was closed and opened again: sets the session bounds anew.
bool applySessionLimits(QSqlDatabase& db, const Limits& limits = {});
} // namespace PostgresConnection
