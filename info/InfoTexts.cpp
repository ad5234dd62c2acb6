#include "info/InfoTexts.h"

#include "state/SharedState.h"
#include "state/TextCatalogue.h"

namespace InfoTexts
{
namespace
{
constexpr int EntryReadFailed = 26;
constexpr int EntryWriteFailed = 24;
constexpr int EntryCloseFailed = 25;

QString pick(const char* german, const char* english)
{
    return sharedState().LanguageIndex == LanguageGerman ? QString::fromUtf8(german)
                                                         : QString::fromUtf8(english);
}

// The failed command's keyword, when there was one: " ($fc)".
QString commandNote(const TransferResult& result)
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

QString failureReason(const TransferResult& result)
{
    QString text;
    switch (result.status) {
    case TransferStatus::Ok:
        return QString();
    case TransferStatus::NotConnected:
        return notConnected();
    case TransferStatus::NoReply:
        text = pick("Das Gerät antwortet nicht", "The gauge does not answer");
        break;
    case TransferStatus::LinkLost:
        text = pick("Die Verbindung ist unterbrochen", "The connection was lost");
        break;
    case TransferStatus::Cancelled:
        text = pick("Abgebrochen", "Cancelled");
        break;
    case TransferStatus::GaugeError:
        text = pick("Das Gerät meldet einen Fehler", "The gauge reports an error");
        break;
    case TransferStatus::DecodeFailed:
        text = pick("Der Datensatz ist nicht lesbar", "The record cannot be decoded");
        break;
    case TransferStatus::InvalidData:
        text = pick("Die Daten sind ungültig", "The data are invalid");
        break;
    case TransferStatus::Declined:
        text = pick("Nicht geschrieben", "Not written");
        break;
    case TransferStatus::FileError:
        text = pick("Dateifehler", "File error");
        break;
    }
    text += commandNote(result);
    if (result.fileLeftOpen)
        text +=
            pick("; die Gerätedatei ist evtl. noch offen", "; the device file may still be open");
    return text + QLatin1Char('.');
}

QString readFailed(const TransferResult& result)
{
    return messageText(EntryReadFailed) + QLatin1Char('\n') + failureReason(result);
}

QString writeFailed(const TransferResult& result)
{
    const bool closeStep = commandKeyword(result.command) == QStringLiteral("$fc");
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
} // namespace InfoTexts
