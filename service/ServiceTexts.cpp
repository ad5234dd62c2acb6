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
    return ::pick(w.german, w.english);
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

// The step a failure happened in, for the message.
QString stepName(const LanguageTransferResult& r)
{
    const QString keyword = commandKeyword(r.device.command);
    if (keyword == QLatin1String("$wr"))
        return QStringLiteral(" ($wr %1)").arg(r.chunk);
    return keyword.isEmpty() ? QString() : QStringLiteral(" (") + keyword + QLatin1Char(')');
}

// The last write of a file whose length is no multiple of 32 carries fewer bytes.
bool shortChunk(const QString& writeCommand)
{
    return writeCommand.section(QLatin1Char(' '), 2, 2).toInt() < LanguageTransfer::kChunkBytes;
}

QString fileProblem(const LanguageTransferResult& r)
{
    switch (r.file) {
    case LanguageFileProblem::Missing:
        return pick(kMissing) + r.fileName;
    case LanguageFileProblem::Empty:
        return pick(kEmpty) + r.fileName;
    case LanguageFileProblem::Unreadable:
        return pick(kUnreadable) + r.fileName + " " + r.detail;
    case LanguageFileProblem::TooLarge:
        return pick(kTooLarge) + r.fileName;
    case LanguageFileProblem::None:
        break;
    }
    return {};
}

QString gaugeRefusal(const LanguageTransferResult& r)
{
    const QString status = QString::number(r.device.gaugeStatus);
    const QString keyword = commandKeyword(r.device.command);
    if (keyword == QLatin1String("$fw"))
        return pick(kCreateRefused) + r.fileName + " " + status;
    if (keyword == QLatin1String("$fc"))
        return messageText(kEntryCloseError) + QLatin1Char(' ') + status;
    // A full chunk refused has a German text of its own; in English both read the same.
    if (shortChunk(r.device.command) || sharedState().LanguageIndex == LanguageEnglish)
        return messageText(kEntryWriteError) + QLatin1Char(' ') + status;
    return QStringLiteral("Fehler beim Datei schreiben BLE : ") + QLatin1Char(' ') + status;
}
} // namespace

QString ServiceTexts::transferSucceeded(const QString& fileName)
{
    return QStringLiteral("Datei ") + fileName + messageText(kEntryTransferDone);
}

QString ServiceTexts::transferFailed(const LanguageTransferResult& r)
{
    if (r.file != LanguageFileProblem::None)
        return fileProblem(r);
    switch (r.device.status) {
    case TransferStatus::Ok:
        return transferSucceeded(r.fileName);
    case TransferStatus::NoReply:
        return pick(kNoReply) + stepName(r);
    case TransferStatus::LinkLost:
    case TransferStatus::NotConnected:
        return pick(kLinkLost) + stepName(r);
    case TransferStatus::Cancelled:
        return pick(kCancelled);
    default:
        break;
    }
    return r.device.garbled ? pick(kGarbled) + stepName(r) : gaugeRefusal(r);
}

QString ServiceTexts::resetOutcome(const TransferResult& r)
{
    switch (r.status) {
    case TransferStatus::Declined:
        return {};
    case TransferStatus::Ok:
        return messageText(kEntryResetDone);
    case TransferStatus::NoReply:
        return pick(kResetUnknown);
    case TransferStatus::NotConnected:
        return messageText(kEntryConnect);
    case TransferStatus::LinkLost:
        return pick(kLinkLost);
    case TransferStatus::Cancelled:
        return pick(kCancelled);
    default:
        break;
    }
    return r.garbled ? pick(kGarbled) : pick(kResetRefused) + QString::number(r.gaugeStatus);
}

QString ServiceTexts::clockReadFailed(WaitResult why)
{
    return why == WaitResult::TimedOut ? pick(kNoReply) : pick(kLinkLost);
}
