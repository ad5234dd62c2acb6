#pragma once

#include "history/HistoryStorePrivate.h"

// A gauge as it travels between a PC's file and the shared server: its columns as stored.
struct SyncGauge {
    QString serial;
    QString mac;
    QString hardware;
    QString controler;
    QString build;
    QString revision;
    QString firstSeen; // stored time text (sorts in time order)
    QString lastSeen;

    // The eight columns of q from column first on (serial ... last_seen).
    static SyncGauge from(const QSqlQuery& q, int first);
    bool operator==(const SyncGauge& other) const = default;
};

// Gauges of different PCs are the same gauge when their serial numbers are the same, or, for a
// gauge known by its MAC alone, when the MAC is; a gauge known by the MAC alone takes the serial
// when it arrives. Both sides of the synchronisation resolve gauges by this rule.
namespace HistorySyncGauges
{
enum class Side {
    Local, // a PC's file: what arrives from the server is not waiting for the server
    Server // the server: what changes gets the next change number, marked with the pc's key
};

// The id of the gauge of d that is g, made when there is none; its columns take what g knows
// that it does not (the identity fields of the later sighting, the earliest first and latest
// last sighting). 0 with d.lastError set on failure.
qint64 resolve(HistoryDb& d, Side side, const SyncGauge& g, const QString& pc);
// What the two sightings of one gauge know together.
SyncGauge merged(const SyncGauge& known, const SyncGauge& arriving);
} // namespace HistorySyncGauges
