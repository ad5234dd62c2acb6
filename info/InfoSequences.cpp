#include "info/InfoSequences.h"

#include "info/DeviceFiles.h"
#include "info/FileWriter.h"
#include "info/InfoTexts.h"
#include "info/RecordDecoder.h"
#include "info/RecordReader.h"
#include "info/SafeWriter.h"
#include "link/GaugeProtocol.h"
#include "state/ProgramFiles.h"
#include "state/ServiceLog.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

namespace
{
using GaugeProtocol::kFactoryFile;
using GaugeProtocol::kProbeFile;
constexpr int EntryReadFirst = 22;

bool connected(const SequenceContext& run)
{
    return run.session && run.session->isOpen();
}

QString hexOf(const SequenceContext& run, const QString& file)
{
    const auto record = run.session ? run.session->record(file) : std::nullopt;
    return record ? record->hex : QString();
}

QCoro::Task<DeviceOutcome> readRecord(SequenceContext run, InfoTools tools, QString name)
{
    const DeviceResult<GaugeRecord> read =
        co_await RecordReader::Lese_Com(*run.session, name, &run.cancel);
    if (!read.ok() && read.outcome.failure != DeviceFailure::Cancelled)
        tools.dialogs->message(InfoTexts::readFailed(read.outcome));
    co_return read.outcome;
}

void logRecords(const SequenceContext& run)
{
    const QString factory = hexOf(run, kFactoryFile);
    const QString probe = hexOf(run, kProbeFile);
    AppendServiceLog(QStringLiteral("Geraet FactorydatenLänge") + QString::number(factory.size()));
    AppendServiceLog(QStringLiteral("Geraet Factorydaten") + factory);
    AppendServiceLog(QStringLiteral("Geraet ProbedatenLänge") + QString::number(probe.size()));
    AppendServiceLog(QStringLiteral("Geraet Probedaten") + probe);
}

void showSafeWriteFailure(const DeviceOutcome& r, UserDialogs& dialogs)
{
    // Refused data and a No have had their message; a cancel that left the gauge's file
    // incomplete is told by the runner.
    if (r.ok() || r.fileIncomplete || r.failure == DeviceFailure::Declined ||
        r.failure == DeviceFailure::InvalidData)
        return;
    if (r.gaugeTouched() && r.step != DeviceStep::Verify) {
        // The plain write's error report, with the backup to restore from in its description;
        // a garbled reply has the number of the gauge's errors.
        const DeviceFailure number =
            r.failure == DeviceFailure::Garbled ? DeviceFailure::GaugeError : r.failure;
        dialogs.message(errorReport(int(number), QStringLiteral("Schreibe_Com"),
                                    InfoTexts::writeFailed(r) + QLatin1Char(' ') +
                                        InfoTexts::restoreHint(r.backupPath)));
        return;
    }
    // A write that went out but could not be verified is reported even after a cancel.
    if (r.failure == DeviceFailure::Cancelled && r.step != DeviceStep::Verify)
        return;
    if (const QString text = InfoTexts::safeWriteFailed(r); !text.isEmpty())
        dialogs.message(text);
}

// Backup, guard, write, verify of hex into deviceFile, or of the backup at restoreFrom.
QCoro::Task<DeviceOutcome> safeWrite(SequenceContext run, InfoTools tools, QString deviceFile,
                                     QString hex, QString restoreFrom)
{
    emit tools.events->writeStarted();
    SafeWriter writer(*run.session, *tools.dialogs, tools.backups, &run.cancel);
    QObject::connect(&writer, &SafeWriter::backupSaved, tools.events.get(),
                     &InfoEvents::backupSaved);
    QObject::connect(&writer, &SafeWriter::backupSkipped, tools.events.get(),
                     &InfoEvents::backupSkipped);
    // Each result into a variable: g++ 12 mishandles a co_await inside a larger expression.
    DeviceOutcome r;
    if (restoreFrom.isEmpty())
        r = co_await writer.write(deviceFile, hex);
    else
        r = co_await writer.restore(restoreFrom, deviceFile);
    showSafeWriteFailure(r, *tools.dialogs);
    co_return r;
}

// A check of data to write (refusal message, size question), then the safe write.
QCoro::Task<DeviceOutcome> confirmAndWrite(SequenceContext run, InfoTools tools, QString deviceFile,
                                           QString hex)
{
    if (!connected(run)) {
        tools.dialogs->message(InfoTexts::notConnected());
        co_return DeviceOutcome::failed(DeviceFailure::NotConnected, DeviceStep::Check, {}, {});
    }
    if (DeviceOutcome confirmed = FileWriter::confirmData(hex, *tools.dialogs); !confirmed.ok())
        co_return confirmed;
    if (run.cancel.isCancelled()) // the window closed while the question was open
        co_return DeviceOutcome::fromWait(WaitResult::Cancelled, DeviceStep::Check, {});
    const DeviceOutcome r = co_await safeWrite(run, tools, deviceFile, hex, QString());
    // The probe record follows the gauge's file only where it went (or may have gone) out,
    // and only while that gauge is connected.
    if (r.gaugeTouched() && deviceFile == kProbeFile && connected(run)) {
        GaugeRecord record{hex, {}};
        decodeRecord(hex, record.values);
        run.session->storeRecord(kProbeFile, record);
    }
    co_return r;
}
} // namespace

namespace InfoSequences
{
QCoro::Task<DeviceOutcome> readRecords(SequenceContext run, InfoTools tools)
{
    if (!connected(run))
        co_return DeviceOutcome::failed(DeviceFailure::NotConnected, DeviceStep::Check, {}, {});
    DeviceOutcome outcome = co_await readRecord(run, tools, kProbeFile);
    if (!outcome.endsSession() && !run.cancel.isCancelled()) {
        const DeviceOutcome factory = co_await readRecord(run, tools, kFactoryFile);
        if (outcome.ok())
            outcome = factory;
    }
    logRecords(run);
    co_return outcome;
}

QCoro::Task<DeviceOutcome> download(SequenceContext run, InfoTools tools, QString caption)
{
    const QString folder =
        tools.dialogs->chooseFolder(caption, ProgramFiles::dialogFolder(tools.programFolder));
    if (folder.isEmpty())
        co_return DeviceOutcome::failed(DeviceFailure::Declined, DeviceStep::PcFile, {}, {});
    const QString probe = hexOf(run, kProbeFile);
    const QString factory = hexOf(run, kFactoryFile);
    // Without a "probe" read in this connection there is no download to call ready.
    if (probe.isEmpty()) {
        tools.dialogs->message(messageText(EntryReadFirst));
        co_return DeviceOutcome::failed(DeviceFailure::InvalidData, DeviceStep::Check, {},
                                        QStringLiteral("nothing read"));
    }
    PcFileResult saved = DeviceFiles::saveHexFile(folder, kProbeFile, probe);
    if (saved.ok && !factory.isEmpty())
        saved = DeviceFiles::saveHexFile(folder, kFactoryFile, factory);
    if (!saved.ok) {
        tools.dialogs->message(errorReport(saved.errorNumber, QStringLiteral("cmdSpeichern_Click"),
                                           saved.description));
        DeviceOutcome o = DeviceOutcome::failed(DeviceFailure::FileError, DeviceStep::PcFile, {},
                                                saved.description);
        o.pcFileError = saved.errorNumber;
        co_return o;
    }
    co_return DeviceOutcome::success(DeviceStep::PcFile);
}

QCoro::Task<DeviceOutcome> uploadProbe(SequenceContext run, InfoTools tools, QString caption)
{
    const QString folder = tools.dialogs->chooseFolder(
        caption, ProgramFiles::dialogFolder(tools.programFolder, QStringLiteral("Probe")));
    if (folder.isEmpty())
        co_return DeviceOutcome::failed(DeviceFailure::Declined, DeviceStep::PcFile, {}, {});
    const PcFileResult loaded = DeviceFiles::loadHexFile(folder, kProbeFile);
    if (!loaded.ok) {
        tools.dialogs->message(errorReport(
            loaded.errorNumber, QStringLiteral("cmdEinspielen_Click"), loaded.description));
        DeviceOutcome o = DeviceOutcome::failed(DeviceFailure::FileError, DeviceStep::PcFile, {},
                                                loaded.description);
        o.pcFileError = loaded.errorNumber;
        co_return o;
    }
    AppendServiceLog(QStringLiteral("Datei ProbedatenLänge") + QString::number(loaded.hex.size()));
    AppendServiceLog(QStringLiteral("Datei Probedaten") + loaded.hex);
    // A file holding only its line end has no data: confirmAndWrite refuses it.
    co_return co_await confirmAndWrite(run, tools, kProbeFile, loaded.hex);
}

QCoro::Task<DeviceOutcome> overwriteFactory(SequenceContext run, InfoTools tools)
{
    const QString probe = hexOf(run, kProbeFile);
    if (probe.isEmpty())
        co_return DeviceOutcome::success();
    co_return co_await confirmAndWrite(run, tools, kFactoryFile, probe);
}

QCoro::Task<DeviceOutcome> restoreBackup(SequenceContext run, InfoTools tools, QString backupPath,
                                         QString deviceFile)
{
    if (!tools.dialogs->askYesNo(InfoTexts::restoreQuestion(backupPath, deviceFile), false))
        co_return DeviceOutcome::failed(DeviceFailure::Declined, DeviceStep::Guard, {}, {});
    if (!connected(run)) {
        tools.dialogs->message(InfoTexts::notConnected());
        co_return DeviceOutcome::failed(DeviceFailure::NotConnected, DeviceStep::Check, {}, {});
    }
    co_return co_await safeWrite(run, tools, deviceFile, QString(), backupPath);
}
} // namespace InfoSequences
