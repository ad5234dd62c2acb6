#include "service/ServiceTexts.h"

#include "link/GaugeReply.h"
#include "service/LanguageTransfer.h"
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
QString stepName(const DeviceOutcome& r)
{
    const QString keyword = commandKeyword(r.command);
    if (keyword == QLatin1String("$wr"))
        return QStringLiteral(" ($wr %1)").arg(r.chunk);
    return keyword.isEmpty() ? QString() : QStringLiteral(" (") + keyword + QLatin1Char(')');
}

// The last write of a file whose length is no multiple of 32 carries fewer bytes.
bool shortChunk(const QString& writeCommand)
{
    return writeCommand.section(QLatin1Char(' '), 2, 2).toInt() < LanguageTransfer::kChunkBytes;
}

QString fileProblem(const DeviceOutcome& r)
{
    switch (r.pcFileError) {
    case LanguageTransfer::kFileMissing:
        return pick(kMissing) + r.file;
    case LanguageTransfer::kFileEmpty:
        return pick(kEmpty) + r.file;
    case LanguageTransfer::kFileTooLarge:
        return pick(kTooLarge) + r.file;
    default:
        return pick(kUnreadable) + r.file + " " + r.detail;
    }
}

QString gaugeRefusal(const DeviceOutcome& r)
{
    const QString status = QString::number(r.gaugeStatus);
    const QString keyword = commandKeyword(r.command);
    if (keyword == QLatin1String("$fw"))
        return pick(kCreateRefused) + r.file + " " + status;
    if (keyword == QLatin1String("$fc"))
        return messageText(kEntryCloseError) + QLatin1Char(' ') + status;
    // A full chunk refused has a German text of its own; in English both read the same.
    if (shortChunk(r.command) || interfaceLanguage() == LanguageEnglish)
        return messageText(kEntryWriteError) + QLatin1Char(' ') + status;
    return QStringLiteral("Fehler beim Datei schreiben BLE : ") + QLatin1Char(' ') + status;
}
} // namespace

QString ServiceTexts::transferSucceeded(const QString& fileName)
{
    return QStringLiteral("Datei ") + fileName + messageText(kEntryTransferDone);
}

QString ServiceTexts::transferFailed(const DeviceOutcome& r)
{
    switch (r.failure) {
    case DeviceFailure::None:
        return transferSucceeded(r.file);
    case DeviceFailure::FileError:
        return fileProblem(r);
    case DeviceFailure::NoReply:
        return pick(kNoReply) + stepName(r);
    case DeviceFailure::LinkLost:
    case DeviceFailure::NotConnected:
        return pick(kLinkLost) + stepName(r);
    case DeviceFailure::Cancelled:
        return pick(kCancelled);
    case DeviceFailure::Garbled:
        return pick(kGarbled) + stepName(r);
    default:
        return gaugeRefusal(r);
    }
}

QString ServiceTexts::resetOutcome(const DeviceOutcome& r)
{
    switch (r.failure) {
    case DeviceFailure::Declined:
        return {};
    case DeviceFailure::None:
        return messageText(kEntryResetDone);
    case DeviceFailure::NoReply:
        return pick(kResetUnknown);
    case DeviceFailure::NotConnected:
        return messageText(kEntryConnect);
    case DeviceFailure::LinkLost:
        return pick(kLinkLost);
    case DeviceFailure::Cancelled:
        return pick(kCancelled);
    case DeviceFailure::Garbled:
        return pick(kGarbled);
    default:
        return pick(kResetRefused) + QString::number(r.gaugeStatus);
    }
}

QString ServiceTexts::clockReadFailed(const DeviceOutcome& r)
{
    switch (r.failure) {
    case DeviceFailure::NoReply:
        return pick(kNoReply);
    case DeviceFailure::Garbled:
        return pick(kGarbled);
    default:
        return pick(kLinkLost);
    }
}
