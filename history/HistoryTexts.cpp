#include "history/HistoryTexts.h"

#include "state/TextCatalogue.h"

namespace HistoryTexts
{
namespace
{
// hh:mm today, else with the date.
QString clockTime(const QDateTime& utc)
{
    const QDateTime local = utc.toLocalTime();
    return local.toString(local.date() == QDate::currentDate()
                              ? QStringLiteral("HH:mm")
                              : QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString signedNumber(qint64 value)
{
    return (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value);
}
} // namespace

QString kindDetail(const HistoryEvent& e)
{
    switch (e.kind) {
    case HistoryEventKind::ClockRead:
        return pick("Abweichung %1 s", "drift %1 s").arg(signedNumber(e.driftSeconds()));
    case HistoryEventKind::Write:
        if (e.differingByte >= 0)
            return pick("Prüfung: erstes abweichendes Byte %1", "verify: first differing byte %1")
                .arg(e.differingByte);
        return e.ok ? pick("geprüft", "verified") : QString();
    case HistoryEventKind::LanguageFile:
        return e.bytes >= 0 ? pick("%1 Bytes", "%1 bytes").arg(e.bytes) : QString();
    case HistoryEventKind::Backup:
    case HistoryEventKind::Restore:
        return e.path;
    default:
        return {};
    }
}

QString windowTitle()
{
    return pick("Verlauf", "History");
}

QString menuEntry()
{
    return pick("&Verlauf", "&History");
}

QString notOpen(const QString& reason)
{
    const QString line = pick("Kein Verlauf geöffnet", "No history open");
    return reason.isEmpty() ? line : line + QStringLiteral(": ") + reason;
}

QString openAt(const QString& location)
{
    return pick("Verlauf: %1", "History: %1").arg(location);
}

namespace
{
// What waits for the server; empty when nothing does.
QString waitingText(const HistoryBacklog& waiting)
{
    const QString since = clockTime(waiting.since);
    if (waiting.events == 1)
        return pick("1 Ereignis wartet seit %1 auf den Server",
                    "1 event waiting for the server since %1")
            .arg(since);
    if (waiting.events > 1)
        return pick("%1 Ereignisse warten seit %2 auf den Server",
                    "%1 events waiting for the server since %2")
            .arg(waiting.events)
            .arg(since);
    return waiting.changes > 0
               ? pick("Änderungen warten auf den Server", "changes waiting for the server")
               : QString();
}
} // namespace

QString syncLine(const HistorySyncStatus& status, const HistoryBacklog& waiting)
{
    const QString line = waitingText(waiting);
    if (status.reached)
        return line.isEmpty() ? pick("auf dem Stand", "up to date") : line;
    const QString state =
        status.error.isEmpty()
            ? pick("Server noch nicht erreicht", "server not reached yet")
            : pick("Server nicht erreichbar: %1", "server not reachable: %1").arg(status.error);
    return line.isEmpty() ? state : line + QStringLiteral(" (") + state + QLatin1Char(')');
}

QStringList gaugeHeaders()
{
    return {pick("Seriennummer", "Serial number"), QStringLiteral("MAC"),
            pick("Zuletzt gesehen", "Last seen"), pick("Besuche", "Visits")};
}

QStringList timelineHeaders()
{
    return {pick("Zeit", "Time"), pick("Art", "Kind"), pick("Datei", "File"),
            pick("Ergebnis", "Outcome"), pick("Einzelheiten", "Detail")};
}

QString compareCaption()
{
    return pick("Stände vergleichen", "Compare snapshots");
}

QString exportCaption()
{
    return pick("CSV exportieren...", "Export CSV...");
}

QString refreshCaption()
{
    return pick("Aktualisieren", "Refresh");
}

QString locationCaption()
{
    return pick("&Datenbank:", "&Database:");
}

QString openCaption()
{
    return pick("Öffnen", "Open");
}

QString locationHint()
{
    return pick("Eine SQLite-Datei oder postgresql://benutzer@rechner/datenbank; leer: die "
                "Datei im Anwendungsordner des Benutzers",
                "An SQLite file or postgresql://user@host/db; empty: the file in the user's "
                "application-data folder");
}

QString openFailed(const QString& reason, const QString& stillOpen)
{
    const QString line = pick("Nicht geöffnet: %1", "Not opened: %1").arg(reason);
    return stillOpen.isEmpty() ? line
                               : line + pick("; weiter mit %1", "; still using %1").arg(stillOpen);
}

QString passwordQuestion(const QString& server, bool rejected)
{
    return (rejected
                ? pick("Das Passwort wurde nicht angenommen. ", "The password was not accepted. ")
                : QString()) +
           pick("Passwort für den Verlauf auf %1:", "Password for the history on %1:").arg(server);
}

QString keepPassword()
{
    return pick("Im Schlüsselbund des Desktops aufbewahren", "Keep it in the desktop's keyring");
}

QString exportFailed(const QString& path, const QString& reason)
{
    return pick("Der Verlauf konnte nicht nach %1 exportiert werden: %2",
                "The history could not be exported to %1: %2")
        .arg(path, reason);
}

QString exported(const QString& path)
{
    return pick("Exportiert nach %1", "Exported to %1").arg(path);
}

namespace
{
QString slotLetter(int slot)
{
    return slot == 0 ? QStringLiteral("A") : QStringLiteral("B");
}
} // namespace

QString snapshotSlot(int slot)
{
    return pick("Stand %1", "Snapshot %1").arg(slotLetter(slot));
}

QString seriesName(int kind, int slot)
{
    return (kind == 0 ? QStringLiteral("FE ") : QStringLiteral("NFE ")) + slotLetter(slot);
}

QString differsHint()
{
    return pick("Die Stände unterscheiden sich", "The snapshots differ");
}

QString localTime(const QDateTime& utc)
{
    return utc.isValid() ? utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                         : QString();
}

QString kindName(HistoryEventKind kind)
{
    switch (kind) {
    case HistoryEventKind::Identity:
        return pick("Kennung gelesen", "Identity read");
    case HistoryEventKind::RecordRead:
        return pick("Datei gelesen", "File read");
    case HistoryEventKind::Backup:
        return pick("Sicherung", "Backup");
    case HistoryEventKind::Write:
        return pick("Datei geschrieben", "File written");
    case HistoryEventKind::Restore:
        return pick("Wiederhergestellt", "Restored");
    case HistoryEventKind::LanguageFile:
        return pick("Sprachdatei", "Language file");
    case HistoryEventKind::Reset:
        return pick("Speicher gelöscht", "Memory reset");
    case HistoryEventKind::ClockRead:
        return pick("Uhr gelesen", "Clock read");
    case HistoryEventKind::ClockSet:
        return pick("Uhr gestellt", "Clock set");
    case HistoryEventKind::Battery:
        return pick("Batterie", "Battery");
    }
    return historyEventKindName(kind);
}

QString outcome(bool ok)
{
    return ok ? QStringLiteral("OK") : pick("FEHLER", "FAILED");
}

QString eventDetail(const HistoryEvent& event)
{
    QStringList parts{kindDetail(event), event.detail};
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" - "));
}

QStringList visitCells(const VisitSummary& visit)
{
    const QString end = visit.end.isValid() ? pick("bis %1", "until %1").arg(localTime(visit.end))
                                            : pick("offen", "open");
    QStringList who{visit.computer, visit.user, visit.programVersion};
    who.removeAll(QString());
    return {pick("Besuch", "Visit"), QString(), end, who.join(QStringLiteral(" / "))};
}

QString snapshotLabel(const HistorySnapshot& snapshot)
{
    return snapshot.file + QStringLiteral("  ") + localTime(snapshot.firstSeen);
}
} // namespace HistoryTexts
