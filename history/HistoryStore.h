#pragma once

#include "history/HistoryTypes.h"

#include <QString>
#include <optional>

// How opening the history went. A history that cannot be opened is a warning, never a stop.
struct HistoryOpenResult {
    bool ok = false;
    QString error;      // English, for the status line and the service log
    QString movedAside; // a damaged database file was moved here and a new one started
};

// The service history: gauges, visits, events and record snapshots in an SQL database, either an
// SQLite file (the default, in the user's application-data folder) or a PostgreSQL server named
// by a URL "postgresql://user@host[:port]/db". The schema carries its version and is migrated on
// open, the same on both. Every change runs in its own transaction. One store per thread.
class HistoryStore
{
public:
    HistoryStore();
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // The SQLite file used without --history.
    static QString defaultLocation();
    // A file path or a postgresql:// URL; empty: defaultLocation().
    HistoryOpenResult open(const QString& location);
    bool isOpen() const;
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
    // One row per event (gauge, visit, time, kind, file, outcome, detail ...) of one gauge, or of
    // every gauge with gaugeId 0; false with lastError() when the file cannot be written.
    bool exportCsv(const QString& path, qint64 gaugeId = 0) const;
    // What of this file waits for the shared server (nothing on a server itself).
    HistoryBacklog backlog() const;

private:
    struct Private;
    Private* d;
    friend class HistoryApplier;
};
