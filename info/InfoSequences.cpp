#include "info/InfoSequences.h"

#include "info/DeviceFiles.h"
#include "info/FileWriter.h"
#include "info/InfoTexts.h"
#include "info/RecordReader.h"
#include "info/SafeWriter.h"
#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "link/EventLoopTurn.h"
#include "state/ProgramFiles.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

namespace
{
constexpr int EntryReadFirst = 22;

bool endsTheSession(TransferStatus status)
{
    return status == TransferStatus::LinkLost || status == TransferStatus::Cancelled ||
           status == TransferStatus::NotConnected;
}

bool connected(const InfoSequenceContext& c)
{
    return c.channel && sharedState().DeviceConnected;
}

QCoro::Task<TransferResult> readRecord(InfoSequenceContext c, QString name)
{
    RecordReader reader(*c.channel, c.cancel.get());
    QObject::connect(&reader, &RecordReader::recordDecoded, c.events.get(),
                     &InfoEvents::recordDecoded);
    QObject::connect(&reader, &RecordReader::identityRequested, c.events.get(),
                     &InfoEvents::identityRequested);
    const TransferResult r = co_await reader.Lese_Com(name);
    if (!r.ok() && r.status != TransferStatus::Cancelled)
        c.dialogs->message(InfoTexts::readFailed(r));
    co_return r;
}

void logRecords()
{
    const SharedState& s = sharedState();
    AppendServiceLog(QStringLiteral("Geraet FactorydatenLänge") +
                     QString::number(s.FactoryData.size()));
    AppendServiceLog(QStringLiteral("Geraet Factorydaten") + s.FactoryData);
    AppendServiceLog(QStringLiteral("Geraet ProbedatenLänge") +
                     QString::number(s.ProbeData.size()));
    AppendServiceLog(QStringLiteral("Geraet Probedaten") + s.ProbeData);
}

void showSafeWriteFailure(const SafeWriteResult& r, UserDialogs& dialogs)
{
    if (r.leftIncomplete()) { // the service log has the same (SafeWriter)
        dialogs.message(InfoTexts::incompleteWrite(r, InfoTexts::restoreInWindow()));
        return;
    }
    if (r.status == SafeWriteStatus::WriteFailed) {
        // The plain write's error report, with the backup to restore from in its description.
        switch (r.transfer.status) {
        case TransferStatus::InvalidData:
        case TransferStatus::Declined:
            return;
        default:
            dialogs.message(
                CommandChannel::errorReport(int(r.transfer.status), QStringLiteral("Schreibe_Com"),
                                            InfoTexts::writeFailed(r.transfer) + QLatin1Char(' ') +
                                                InfoTexts::restoreHint(r.backupPath)));
        }
        return;
    }
    // A write that went out but could not be verified is reported even after a cancel.
    if (r.cancelled() && r.status != SafeWriteStatus::VerifyReadFailed)
        return;
    if (const QString text = InfoTexts::safeWriteFailed(r); !text.isEmpty())
        dialogs.message(text);
}

// Backup, guard, write, verify of hex into deviceFile, or of the backup at restoreFrom.
QCoro::Task<SafeWriteResult> safeWrite(InfoSequenceContext c, QString deviceFile, QString hex,
                                       QString restoreFrom)
{
    emit c.events->writeStarted();
    SafeWriter writer(*c.channel, *c.dialogs, c.cancel.get());
    QObject::connect(&writer, &SafeWriter::backupSaved, c.events.get(), &InfoEvents::backupSaved);
    QObject::connect(&writer, &SafeWriter::backupSkipped, c.events.get(),
                     &InfoEvents::backupSkipped);
    SafeWriteResult r;
    if (restoreFrom.isEmpty())
        r = co_await writer.write(deviceFile, hex);
    else
        r = co_await writer.restore(restoreFrom, deviceFile);
    showSafeWriteFailure(r, *c.dialogs);
    co_return r;
}

// A check of data to write (refusal message, size question), then the safe write.
QCoro::Task<InfoOutcome> confirmAndWrite(InfoSequenceContext c, QString deviceFile, QString hex)
{
    if (!connected(c)) {
        c.dialogs->message(InfoTexts::notConnected());
        co_return InfoOutcome{TransferStatus::NotConnected};
    }
    if (const TransferResult confirmed = FileWriter::confirmData(hex, *c.dialogs); !confirmed.ok())
        co_return InfoOutcome{confirmed.status};
    if (c.cancel->isCancelled()) // the window closed while the question was open
        co_return InfoOutcome{TransferStatus::Cancelled};
    const SafeWriteResult r = co_await safeWrite(c, deviceFile, hex, QString());
    // The program's copy follows the gauge's file only where it went (or may have gone) out,
    // and only while that gauge is connected.
    if (r.gaugeTouched() && deviceFile == sharedState().ProbeFileName && connected(c))
        sharedState().ProbeData = hex;
    co_return InfoOutcome{r.transferStatus(), r.ok()};
}
} // namespace

namespace InfoSequences
{
QCoro::Task<InfoOutcome> readRecords(InfoSequenceContext c)
{
    const DeviceBusy::Guard busy;
    co_await EventLoopTurn();
    const SharedState& s = sharedState();
    const TransferResult probe = co_await readRecord(c, s.ProbeFileName);
    bool ok = probe.ok();
    if (!endsTheSession(probe.status) && !c.cancel->isCancelled()) {
        const TransferResult factory = co_await readRecord(c, s.FactoryFileName);
        ok = factory.ok() && ok;
    }
    logRecords();
    co_return InfoOutcome{ok ? TransferStatus::Ok : TransferStatus::GaugeError};
}

QCoro::Task<InfoOutcome> download(InfoSequenceContext c, QString caption)
{
    const DeviceBusy::Guard busy;
    co_await EventLoopTurn();
    const SharedState& s = sharedState();
    const QString folder =
        c.dialogs->chooseFolder(caption, ProgramFiles::dialogFolder(s.ProgramFolder));
    if (folder.isEmpty())
        co_return InfoOutcome{TransferStatus::Declined};
    PcFileResult saved;
    const bool probeRead = !s.FileHex.isEmpty() && !s.ProbeData.isEmpty();
    if (!probeRead)
        c.dialogs->message(messageText(EntryReadFirst));
    else
        saved = DeviceFiles::saveHexFile(folder, s.ProbeFileName, s.ProbeData);
    if (saved.ok && !s.FactoryData.isEmpty())
        saved = DeviceFiles::saveHexFile(folder, s.FactoryFileName, s.FactoryData);
    if (!saved.ok) {
        c.dialogs->message(CommandChannel::errorReport(
            saved.errorNumber, QStringLiteral("cmdSpeichern_Click"), saved.description));
        co_return InfoOutcome{TransferStatus::FileError};
    }
    // Without a "probe" read there is no download to call ready.
    co_return InfoOutcome{probeRead ? TransferStatus::Ok : TransferStatus::InvalidData};
}

QCoro::Task<InfoOutcome> uploadProbe(InfoSequenceContext c, QString caption)
{
    const DeviceBusy::Guard busy;
    co_await EventLoopTurn();
    SharedState& s = sharedState();
    s.CurrentFileName = s.ProbeFileName;
    const QString folder = c.dialogs->chooseFolder(
        caption, ProgramFiles::dialogFolder(s.ProgramFolder, QStringLiteral("Probe")));
    if (folder.isEmpty())
        co_return InfoOutcome{TransferStatus::Declined};
    const PcFileResult loaded = DeviceFiles::loadHexFile(folder, s.ProbeFileName);
    if (!loaded.ok) {
        c.dialogs->message(CommandChannel::errorReport(
            loaded.errorNumber, QStringLiteral("cmdEinspielen_Click"), loaded.description));
        co_return InfoOutcome{TransferStatus::FileError};
    }
    AppendServiceLog(QStringLiteral("Datei ProbedatenLänge") + QString::number(loaded.hex.size()));
    AppendServiceLog(QStringLiteral("Datei Probedaten") + loaded.hex);
    // A file holding only its line end has no data: confirmAndWrite refuses it, ProbeData stays.
    co_return co_await confirmAndWrite(c, s.ProbeFileName, loaded.hex);
}

QCoro::Task<InfoOutcome> overwriteFactory(InfoSequenceContext c)
{
    const DeviceBusy::Guard busy;
    co_await EventLoopTurn();
    const SharedState& s = sharedState();
    if (s.ProbeData.isEmpty())
        co_return InfoOutcome{};
    co_return co_await confirmAndWrite(c, s.FactoryFileName, s.ProbeData);
}

QCoro::Task<InfoOutcome> restoreBackup(InfoSequenceContext c, QString backupPath,
                                       QString deviceFile)
{
    const DeviceBusy::Guard busy;
    co_await EventLoopTurn();
    if (!c.dialogs->askYesNo(InfoTexts::restoreQuestion(backupPath, deviceFile), false))
        co_return InfoOutcome{TransferStatus::Declined};
    const SafeWriteResult r = co_await safeWrite(c, deviceFile, QString(), backupPath);
    co_return InfoOutcome{r.transferStatus(), r.ok()};
}
} // namespace InfoSequences
