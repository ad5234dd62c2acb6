#pragma once

#include "history/HistoryTypes.h"

#include <QString>
#include <QStringList>

// Texts of the service history for people (the History window, the service report) in the
// current language (the shared LanguageIndex: 0 German, anything else English). The history
// holds English words and UTC times; here they become what the technician reads: kinds and
// outcomes translated, times in local time.
namespace HistoryTexts
{
QString windowTitle();
// The View menu's entry that opens the window.
QString menuEntry();
// The line shown when there is no history to show, with the reason the store gave (may be empty).
QString notOpen(const QString& reason);
// The line naming the history shown.
QString openAt(const QString& location);

QStringList gaugeHeaders();
QStringList timelineHeaders();
QString compareCaption();
QString exportCaption();
QString refreshCaption();
QString locationCaption();
QString openCaption();
QString locationHint();
// An Open that failed, and the history still shown (empty: none).
QString openFailed(const QString& reason, const QString& stillOpen);
// The question for a server's password; rejected: the one given before was not accepted.
QString passwordQuestion(const QString& server, bool rejected);
QString keepPassword();
QString exportFailed(const QString& path, const QString& reason);
QString exported(const QString& path);
// The caption of the first and the second snapshot compared ("Stand A", "Snapshot B") and the
// legend name of its curves per probe kind ("FE A").
QString snapshotSlot(int slot);
QString seriesName(int kind, int slot);
QString differsHint();

// The state of the synchronisation with the shared server in one line: "12 events waiting for
// the server since 10:42", "up to date", "server not reachable: why" ...
QString syncLine(const HistorySyncStatus& status, const HistoryBacklog& waiting);

// A time in the history (UTC) as local time, "yyyy-MM-dd hh:mm:ss"; empty when invalid.
QString localTime(const QDateTime& utc);
QString kindName(HistoryEventKind kind);
QString outcome(bool ok);
// What the kind itself carries, translated (drift, verify result, size, path); may be empty.
QString kindDetail(const HistoryEvent& event);
// The detail column of an event: what the kind carries (drift, differing byte, size, path)
// followed by the English detail the history holds.
QString eventDetail(const HistoryEvent& event);
// The cells of a visit row below the time column: caption, file (empty), end, computer and user.
QStringList visitCells(const VisitSummary& visit);
// A snapshot in the choice: its file and when it was first seen.
QString snapshotLabel(const HistorySnapshot& snapshot);
} // namespace HistoryTexts
