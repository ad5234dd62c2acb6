#pragma once

#include "history/HistoryLocation.h"
#include "history/HistoryTypes.h"
#include "history/PostgresConnection.h"

#include <QString>
#include <optional>

// How opening the history went. A history that cannot be opened is a warning, never a stop.
struct HistoryOpenResult {
    bool ok = false;
    QString error;      // English, for the status line and the service log
    QString movedAside; // a damaged database file was moved here and a new one started
    PostgresConnection::Refusal refusal = PostgresConnection::Refusal::None; // a server's
};

// The service history: gauges, visits, events and record snapshots in an SQL database, either an
// SQLite file (the default, in the user's application-data folder) or a PostgreSQL server named
// by a URL "postgresql://user@host[:port]/db?keyword=value...". The schema carries its version
// and is migrated on open, the same on both. Every change runs in its own transaction. One store
// per thread.
class HistoryStore
{
public:
    HistoryStore();
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // The SQLite file used without --history.
    static QString defaultLocation();
    // A file path or a postgresql:// URL; empty: defaultLocation(). A text that is neither (see
    // HistoryLocation::parse) is an error. A history that does not open leaves the one open
    // before as it was.
    HistoryOpenResult open(const QString& location);
    HistoryOpenResult open(const HistoryLocation& location);
    bool isOpen() const;
    // The file path, or the server's URL without its password.
    QString location() const;
    QString lastError() const;

    // Every gauge, most recently seen first.
    QList<GaugeSummary> gauges() const;
    // The gauge with this serial number (or, failing that, this MAC).
    std::optional<GaugeSummary> gauge(const QString& serialOrMac) const;
    // A gauge's visits with their events, newest visit first, events in time order.
    QList<VisitSummary> visits(qint64 gaugeId) const;
    // A gauge's distinct record contents, oldest first.
    QList<HistorySnapshot> snapshots(qint64 gaugeId) const;
    std::optional<HistorySnapshot> snapshot(qint64 snapshotId) const;
    // The id of the visit with this key (made when it started, on any PC); 0: none here.
    qint64 visitOfKey(const QString& key) const;
    // One row per event (gauge, visit, time, kind, file, outcome, detail ...) of one gauge, or of
    // every gauge with gaugeId 0; false with lastError() when the file cannot be written.
    bool exportCsv(const QString& path, qint64 gaugeId = 0) const;
    // What of this file waits for the shared server (nothing on a server itself).
    HistoryBacklog backlog() const;

private:
    void close();

    struct Private;
    Private* d;
    friend class HistoryApplier;
};
