#include "info/InfoTexts.h"

#include "info/HexCompare.h"
#include "link/GaugeReply.h"
#include "state/TextCatalogue.h"

namespace InfoTexts
{
namespace
{
constexpr int EntryReadFailed = 26;
constexpr int EntryWriteFailed = 24;
constexpr int EntryCloseFailed = 25;

// The failed command's keyword, when there was one: " ($fc)".
QString commandNote(const DeviceOutcome& result)
{
    return result.command.isEmpty()
               ? QString()
               : QStringLiteral(" (") + commandKeyword(result.command) + QLatin1Char(')');
}
} // namespace

QString notConnected()
{
    return pick("Bitte zuerst ein Gerät verbinden.", "Please connect a gauge first.");
}

QString failureReason(const DeviceOutcome& result)
{
    QString text;
    switch (result.failure) {
    case DeviceFailure::None:
        return QString();
    case DeviceFailure::NotConnected:
        return notConnected();
    case DeviceFailure::NoReply:
        text = pick("Das Gerät antwortet nicht", "The gauge does not answer");
        break;
    case DeviceFailure::LinkLost:
        text = pick("Die Verbindung ist unterbrochen", "The connection was lost");
        break;
    case DeviceFailure::Cancelled:
        text = pick("Abgebrochen", "Cancelled");
        break;
    case DeviceFailure::GaugeError:
    case DeviceFailure::Garbled:
    case DeviceFailure::VerifyMismatch:
        text = pick("Das Gerät meldet einen Fehler", "The gauge reports an error");
        break;
    case DeviceFailure::DecodeFailed:
        text = pick("Der Datensatz ist nicht lesbar", "The record cannot be decoded");
        break;
    case DeviceFailure::InvalidData:
        text = pick("Die Daten sind ungültig", "The data are invalid");
        break;
    case DeviceFailure::Declined:
        text = pick("Nicht geschrieben", "Not written");
        break;
    case DeviceFailure::FileError:
        text = pick("Dateifehler", "File error");
        break;
    case DeviceFailure::Busy:
        text = pick("Das Gerät ist beschäftigt", "The gauge is busy");
        break;
    }
    text += commandNote(result);
    if (result.fileLeftOpen)
        text +=
            pick("; die Gerätedatei ist evtl. noch offen", "; the device file may still be open");
    return text + QLatin1Char('.');
}

QString readFailed(const DeviceOutcome& result)
{
    return messageText(EntryReadFailed) + QLatin1Char('\n') + failureReason(result);
}

QString writeFailed(const DeviceOutcome& result)
{
    const bool closeStep = result.step == DeviceStep::Close;
    return messageText(closeStep ? EntryCloseFailed : EntryWriteFailed) + QLatin1Char(' ') +
           failureReason(result);
}

QString hexRefused(const HexText::Check& check, int characters)
{
    const QString head = pick("Die Datei wird nicht übertragen: ", "The file is not transferred: ");
    switch (check.problem) {
    case HexText::Problem::None:
        return QString();
    case HexText::Problem::Empty:
        return head + pick("sie enthält keine Daten.", "it holds no data.");
    case HexText::Problem::OddLength:
        return head +
               pick("ungerade Anzahl Hex-Zeichen (%1).", "odd number of hex characters (%1).")
                   .arg(characters);
    case HexText::Problem::NonHexCharacter:
        return head + pick("kein Hex-Zeichen an Stelle %1.", "not a hex character at position %1.")
                          .arg(check.position + 1);
    case HexText::Problem::TooLong:
        return head +
               pick("zu lang (%1 Zeichen, höchstens %2).", "too long (%1 characters, at most %2).")
                   .arg(characters)
                   .arg(HexText::MaxCharacters);
    }
    return head;
}

QString notOneRecord(int bytes)
{
    return pick("Die Daten sind nicht genau ein Datensatz von 400 Bytes (%1 Bytes). Trotzdem "
                "schreiben?",
                "The data are not exactly one 400-byte record (%1 bytes). Write anyway?")
        .arg(bytes);
}

QString failedIndicator()
{
    return pick("Fehler", "Error");
}

QString hexProblemName(HexText::Problem problem)
{
    switch (problem) {
    case HexText::Problem::None:
        return QStringLiteral("ok");
    case HexText::Problem::Empty:
        return QStringLiteral("no data");
    case HexText::Problem::OddLength:
        return QStringLiteral("odd number of hex characters");
    case HexText::Problem::NonHexCharacter:
        return QStringLiteral("not a hex character");
    case HexText::Problem::TooLong:
        return QStringLiteral("more than 32767 characters");
    }
    return QString();
}

// --- Safe writes --------------------------------------------------------------------------

namespace
{
QString quoted(const QString& text)
{
    return pick("\u201E", "\"") + text + pick("\u201C", "\"");
}

QString byteValue(int value)
{
    if (value == HexCompare::NoByte)
        return pick("nichts", "nothing");
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString guardLine(const char* german, const char* english, const QString& data,
                  const QString& gauge)
{
    return pick(german, english) + pick(": Daten ", ": data ") + data +
           pick(", Gerät ", ", gauge ") + gauge + QLatin1Char('\n');
}

QString mismatchText(const DeviceOutcome& r)
{
    return pick("Prüfung fehlgeschlagen: Die Datei %1 im Gerät weicht ab Byte %2 von den "
                "gesendeten Daten ab (geschrieben %3, gelesen %4).",
                "Verify failed: the gauge's file %1 differs from the data sent at byte %2 "
                "(written %3, read back %4).")
        .arg(quoted(r.file))
        .arg(r.differingByte)
        .arg(byteValue(r.writtenByte), byteValue(r.readBackByte));
}
} // namespace

QString guardQuestion(const WriteGuard::Check& check, const QString& deviceFile)
{
    const QString nothing = pick("nichts", "nothing");
    QString text =
        check.gaugeUnknown()
            ? pick("Die Datei %1 des Geräts kann nicht gelesen werden oder fehlt: Ob die Daten "
                   "zu diesem Gerät passen, ist nicht bekannt.\n",
                   "The gauge's file %1 cannot be read or is missing: whether the data belong to "
                   "this gauge is not known.\n")
                  .arg(quoted(deviceFile))
            : pick("Die Daten passen nicht zu diesem Gerät:\n",
                   "The data do not match this gauge:\n");
    if (check.serialDiffers)
        text += guardLine(
            "Seriennummer", "Serial number", QString::number(check.data.serialNumber.value_or(0)),
            check.gauge.serialNumber ? QString::number(*check.gauge.serialNumber) : nothing);
    if (check.probeTypeDiffers)
        text += guardLine(
            "Sondentyp", "Probe type", WriteGuard::probeTypeText(check.data.probeType.value_or(0)),
            check.gauge.probeType ? WriteGuard::probeTypeText(*check.gauge.probeType) : nothing);
    return text + pick("Trotzdem in die Datei %1 schreiben?", "Write into the file %1 anyway?")
                      .arg(quoted(deviceFile));
}

QString restoreHint(const QString& backupPath)
{
    if (backupPath.isEmpty())
        return QString();
    return pick("Sicherung zum Zurückschreiben: ", "Backup to restore from: ") + backupPath;
}

QString safeWriteFailed(const DeviceOutcome& r)
{
    const QString nothingWritten = pick(" Es wurde nichts geschrieben.", " Nothing was written.");
    if (r.ok() || r.failure == DeviceFailure::Declined)
        return QString();
    if (r.failure == DeviceFailure::NotConnected && r.step == DeviceStep::Check)
        return notConnected();
    switch (r.step) {
    case DeviceStep::PcFile:
        if (r.failure != DeviceFailure::FileError)
            return QString(); // refused with its own message
        return pick("Die Sicherung kann nicht gelesen werden: ", "The backup cannot be read: ") +
               r.detail;
    case DeviceStep::Backup:
        if (r.failure == DeviceFailure::FileError)
            return pick("Die Sicherung kann nicht gespeichert werden (%1).",
                        "The backup cannot be saved (%1).")
                       .arg(r.detail) +
                   nothingWritten;
        if (r.failure == DeviceFailure::Cancelled)
            return QString();
        return pick("Die Datei %1 des Geräts kann nicht gesichert werden: ",
                    "The gauge's file %1 cannot be backed up: ")
                   .arg(quoted(r.file)) +
               failureReason(r) + nothingWritten;
    case DeviceStep::Guard:
        return QString(); // declined, or cancelled before anything was written
    case DeviceStep::Verify:
        if (r.failure == DeviceFailure::VerifyMismatch)
            return mismatchText(r) + QLatin1Char('\n') + restoreHint(r.backupPath);
        return pick("Die Datei %1 wurde geschrieben, kann aber zur Prüfung nicht gelesen werden: ",
                    "The file %1 was written but cannot be read back for the check: ")
                   .arg(quoted(r.file)) +
               failureReason(r) + pick(" Sie ist nicht geprüft.", " It is not verified.") +
               QLatin1Char('\n') + restoreHint(r.backupPath);
    default:
        return writeFailed(r) + QLatin1Char('\n') + restoreHint(r.backupPath);
    }
}

QString incompleteWrite(const DeviceOutcome& r, const QString& restoreStep)
{
    const QString head = pick("Das Schreiben wurde abgebrochen: Die Datei %1 im Gerät ist "
                              "unvollständig.",
                              "The write was cancelled: the gauge's file %1 is incomplete.")
                             .arg(quoted(r.file)) +
                         QLatin1Char('\n');
    if (r.backupPath.isEmpty())
        return head + pick("Es gibt keine Sicherung (das Gerät hatte keine solche Datei); bitte "
                           "die Datei erneut schreiben.",
                           "There is no backup (the gauge had no such file); write the file "
                           "again.");
    return head + restoreHint(r.backupPath) + QLatin1Char('\n') + restoreStep;
}

QString restoreInWindow()
{
    return pick("Zurückschreiben: %1 im Informationsfenster.",
                "To restore it: %1 in the information window.")
        .arg(quoted(restoreCaption()));
}

QString verifiedReady(const QString& readyText)
{
    return readyText + QStringLiteral(" \u2013 ") + pick("geprüft", "verified");
}

QString backupSavedNote(const QString& backupPath)
{
    return pick("Sicherung: ", "Backup: ") + backupPath;
}

QString noBackupNote(const QString& deviceFile)
{
    return pick("Keine Sicherung: das Gerät hatte keine Datei ",
                "No backup: the gauge had no file ") +
           deviceFile;
}

QString restoreCaption()
{
    return pick("Sicherung zurückschreiben", "Restore backup");
}

QString noBackups()
{
    return pick("Keine Sicherungen vorhanden", "No backups");
}

QString restoreQuestion(const QString& backupPath, const QString& deviceFile)
{
    return pick("Die Sicherung\n%1\nin die Datei %2 des Geräts zurückschreiben?",
                "Write the backup\n%1\nback into the gauge's file %2?")
        .arg(backupPath, quoted(deviceFile));
}
} // namespace InfoTexts
