#pragma once

#include "history/HistoryTypes.h"
#include "report/VisitOutcome.h"

#include <QString>
#include <QStringList>

// The words of the service report in the current language (sharedState().LanguageIndex).
namespace ServiceReportTexts
{
QString title();
// The PDF's title: "Servicebericht 4711 2026-03-04".
QString documentTitle(const QString& gauge, const QString& date);
// Header labels: visit date, visit end, computer, technician, program.
QString visitDate();
QString visitEnd();
QString computer();
QString technician();
QString program();

QString gaugeCaption();
QString serialNumber();
QString address();
QString hardware();
QString controller();
QString build();
QString revision();
QString probeType();
QString firstSeen();
// The probe type of a record: its number and, where known, what it stands for.
QString probeTypeValue(int type);

QString actionsCaption();
QStringList actionHeaders();
// What an event did and what came of it, for the list of actions. clockReadBefore: for a clock
// set, the clock read before it in the visit (its drift is told), or null.
QString actionWhat(const HistoryEvent& event);
QString actionOutcome(const HistoryEvent& event, const HistoryEvent* clockReadBefore);

QString calibrationCaption();
QString noRecordRead();
QString changedCaption(const QString& file);
QString readCaption();
// Table headers: field, FE/NFE, then the two value columns.
QStringList changedHeaders();
QStringList readHeaders(const QString& first, const QString& second);
// Legend names of the curves before and after a change.
QString curveBefore(int kind);
QString curveAfter(int kind);

QString closing(const VisitOutcome& outcome);
// The line at the foot of every page.
QString footer(const QString& gauge, const QString& programVersion);
// "Page %1 of %2".
QString pageOf();

// The windows' report button and what it tells.
QString buttonCaption();
QString saveCaption();
QString printCaption();
QString noVisit();
QString notWritten(const QString& path);
QString notPrinted();
} // namespace ServiceReportTexts
