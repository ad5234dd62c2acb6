#pragma once

#include "cli/SnapshotDiff.h"
#include "history/HistoryTypes.h"

#include <QJsonObject>
#include <QStringList>

// How zvctl shows the service history: lines for people (times in local time), JSON objects
// with the same fields under stable names.
namespace CliHistoryText
{
QString gaugeLine(const GaugeSummary& gauge);
QJsonObject gaugeJson(const GaugeSummary& gauge);
// The visit's line, then one indented line per event.
QStringList visitLines(const VisitSummary& visit);
QJsonObject visitJson(const VisitSummary& visit);
QString eventLine(const HistoryEvent& event);
QJsonObject eventJson(const HistoryEvent& event);
QStringList diffLines(const HistorySnapshot& before, const HistorySnapshot& after,
                      const QList<FieldChange>& changes);
// The state of the synchronisation with the shared server in one line, in the run's language:
// "12 events waiting for the server since 10:42", "up to date", ...
QString syncLine(const HistorySyncStatus& status, const HistoryBacklog& waiting);
QJsonObject diffJson(const HistorySnapshot& before, const HistorySnapshot& after,
                     const QList<FieldChange>& changes);
} // namespace CliHistoryText
