#include "history/HistoryStorePrivate.h"

#include "history/HistoryServerWatch.h"
#include "history/PostgresConnection.h"
#include "state/LogCategories.h"

#include <QSqlError>
#include <QUuid>

namespace
{
constexpr qint64 kWriterLock = 0x5a56'4849'5357; // any number the program owns
// The name space of record content keys (any UUID the program owns).
const QUuid kSnapshotSpace(0x5a564849, 0x5354, 0x4f52, 0x59, 0x53, 0x4e, 0x41, 0x50, 0x53, 0x48,
                           0x54);

// Runs the statement (or the prepared query) with the server watch told of it.
bool execWatched(const HistoryDb& d, QSqlQuery& query, const QString& sql)
{
    if (d.watch)
        d.watch->statementStarted();
    const bool ok = sql.isEmpty() ? query.exec() : query.exec(sql);
    if (d.watch)
        d.watch->statementEnded();
    return ok;
}
} // namespace

QString historySnapshotKey(const QString& file, const QString& hex)
{
    return QUuid::createUuidV5(kSnapshotSpace, file + QLatin1Char('\n') + hex)
        .toString(QUuid::WithoutBraces);
}

QString historyNewKey()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString historyTimeText(const QDateTime& utc)
{
    return utc.isValid() ? utc.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime historyTimeFromText(const QString& text)
{
    QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    return t.isValid() ? t.toUTC() : QDateTime();
}

void HistoryDb::noteError(const QSqlError& error) const
{
    lastError = error.text();
    qCDebug(zvHistory) << "history:" << lastError;
}

bool HistoryDb::exec(QSqlQuery& query, const QString& sql, const QVariantList& values) const
{
    if (!open) {
        lastError = QStringLiteral("the history is not open");
        return false;
    }
    if (values.isEmpty()) { // BEGIN and COMMIT cannot be prepared on PostgreSQL
        if (execWatched(*this, query, sql))
            return true;
        noteError(query.lastError());
        return false;
    }
    // A query kept for one statement is prepared once.
    if (query.lastQuery() != sql && !query.prepare(sql)) {
        noteError(query.lastError());
        return false;
    }
    for (const QVariant& v : values) {
        // A null text would be bound as NULL; the text columns hold '' for "none".
        const bool nullText = v.typeId() == QMetaType::QString && v.toString().isNull();
        query.addBindValue(nullText ? QVariant(QStringLiteral("")) : v);
    }
    if (execWatched(*this, query, QString()))
        return true;
    noteError(query.lastError());
    return false;
}

QVariant HistoryDb::scalar(const QString& sql, const QVariantList& values) const
{
    QSqlQuery q(db());
    if (!exec(q, sql, values) || !q.next())
        return {};
    return q.value(0);
}

bool HistoryDb::reopen()
{
    QSqlDatabase database = db();
    if (watch) {
        watch->disconnected();
        watch->statementStarted(); // making the connection counts as waiting for the server
    }
    database.close();
    const bool opened = database.open();
    if (watch && opened)
        watch->connected(database);
    if (opened && postgres) // the new session starts without them
        PostgresConnection::applySessionLimits(database);
    if (watch)
        watch->statementEnded();
    if (!opened)
        noteError(database.lastError());
    return opened;
}

void HistoryDb::checkpoint()
{
    if (open && !postgres)
        QSqlQuery(db()).exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
}

bool HistoryDb::inTransaction(const std::function<bool()>& step)
{
    const QString begin = postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
    if (!db().isOpen() && !reopen())
        return false;
    QSqlQuery q(db());
    bool begun = execWatched(*this, q, begin);
    // The server may have restarted since the last statement: one new connection.
    if (!begun && postgres && reopen()) {
        q = QSqlQuery(db());
        begun = execWatched(*this, q, begin);
    }
    if (!begun) {
        if (db().isOpen())
            noteError(q.lastError());
        return false;
    }
    // One writer at a time, as BEGIN IMMEDIATE gives on SQLite: two clients meeting a new gauge
    // at once must not both make it.
    if (postgres && !exec(q, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriterLock))) {
        QSqlQuery(db()).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (step() && exec(q, QStringLiteral("COMMIT")))
        return true;
    const QString error = lastError;
    QSqlQuery(db()).exec(QStringLiteral("ROLLBACK"));
    lastError = error;
    return false;
}
