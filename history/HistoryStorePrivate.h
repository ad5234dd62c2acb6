#pragma once

#include "history/HistoryStore.h"
#include "history/PostgresLocation.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>
#include <functional>

// The store's connection and the statements both the store and the recorder run on it.
struct HistoryDb {
    QString connectionName;
    QString location;
    mutable QString lastError;
    bool postgres = false;
    bool open = false;

    QSqlDatabase db() const { return QSqlDatabase::database(connectionName, false); }
    // Runs sql with the values bound in order; false with lastError set when it fails.
    bool exec(QSqlQuery& query, const QString& sql, const QVariantList& values = {}) const;
    // The first column of the first row, or an invalid value.
    QVariant scalar(const QString& sql, const QVariantList& values = {}) const;
    // Runs step between BEGIN (IMMEDIATE on SQLite: writers queue on the busy timeout) and
    // COMMIT; a failing step or commit rolls back. A lost server connection is opened again once.
    bool inTransaction(const std::function<bool()>& step);
    void noteError(const QSqlError& error) const;
    // Closes and opens the connection again; false with lastError when it stays closed.
    bool reopen();
    // SQLite: copies the write-ahead log back into the file as far as no reader holds it.
    void checkpoint();
};

struct HistoryStore::Private : HistoryDb {
    std::optional<PostgresLocation> secrets; // rememberSecrets()
};

// UTC time as stored: ISO 8601 with milliseconds; text sorts in time order on both databases.
QString historyTimeText(const QDateTime& utc);
QDateTime historyTimeFromText(const QString& text);
