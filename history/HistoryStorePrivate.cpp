#include "history/HistoryStorePrivate.h"

#include "history/PostgresConnection.h"
#include "state/LogCategories.h"

#include <QSqlError>

namespace
{
constexpr qint64 kWriterLock = 0x5a56'4849'5357; // any number the program owns
} // namespace

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
        if (query.exec(sql))
            return true;
        noteError(query.lastError());
        return false;
    }
    if (!query.prepare(sql)) {
        noteError(query.lastError());
        return false;
    }
    for (const QVariant& v : values) {
        // A null text would be bound as NULL; the text columns hold '' for "none".
        const bool nullText = v.typeId() == QMetaType::QString && v.toString().isNull();
        query.addBindValue(nullText ? QVariant(QStringLiteral("")) : v);
    }
    if (query.exec())
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
    database.close();
    if (database.open()) {
        if (postgres) // the new session starts without them
            PostgresConnection::applySessionLimits(database);
        return true;
    }
    noteError(database.lastError());
    return false;
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
    bool begun = q.exec(begin);
    // The server may have restarted since the last statement: one new connection.
    if (!begun && postgres && reopen()) {
        q = QSqlQuery(db());
        begun = q.exec(begin);
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
