#pragma once

#include "history/HistoryStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>
#include <functional>

class HistoryServerWatch;

// The store's connection and the statements both the store and the recorder run on it.
struct HistoryDb {
    QString connectionName;
    QString location;
    mutable QString lastError;
    bool postgres = false;
    bool open = false;
    QString pc; // the key of this PC's local file (its rows' origin); empty on a server
    // A server connection's statements, for another thread to bound; null: not watched.
    HistoryServerWatch* watch = nullptr;

    QSqlDatabase db() const { return QSqlDatabase::database(connectionName, false); }
    // Runs sql with the values bound in order (a query that ran sql before is not prepared
    // again); false with lastError set when it fails.
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
};

// The key of a record content: the same for the same file and hex text on every PC.
QString historySnapshotKey(const QString& file, const QString& hex);
// A new key for a visit or an event, unique across PCs.
QString historyNewKey();

// UTC time as stored: ISO 8601 with milliseconds; text sorts in time order on both databases.
QString historyTimeText(const QDateTime& utc);
QDateTime historyTimeFromText(const QString& text);
