#include "history/HistoryConnection.h"

#include "history/FileLocks.h"
#include "history/HistorySchema.h"
#include "history/PostgresConnection.h"
#include "state/LogCategories.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QThread>

namespace
{
enum class Opened { Ok, Damaged, Failed };
constexpr int kBusyRetryMs = 20;

HistoryOpenResult failed(const QString& error)
{
    qCInfo(zvHistory) << "history not opened:" << error;
    return {false, error, {}};
}

// SQLITE_CORRUPT and SQLITE_NOTADB: the file is no database, or a damaged one.
bool isDamage(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 11 || code == 26;
}

// SQLITE_BUSY and SQLITE_LOCKED.
bool isBusy(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 5 || code == 6;
}

// Runs the pragma; a database another process is just creating (switching it to WAL) is
// waited for up to the busy timeout, which SQLite does not apply to that switch.
bool execWaiting(QSqlQuery& q, const QString& pragma)
{
    QElapsedTimer waited;
    waited.start();
    while (!q.exec(pragma)) {
        if (!isBusy(q.lastError()) || waited.elapsed() > HistoryConnection::kBusyTimeoutMs)
            return false;
        QThread::msleep(kBusyRetryMs);
    }
    return true;
}

Opened runPragmas(QSqlDatabase& db, QString& error)
{
    const QStringList pragmas = {
        QStringLiteral("PRAGMA busy_timeout = %1").arg(HistoryConnection::kBusyTimeoutMs),
        QStringLiteral("PRAGMA foreign_keys = ON"), QStringLiteral("PRAGMA journal_mode = WAL"),
        // With WAL a commit is in the log before COMMIT returns; a crash of the program loses
        // nothing committed, only the operating system's last writes could go with the power.
        QStringLiteral("PRAGMA synchronous = NORMAL"),
        // The log is copied back at the end of a visit (HistoryDb::checkpoint), not in the middle
        // of a device operation; this only bounds it should no visit end.
        QStringLiteral("PRAGMA wal_autocheckpoint = 20000"),
        QStringLiteral("PRAGMA quick_check(1)")};
    for (const QString& pragma : pragmas) {
        QSqlQuery q(db);
        if (!execWaiting(q, pragma)) {
            error = q.lastError().text();
            return isDamage(q.lastError()) ? Opened::Damaged : Opened::Failed;
        }
        if (pragma.contains(QLatin1String("quick_check")) && q.next() &&
            q.value(0).toString() != QLatin1String("ok")) {
            error = q.value(0).toString();
            return Opened::Damaged;
        }
    }
    return Opened::Ok;
}

Opened tryOpenSqlite(HistoryDb& d, const QString& path, QString& error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d.connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(HistoryConnection::kBusyTimeoutMs));
    if (!db.open()) {
        error = db.lastError().text();
        return Opened::Failed;
    }
    if (const Opened pragmas = runPragmas(db, error); pragmas != Opened::Ok)
        return pragmas;
    if (HistorySchema::migrate(db, false, error))
        return Opened::Ok;
    return error.contains(QLatin1String("malformed")) ? Opened::Damaged : Opened::Failed;
}

void dropConnection(HistoryDb& d)
{
    QSqlDatabase::database(d.connectionName, false).close();
    QSqlDatabase::removeDatabase(d.connectionName);
}

// Another connection, of any process, still has the database open: moving it would split what
// that one writes from what comes next.
bool inUse(const QString& path)
{
    return FileLocks::isLocked(path) || FileLocks::isLocked(path + QLatin1String("-shm")) ||
           FileLocks::isLocked(path + QLatin1String("-wal"));
}

// Moves the damaged file and its WAL companions aside; the name used, or empty.
QString moveAside(const QString& path)
{
    const QString aside = HistoryConnection::damagedName(path, QDateTime::currentDateTime());
    if (!QFile::rename(path, aside))
        return QString();
    for (const char* companion : {"-wal", "-shm"}) {
        const QString from = path + QLatin1String(companion);
        if (QFile::exists(from) && !QFile::rename(from, aside + QLatin1String(companion)))
            QFile::remove(from);
    }
    return aside;
}

// Its handle of the connection is gone when it returns, so that a failed connection can be
// removed without Qt warning that it is still in use.
bool migrated(const HistoryDb& d, QString& error)
{
    QSqlDatabase db = d.db();
    return HistorySchema::migrate(db, true, error);
}
} // namespace

namespace HistoryConnection
{

QString damagedName(const QString& path, const QDateTime& now)
{
    return path + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

HistoryOpenResult openSqlite(HistoryDb& d, const QString& path)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return failed(QStringLiteral("cannot create the folder of %1").arg(path));
    QString error;
    Opened opened = tryOpenSqlite(d, path, error);
    HistoryOpenResult result;
    if (opened == Opened::Damaged) {
        dropConnection(d);
        if (inUse(path))
            return failed(QStringLiteral("%1 is damaged (%2), but another program still has it "
                                         "open: it is left as it is; end that program and open "
                                         "the history again")
                              .arg(path, error));
        result.movedAside = moveAside(path);
        if (result.movedAside.isEmpty())
            return failed(
                QStringLiteral("%1 is damaged (%2) and could not be moved aside").arg(path, error));
        qCInfo(zvHistory) << "damaged history" << path << "moved to" << result.movedAside;
        opened = tryOpenSqlite(d, path, error);
    }
    if (opened != Opened::Ok) {
        dropConnection(d);
        result.ok = false;
        result.error = QStringLiteral("%1: %2").arg(path, error);
        return result;
    }
    result.ok = true;
    return result;
}

HistoryOpenResult openPostgres(HistoryDb& d, const PostgresLocation& server)
{
    const PostgresConnection::Result opened = PostgresConnection::open(d.connectionName, server);
    if (!opened.ok) {
        HistoryOpenResult result = failed(opened.error);
        result.refusal = opened.refusal;
        return result;
    }
    QString error;
    if (migrated(d, error))
        return {true, {}, {}};
    dropConnection(d);
    return failed(server.url() + QStringLiteral(": ") + error);
}

} // namespace HistoryConnection
