#include "report/ServiceReportTexts.h"

#include "history/HistoryTexts.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QFileInfo>

namespace ServiceReportTexts
{

namespace
{
const QString kSeparator = QStringLiteral(" – ");

// The part of an event's outcome that says what it carried.
QString carried(const HistoryEvent& e, const HistoryEvent* clockReadBefore)
{
    switch (e.kind) {
    case HistoryEventKind::Backup:
    case HistoryEventKind::Restore:
        return QFileInfo(e.path).fileName();
    case HistoryEventKind::ClockSet: {
        const QString set = pick("gestellt auf %1", "set to %1").arg(e.detail);
        return clockReadBefore ? set + pick(", vorher %1", ", before: %1")
                                           .arg(HistoryTexts::kindDetail(*clockReadBefore))
                               : set;
    }
    case HistoryEventKind::Identity:
    case HistoryEventKind::Battery:
        return e.detail;
    case HistoryEventKind::RecordRead:
        return e.bytes >= 0 ? pick("%1 Bytes", "%1 bytes").arg(e.bytes) : QString();
    default:
        return HistoryTexts::kindDetail(e);
    }
}
} // namespace

QString title()
{
    return pick("Servicebericht", "Service report");
}

QString documentTitle(const QString& gauge, const QString& date)
{
    return title() + QLatin1Char(' ') + gauge + QLatin1Char(' ') + date;
}

QString visitDate()
{
    return pick("Besuch am", "Visit on");
}

QString visitEnd()
{
    return pick("Ende", "End");
}

QString computer()
{
    return QStringLiteral("Computer");
}

QString technician()
{
    return pick("Techniker", "Technician");
}

QString program()
{
    return pick("Programm", "Program");
}

QString gaugeCaption()
{
    return pick("Messgerät", "Gauge");
}

QString serialNumber()
{
    return pick("Seriennummer", "Serial number");
}

QString address()
{
    return pick("Bluetooth-Adresse", "Bluetooth address");
}

QString hardware()
{
    return QStringLiteral("Hardware");
}

QString controller()
{
    return QStringLiteral("Controller");
}

QString build()
{
    return QStringLiteral("Build");
}

QString revision()
{
    return QStringLiteral("Revision");
}

QString probeType()
{
    return pick("Sondentyp", "Probe type");
}

QString firstSeen()
{
    return pick("Zuerst gesehen", "First seen");
}

QString probeTypeValue(int type)
{
    switch (type) {
    case 1:
        return QStringLiteral("1 (FE)");
    case 3:
        return pick("3 (Kombi FE/NFE)", "3 (combined FE/NFE)");
    default:
        return QString::number(type);
    }
}

QString actionsCaption()
{
    return pick("Durchgeführte Arbeiten", "Work done");
}

QStringList actionHeaders()
{
    return {pick("Zeit", "Time"), pick("Arbeit", "Action"), pick("Ergebnis", "Outcome")};
}

QString actionWhat(const HistoryEvent& event)
{
    const QString kind = HistoryTexts::kindName(event.kind);
    return event.file.isEmpty() ? kind : kind + QStringLiteral(": ") + event.file;
}

// "OK" or the failure word, what the event carried and, for a failure that the translated words
// do not explain, the history's own English description.
QString actionOutcome(const HistoryEvent& event, const HistoryEvent* clockReadBefore)
{
    QStringList parts{HistoryTexts::outcome(event.ok), carried(event, clockReadBefore)};
    if (!event.ok && parts.last().isEmpty())
        parts.append(event.detail);
    parts.removeAll(QString());
    return parts.join(kSeparator);
}

QString calibrationCaption()
{
    return pick("Kalibrierung", "Calibration");
}

QString noRecordRead()
{
    return pick("In diesem Besuch wurde keine Kalibrierdatei gelesen.",
                "No calibration file was read during this visit.");
}

QString changedCaption(const QString& file)
{
    return pick("Geänderte Werte in „%1“", "Changed values in \"%1\"").arg(file);
}

QString readCaption()
{
    return pick("Werte wie gelesen", "Values as read");
}

QStringList changedHeaders()
{
    return {pick("Feld", "Field"), QStringLiteral("FE/NFE"), pick("vorher", "before"),
            pick("nachher", "after")};
}

QStringList readHeaders(const QString& first, const QString& second)
{
    return {pick("Feld", "Field"), QStringLiteral("FE/NFE"), first, second};
}

QString curveBefore(int kind)
{
    return (kind == 0 ? QStringLiteral("FE ") : QStringLiteral("NFE ")) + pick("vorher", "before");
}

QString curveAfter(int kind)
{
    return (kind == 0 ? QStringLiteral("FE ") : QStringLiteral("NFE ")) + pick("nachher", "after");
}

QString closing(const VisitOutcome& o)
{
    using Kind = VisitOutcome::Kind;
    switch (o.kind) {
    case Kind::NoChanges:
        return pick("Keine Änderungen", "No changes");
    case Kind::NothingWritten:
        return pick("Nichts geschrieben: die Kalibrierdaten im Messgerät sind unverändert",
                    "Nothing written: the gauge's calibration data are unchanged");
    case Kind::Verified:
        return pick("Kalibrierdaten geschrieben und geprüft",
                    "Calibration data written and verified");
    case Kind::BackupWrittenBack:
        return pick("Sicherung zurückgeschrieben und geprüft", "Backup written back and verified");
    case Kind::RestoredAfterFailedWrite:
        return pick("Schreiben fehlgeschlagen: das Messgerät enthält wieder seine Sicherung",
                    "Write failed: the gauge holds its backup again");
    case Kind::RestoredAfterMismatch:
        return pick("Prüfung fehlgeschlagen (erstes abweichendes Byte %1): das Messgerät enthält "
                    "wieder seine Sicherung",
                    "Verify failed (first differing byte %1): the gauge holds its backup again")
            .arg(o.differingByte);
    case Kind::VerifyMismatch:
        return pick("Prüfung fehlgeschlagen (erstes abweichendes Byte %1): das Messgerät enthält "
                    "andere Daten als geschrieben",
                    "Verify failed (first differing byte %1): the gauge holds other data than "
                    "were written")
            .arg(o.differingByte);
    case Kind::WriteFailed:
        return pick("Schreiben fehlgeschlagen: die Kalibrierdaten im Messgerät sind unsicher, die "
                    "Sicherung sollte zurückgeschrieben werden",
                    "Write failed: the gauge's calibration data are uncertain; its backup should "
                    "be written back");
    case Kind::RestoreFailed:
        return pick("Zurückschreiben der Sicherung fehlgeschlagen: die Kalibrierdaten im Messgerät "
                    "sind unsicher",
                    "Writing the backup back failed: the gauge's calibration data are uncertain");
    }
    return {};
}

QString footer(const QString& gauge, const QString& programVersion)
{
    return title() + QLatin1Char(' ') + gauge + kSeparator + sharedState().ProgramTitle +
           QLatin1Char(' ') + programVersion;
}

QString pageOf()
{
    return pick("Seite %1 von %2", "Page %1 of %2");
}

QString buttonCaption()
{
    return pick("Bericht...", "Report...");
}

QString saveCaption()
{
    return pick("Als PDF speichern...", "Save as PDF...");
}

QString printCaption()
{
    return pick("Drucken...", "Print...");
}

QString noVisit()
{
    return pick("Von diesem Besuch ist nichts im Verlauf; es gibt keinen Bericht.",
                "The history holds nothing of this visit, so there is no report.");
}

QString notWritten(const QString& path)
{
    return pick("Der Bericht konnte nicht nach %1 geschrieben werden.",
                "The report could not be written to %1.")
        .arg(path);
}

QString notPrinted()
{
    return pick("Der Bericht konnte nicht gedruckt werden.", "The report could not be printed.");
}
} // namespace ServiceReportTexts
