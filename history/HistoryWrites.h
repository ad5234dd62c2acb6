#pragma once

#include "history/HistoryStorePrivate.h"

struct IdentityFields;

// The statements the recorder writes with, each inside the caller's transaction. Ids are 0 and
// lastError is set when a statement fails.
namespace HistoryWrites
{
// The gauge last seen with this MAC, or a new one known by the MAC alone; last seen now.
qint64 gaugeForMac(HistoryDb& d, const QString& mac, const QDateTime& now);
// The visit of this key (made by the recorder, unique across PCs), from this PC.
qint64 startVisit(HistoryDb& d, qint64 gaugeId, const QString& key, const QDateTime& now,
                  const QString& programVersion);
bool endVisit(HistoryDb& d, qint64 visitId, const QDateTime& now);
bool setIdentity(HistoryDb& d, qint64 gaugeId, const IdentityFields& identity);
// The gauge the visit belongs to once its probe record names this serial: the same gauge when
// it had no serial yet or the same one, else the gauge of that serial (made if new), which takes
// over the visit (and a gauge known by its MAC alone, with everything it had).
qint64 gaugeForSerial(HistoryDb& d, qint64 gaugeId, qint64 visitId, const QString& serial,
                      const QDateTime& now);
// The snapshot of this content, stored on first sight.
qint64 snapshotFor(HistoryDb& d, qint64 gaugeId, const QString& file, const QString& hex,
                   const QDateTime& now);
bool addEvent(HistoryDb& d, const HistoryEvent& event);
} // namespace HistoryWrites
