#include "service/ServiceTexts.h"

#include "state/SharedState.h"
#include "state/TextCatalogue.h"

namespace
{
constexpr int kEntryConnect = 10;
constexpr int kEntryWriteError = 24;
constexpr int kEntryCloseError = 25;
constexpr int kEntryResetDone = 28;
constexpr int kEntryTransferDone = 34;

struct Words {
    const char* german;
    const char* english;
};

QString pick(const Words& w)
{
    return QString::fromUtf8(sharedState().LanguageIndex == LanguageEnglish ? w.english : w.german);
}

const Words kMissing{"Sprachdatei nicht gefunden: ", "Language file not found: "};
const Words kEmpty{"Sprachdatei ist leer, nichts gesendet: ",
                   "Language file is empty, nothing sent: "};
const Words kUnreadable{"Sprachdatei kann nicht gelesen werden: ",
                        "Language file cannot be read: "};
const Words kTooLarge{"Sprachdatei ist zu groß: ", "Language file is too large: "};
const Words kCreateRefused{"Gerät hat das Anlegen der Datei abgelehnt: ",
                           "Device refused to create the file: "};
const Words kNoReply{"Keine Antwort vom Gerät", "No reply from device"};
const Words kLinkLost{"Verbindung zum Gerät unterbrochen", "Connection to device lost"};
const Words kCancelled{"Abgebrochen", "Cancelled"};
const Words kGarbled{"Unlesbare Antwort vom Gerät", "Garbled reply from device"};
const Words kResetRefused{"Gerät hat den Reset abgelehnt: Status ",
                          "Device refused the reset: status "};
const Words kResetUnknown{"Keine Antwort vom Gerät auf den Reset; bitte Gerät prüfen",
                          "No reply from device to the reset; please check the device"};

// The step a wait failure happened in, for the message.
QString stepName(const LanguageTransferResult& r)
{
    switch (r.step) {
    case LanguageTransferStep::Create:
        return QStringLiteral(" ($fw)");
    case LanguageTransferStep::Write:
    case LanguageTransferStep::LastWrite:
        return QStringLiteral(" ($wr %1)").arg(r.chunk);
    case LanguageTransferStep::Close:
        return QStringLiteral(" ($fc)");
    case LanguageTransferStep::File:
    case LanguageTransferStep::Done:
        break;
    }
    return {};
}
} // namespace

QString ServiceTexts::transferSucceeded(const QString& fileName)
{
    return QStringLiteral("Datei ") + fileName + messageText(kEntryTransferDone);
}

QString ServiceTexts::transferFailed(const LanguageTransferResult& r)
{
    const QString status = QString::number(r.status);
    switch (r.error) {
    case LanguageTransferError::None:
        return transferSucceeded(r.fileName);
    case LanguageTransferError::FileMissing:
        return pick(kMissing) + r.fileName;
    case LanguageTransferError::FileEmpty:
        return pick(kEmpty) + r.fileName;
    case LanguageTransferError::FileUnreadable:
        return pick(kUnreadable) + r.fileName + " " + r.detail;
    case LanguageTransferError::FileTooLarge:
        return pick(kTooLarge) + r.fileName;
    case LanguageTransferError::CreateRefused:
        return pick(kCreateRefused) + r.fileName + " " + status;
    case LanguageTransferError::WriteRefused:
        return QStringLiteral("Fehler beim Datei schreiben BLE : ") + QLatin1Char(' ') + status;
    case LanguageTransferError::LastWriteRefused:
        return messageText(kEntryWriteError) + QLatin1Char(' ') + status;
    case LanguageTransferError::CloseRefused:
        return messageText(kEntryCloseError) + QLatin1Char(' ') + status;
    case LanguageTransferError::GarbledReply:
        return pick(kGarbled) + stepName(r);
    case LanguageTransferError::NoReply:
        return pick(kNoReply) + stepName(r);
    case LanguageTransferError::LinkLost:
        return pick(kLinkLost) + stepName(r);
    case LanguageTransferError::Cancelled:
        return pick(kCancelled);
    }
    return {};
}

QString ServiceTexts::resetOutcome(ResetOutcome outcome, int status)
{
    switch (outcome) {
    case ResetOutcome::Refused:
        return pick(kResetRefused) + QString::number(status);
    case ResetOutcome::Garbled:
        return pick(kGarbled);
    case ResetOutcome::Declined:
        return {};
    case ResetOutcome::Done:
    case ResetOutcome::LinkDropped:
        return messageText(kEntryResetDone);
    case ResetOutcome::NoReply:
        return pick(kResetUnknown);
    case ResetOutcome::SendFailed:
        return messageText(kEntryConnect);
    case ResetOutcome::Cancelled:
        return pick(kCancelled);
    }
    return {};
}

QString ServiceTexts::clockReadFailed(WaitResult why)
{
    return why == WaitResult::TimedOut ? pick(kNoReply) : pick(kLinkLost);
}
