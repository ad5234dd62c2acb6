#include "report/ServiceReportSource.h"

#include "history/HistoryStore.h"

#include <QSet>
#include <algorithm>

namespace ServiceReportSource
{
namespace
{
QList<HistorySnapshot> snapshotsNamedBy(const HistoryStore& store, const VisitSummary& visit)
{
    QSet<qint64> named;
    QList<HistorySnapshot> snapshots;
    for (const HistoryEvent& e : visit.events) {
        if (e.snapshotId == 0 || named.contains(e.snapshotId))
            continue;
        named.insert(e.snapshotId);
        if (const std::optional<HistorySnapshot> s = store.snapshot(e.snapshotId))
            snapshots.append(*s);
    }
    return snapshots;
}
} // namespace

Result load(const HistoryStore& store, const QString& serialOrMac, qint64 visitId)
{
    const std::optional<GaugeSummary> gauge = store.gauge(serialOrMac);
    if (!gauge)
        return {Problem::UnknownGauge, {}};
    const QList<VisitSummary> visits = store.visits(gauge->id); // newest first
    const auto visit =
        std::find_if(visits.cbegin(), visits.cend(),
                     [visitId](const VisitSummary& v) { return visitId == 0 || v.id == visitId; });
    if (visit == visits.cend())
        return {Problem::UnknownVisit, {}};
    return {Problem::None, {*gauge, *visit, snapshotsNamedBy(store, *visit)}};
}
} // namespace ServiceReportSource
