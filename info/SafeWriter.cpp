#include "info/SafeWriter.h"

#include "info/DeviceFiles.h"
#include "info/FileWriter.h"
#include "info/HexCompare.h"
#include "info/InfoTexts.h"
#include "info/SafeWriteText.h"
#include "info/WriteGuard.h"
#include "link/CancelToken.h"
#include "link/DeviceFile.h"
#include "link/GaugeSession.h"
#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
#include "state/ServiceLog.h"
#include "state/UserDialogs.h"

#include <QFileInfo>

namespace
{
DeviceOutcome failedAt(DeviceStep step, DeviceOutcome outcome)
{
    outcome.step = step;
    return outcome;
}
} // namespace

SafeWriter::SafeWriter(GaugeSession& session, UserDialogs& dialogs, BackupStore store,
                       const CancelToken* cancel, QObject* parent)
    : QObject(parent), m_session(session), m_dialogs(dialogs), m_cancel(cancel),
      m_store(std::move(store))
{
}

QCoro::Task<DeviceOutcome> SafeWriter::write(QString deviceFile, QString hex)
{
    DeviceOutcome outcome = co_await attempt(deviceFile, hex);
    outcome.file = deviceFile;
    report(outcome, hex);
    co_return outcome;
}

void SafeWriter::report(const DeviceOutcome& o, const QString& hex) const
{
    // A write declined or without a gauge never began: the history has nothing of it.
    if (o.failure == DeviceFailure::NotConnected || o.failure == DeviceFailure::Declined)
        return;
    m_session.journal().fileWritten(o.file, hex, o.ok(), o.differingByte, o.backupPath,
                                    describeSafeWrite(o));
}

QCoro::Task<DeviceOutcome> SafeWriter::attempt(QString deviceFile, QString hex)
{
    if (!m_session.isOpen())
        co_return DeviceOutcome::failed(DeviceFailure::NotConnected, DeviceStep::Check, QString(),
                                        QStringLiteral("no gauge connected"));
    // The guard needs the gauge's file, so it is read first; the backup is saved only once the
    // write goes ahead, so a No leaves no backup behind.
    const DeviceResult<QString> gauge = co_await readGaugeFile(deviceFile);
    if (!gauge.ok())
        co_return finish(failedAt(DeviceStep::Backup, gauge.outcome), deviceFile);
    const QString& gaugeHex = *gauge.value;
    if (!guardAllows(deviceFile, hex, gaugeHex))
        co_return finish(
            DeviceOutcome::failed(DeviceFailure::Declined, DeviceStep::Guard, QString(),
                                  QStringLiteral("data not known to match this gauge")),
            deviceFile);
    // A cancel up to here (a question was open) leaves the gauge's file as it was.
    if (m_cancel && m_cancel->isCancelled())
        co_return finish(DeviceOutcome::fromWait(WaitResult::Cancelled, DeviceStep::Guard, {}),
                         deviceFile);
    QString backupPath;
    if (!gaugeHex.isEmpty()) {
        const DeviceOutcome saved = saveBackup(deviceFile, gaugeHex);
        if (!saved.ok())
            co_return finish(saved, deviceFile);
        backupPath = saved.backupPath;
    }
    DeviceOutcome written =
        co_await FileWriter(m_session, m_dialogs, m_cancel).writeConfirmed(deviceFile, hex);
    written.backupPath = backupPath;
    if (!written.ok()) {
        if (written.step == DeviceStep::Check)
            written.step = DeviceStep::Write;
        written.fileIncomplete = written.failure == DeviceFailure::Cancelled;
        co_return finish(written, deviceFile);
    }
    const DeviceOutcome verified = co_await verify(deviceFile, written, hex);
    co_return finish(verified, deviceFile);
}

QCoro::Task<DeviceResult<QString>> SafeWriter::readGaugeFile(QString deviceFile)
{
    DeviceResult<QString> read =
        co_await DeviceFile(m_session.channel(), m_cancel).readFile(deviceFile);
    if (read.outcome.missingFile) {
        AppendServiceLog(QStringLiteral("Sicherung ") + deviceFile +
                         QStringLiteral(": no backup: the gauge had no file ") + deviceFile);
        emit backupSkipped(deviceFile);
        co_return{DeviceOutcome::success(DeviceStep::Backup), QString()};
    }
    if (read.ok())
        m_session.journal().recordRead(deviceFile, *read.value);
    co_return read;
}

DeviceOutcome SafeWriter::saveBackup(const QString& deviceFile, const QString& gaugeHex)
{
    const BackupSaveResult saved = m_store.save(gaugeHex, deviceFile);
    if (!saved.ok)
        return DeviceOutcome::failed(DeviceFailure::FileError, DeviceStep::Backup, QString(),
                                     saved.description);
    AppendServiceLog(QStringLiteral("Sicherung ") + deviceFile + QLatin1Char(' ') + saved.path);
    m_session.journal().backupSaved(deviceFile, saved.path);
    emit backupSaved(saved.path);
    DeviceOutcome o = DeviceOutcome::success(DeviceStep::Backup);
    o.backupPath = saved.path;
    return o;
}

bool SafeWriter::guardAllows(const QString& deviceFile, const QString& hex, const QString& gaugeHex)
{
    const WriteGuard::Check check = WriteGuard::compare(hex, gaugeHex);
    if (check.ok())
        return true;
    return m_dialogs.askYesNo(InfoTexts::guardQuestion(check, deviceFile), false);
}

QCoro::Task<DeviceOutcome> SafeWriter::verify(QString deviceFile, DeviceOutcome written,
                                              QString hex)
{
    const DeviceResult<QString> readBack =
        co_await DeviceFile(m_session.channel(), m_cancel).readFile(deviceFile);
    DeviceOutcome o = failedAt(DeviceStep::Verify, readBack.outcome);
    o.backupPath = written.backupPath;
    o.bytes = written.bytes;
    if (!readBack.ok())
        co_return o;
    m_session.journal().recordRead(deviceFile, *readBack.value);
    const HexCompare::Difference difference = HexCompare::firstDifference(hex, *readBack.value);
    if (!difference.none()) {
        o.failure = DeviceFailure::VerifyMismatch;
        o.differingByte = difference.offset;
        o.writtenByte = difference.written;
        o.readBackByte = difference.readBack;
    }
    co_return o;
}

DeviceOutcome SafeWriter::finish(DeviceOutcome outcome, const QString& deviceFile)
{
    outcome.file = deviceFile;
    const QString line = describeSafeWrite(outcome);
    AppendServiceLog(QStringLiteral("Schreiben ") + outcome.file + QStringLiteral(": ") + line);
    if (outcome.ok())
        qCInfo(zvInfo) << line;
    else
        qCWarning(zvInfo) << line;
    return outcome;
}

QCoro::Task<DeviceOutcome> SafeWriter::restore(QString path, QString deviceFile)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    AppendServiceLog(QStringLiteral("Wiederherstellen ") + deviceFile + QLatin1Char(' ') +
                     absolute);
    const DeviceOutcome outcome = co_await writeFromFile(path, deviceFile);
    if (outcome.failure != DeviceFailure::Declined)
        m_session.journal().backupRestored(deviceFile, absolute, outcome.ok(),
                                           describeSafeWrite(outcome));
    co_return outcome;
}

QCoro::Task<DeviceOutcome> SafeWriter::writeFromFile(QString path, QString deviceFile)
{
    const QFileInfo info(path);
    const PcFileResult loaded = DeviceFiles::loadHexFile(info.absolutePath(), info.fileName());
    DeviceOutcome refused;
    if (!loaded.ok) {
        refused = DeviceOutcome::failed(DeviceFailure::FileError, DeviceStep::PcFile, QString(),
                                        loaded.description);
        refused.pcFileError = loaded.errorNumber;
    } else {
        refused = failedAt(DeviceStep::PcFile, FileWriter::confirmData(loaded.hex, m_dialogs));
    }
    if (!refused.ok()) {
        refused.file = deviceFile;
        co_return refused;
    }
    co_return co_await write(deviceFile, loaded.hex);
}
