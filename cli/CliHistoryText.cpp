#include "cli/CliHistoryText.h"

#include "cli/CliOutput.h"
#include "state/RadioText.h"

#include <QJsonArray>

namespace
{
QString local(const QDateTime& utc)
{
    return utc.isValid() ? utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                         : QStringLiteral("-");
}

QString iso(const QDateTime& t)
{
    return t.isValid() ? t.toString(Qt::ISODateWithMs) : QString();
}

// hh:mm today, else with the date.
QString clockTime(const QDateTime& utc)
{
    const QDateTime local = utc.toLocalTime();
    return local.toString(local.date() == QDate::currentDate()
                              ? QStringLiteral("HH:mm")
                              : QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString waitingText(const HistoryBacklog& waiting)
{
    using CliOutput::pick;
    if (waiting.events == 1)
        return pick("1 Ereignis wartet seit %1 auf den Server",
                    "1 event waiting for the server since %1")
            .arg(clockTime(waiting.since));
    if (waiting.events > 1)
        return pick("%1 Ereignisse warten seit %2 auf den Server",
                    "%1 events waiting for the server since %2")
            .arg(waiting.events)
            .arg(clockTime(waiting.since));
    return waiting.changes > 0
               ? pick("Änderungen warten auf den Server", "changes waiting for the server")
               : QString();
}

QString orDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : RadioText::visible(text);
}
} // namespace

namespace CliHistoryText
{

QString gaugeLine(const GaugeSummary& g)
{
    return QStringLiteral("%1  MAC %2  %3  visits %4  H:%5 V:%6 B:%7 R:%8")
        .arg(orDash(g.serial), orDash(g.mac), local(g.lastSeen))
        .arg(g.visits)
        .arg(orDash(g.hardware), orDash(g.controler), orDash(g.build), orDash(g.revision));
}

QJsonObject gaugeJson(const GaugeSummary& g)
{
    return {{"Id", g.id},
            {"Serial", g.serial},
            {"Mac", g.mac},
            {"Hardware", g.hardware},
            {"Controler", g.controler},
            {"Build", g.build},
            {"Revision", g.revision},
            {"FirstSeen", iso(g.firstSeen)},
            {"LastSeen", iso(g.lastSeen)},
            {"Visits", g.visits}};
}

QString eventLine(const HistoryEvent& e)
{
    QStringList parts{local(e.at), historyEventKindName(e.kind)};
    if (!e.file.isEmpty())
        parts.append(e.file);
    parts.append(e.ok ? QStringLiteral("ok") : QStringLiteral("FAILED"));
    if (e.bytes >= 0)
        parts.append(QStringLiteral("%1 bytes").arg(e.bytes));
    if (e.differingByte >= 0)
        parts.append(QStringLiteral("first differing byte %1").arg(e.differingByte));
    if (e.snapshotId > 0)
        parts.append(QStringLiteral("snapshot %1").arg(e.snapshotId));
    if (e.kind == HistoryEventKind::ClockRead && e.gaugeTime.isValid())
        parts.append(QStringLiteral("drift %1 s").arg(e.driftSeconds()));
    if (!e.detail.isEmpty())
        parts.append(RadioText::visible(e.detail));
    if (!e.path.isEmpty() && !e.detail.contains(e.path))
        parts.append(e.path);
    return QStringLiteral("  ") + parts.join(QStringLiteral("  "));
}

QJsonObject eventJson(const HistoryEvent& e)
{
    QJsonObject o{{"Id", e.id},
                  {"Time", iso(e.at)},
                  {"Kind", historyEventKindName(e.kind)},
                  {"File", e.file},
                  {"Ok", e.ok},
                  {"Detail", e.detail},
                  {"Path", e.path},
                  {"Bytes", e.bytes},
                  {"DifferingByte", e.differingByte},
                  {"Snapshot", e.snapshotId}};
    if (e.kind == HistoryEventKind::ClockRead || e.kind == HistoryEventKind::ClockSet) {
        o.insert("GaugeTime", iso(e.gaugeTime));
        o.insert("PcTime", iso(e.pcTime));
        o.insert("DriftSeconds", e.driftSeconds());
    }
    return o;
}

QStringList visitLines(const VisitSummary& v)
{
    QStringList lines{QStringLiteral("visit %1  %2 - %3  %4  %5  %6")
                          .arg(v.id)
                          .arg(local(v.start), local(v.end), orDash(v.computer), orDash(v.user),
                               orDash(v.programVersion))};
    for (const HistoryEvent& e : v.events)
        lines.append(eventLine(e));
    return lines;
}

QJsonObject visitJson(const VisitSummary& v)
{
    QJsonArray events;
    for (const HistoryEvent& e : v.events)
        events.append(eventJson(e));
    return {{"Id", v.id},
            {"Start", iso(v.start)},
            {"End", iso(v.end)},
            {"Program", v.programVersion},
            {"Computer", v.computer},
            {"User", v.user},
            {"Events", events}};
}

QStringList diffLines(const HistorySnapshot& before, const HistorySnapshot& after,
                      const QList<FieldChange>& changes)
{
    QStringList lines{QStringLiteral("%1: snapshot %2 (%3) -> %4 (%5)")
                          .arg(before.file)
                          .arg(before.id)
                          .arg(local(before.firstSeen))
                          .arg(after.id)
                          .arg(local(after.firstSeen))};
    for (const FieldChange& c : changes) {
        const QString field = c.column.isEmpty() ? c.field : c.field + QLatin1Char(' ') + c.column;
        lines.append(QStringLiteral("  %1: %2 -> %3").arg(field, c.before, c.after));
    }
    if (changes.isEmpty())
        lines.append(QStringLiteral("  (no shown value differs)"));
    return lines;
}

QJsonObject diffJson(const HistorySnapshot& before, const HistorySnapshot& after,
                     const QList<FieldChange>& changes)
{
    QJsonArray list;
    for (const FieldChange& c : changes)
        list.append(QJsonObject{
            {"Field", c.field}, {"Column", c.column}, {"Before", c.before}, {"After", c.after}});
    return {{"File", before.file}, {"From", before.id}, {"To", after.id}, {"Changes", list}};
}

} // namespace CliHistoryText

namespace CliHistoryText
{

QString syncLine(const HistorySyncStatus& status, const HistoryBacklog& waiting)
{
    using CliOutput::pick;
    const QString line = waitingText(waiting);
    if (status.reached)
        return line.isEmpty() ? pick("auf dem Stand", "up to date") : line;
    const QString state =
        status.error.isEmpty()
            ? pick("Server noch nicht erreicht", "server not reached yet")
            : pick("Server nicht erreichbar: %1", "server not reachable: %1").arg(status.error);
    return line.isEmpty() ? state : line + QStringLiteral(" (") + state + QLatin1Char(')');
}

} // namespace CliHistoryText
