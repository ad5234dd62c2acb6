#pragma once

#include "history/HistoryTypes.h"

#include <QList>
#include <QString>

class HistoryStore;

// What a service report is made from: the gauge, one of its visits with its events, and the
// record contents those events name.
struct ServiceReportInput {
    GaugeSummary gauge;
    VisitSummary visit;
    QList<HistorySnapshot> snapshots;
};

// The report's one way into the service history.
namespace ServiceReportSource
{
enum class Problem { None, UnknownGauge, UnknownVisit };

struct Result {
    Problem problem = Problem::None;
    ServiceReportInput input;
};

// The gauge with this serial number (or MAC) and its visit visitId; 0: its newest visit. A gauge
// without visits has no visit to report (UnknownVisit).
Result load(const HistoryStore& store, const QString& serialOrMac, qint64 visitId);
} // namespace ServiceReportSource
