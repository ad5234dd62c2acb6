#include "info/SafeWriter.h"

#include "info/DeviceFiles.h"
#include "info/FileWriter.h"
#include "info/InfoTexts.h"
#include "info/WriteGuard.h"
#include "link/CommandChannel.h"
#include "link/DeviceFile.h"
#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <QFileInfo>

SafeWriter::SafeWriter(CommandChannel& channel, UserDialogs& dialogs, const CancelToken* cancel,
                       QObject* parent)
    : QObject(parent), m_channel(channel), m_dialogs(dialogs), m_cancel(cancel)
{
}

QCoro::Task<SafeWriteResult> SafeWriter::write(QString deviceFile, QString hex)
{
    const SafeWriteResult result = co_await attempt(deviceFile, hex);
    report(result, hex);
    co_return result;
}

void SafeWriter::report(const SafeWriteResult& result, const QString& hex) const
{
    // A write declined or without a gauge never began: the history has nothing of it.
    if (result.status == SafeWriteStatus::NotConnected || result.declined())
        return;
    m_channel.journal().fileWritten(result.deviceFile, hex, result.ok(), result.difference.offset,
                                    result.backupPath, describeSafeWrite(result));
}

QCoro::Task<SafeWriteResult> SafeWriter::attempt(QString deviceFile, QString hex)
{
    SafeWriteResult result;
    result.deviceFile = deviceFile;
    if (!sharedState().DeviceConnected) {
        result.status = SafeWriteStatus::NotConnected;
        result.transfer = TransferResult::failure(TransferStatus::NotConnected, QString(),
                                                  QStringLiteral("no gauge connected"));
        co_return result;
    }
    // The guard needs the gauge's file, so it is read first; the backup is saved only once the
    // write goes ahead, so a No leaves no backup behind.
    QString gaugeHex;
    result = co_await readGaugeFile(deviceFile, gaugeHex);
    if (!result.ok())
        co_return finish(result);
    if (!guardAllows(deviceFile, hex, gaugeHex)) {
        result.status = SafeWriteStatus::GuardDeclined;
        result.transfer =
            TransferResult::failure(TransferStatus::Declined, QString(),
                                    QStringLiteral("data not known to match this gauge"));
        co_return finish(result);
    }
    // A cancel up to here (a question was open) leaves the gauge's file as it was.
    if (m_cancel && m_cancel->isCancelled()) {
        result.status = SafeWriteStatus::Cancelled;
        result.transfer = TransferResult::fromWait(WaitResult::Cancelled, QString());
        co_return finish(result);
    }
    if (!gaugeHex.isEmpty() && !saveBackup(result, gaugeHex))
        co_return finish(result);
    emit stepStarted(Step::Write);
    result.transfer =
        co_await FileWriter(m_channel, m_dialogs, m_cancel).writeConfirmed(deviceFile, hex);
    if (!result.transfer.ok()) {
        result.status = SafeWriteStatus::WriteFailed;
        co_return finish(result);
    }
    result.writtenBytes = int(hex.size() / 2);
    co_await verify(result, hex);
    co_return finish(result);
}

QCoro::Task<SafeWriteResult> SafeWriter::readGaugeFile(QString deviceFile, QString& gaugeHex)
{
    SafeWriteResult result;
    result.deviceFile = deviceFile;
    emit stepStarted(Step::Backup);
    result.transfer = co_await DeviceFile(m_channel, m_cancel).readFile(deviceFile, gaugeHex);
    if (result.transfer.missingFile) {
        result.transfer = TransferResult::success();
        AppendServiceLog(QStringLiteral("Sicherung ") + deviceFile +
                         QStringLiteral(": no backup: the gauge had no file ") + deviceFile);
        emit backupSkipped(deviceFile);
        co_return result;
    }
    if (!result.transfer.ok()) {
        result.status = SafeWriteStatus::BackupReadFailed;
        co_return result;
    }
    m_channel.journal().recordRead(deviceFile, gaugeHex);
    co_return result;
}

bool SafeWriter::saveBackup(SafeWriteResult& result, const QString& gaugeHex)
{
    const BackupSaveResult saved = m_store.save(gaugeHex, result.deviceFile);
    if (!saved.ok) {
        result.status = SafeWriteStatus::BackupSaveFailed;
        result.detail = saved.description;
        return false;
    }
    result.backupPath = saved.path;
    AppendServiceLog(QStringLiteral("Sicherung ") + result.deviceFile + QLatin1Char(' ') +
                     saved.path);
    m_channel.journal().backupSaved(result.deviceFile, saved.path);
    emit backupSaved(saved.path);
    return true;
}

bool SafeWriter::guardAllows(const QString& deviceFile, const QString& hex, const QString& gaugeHex)
{
    const WriteGuard::Check check = WriteGuard::compare(hex, gaugeHex);
    if (check.ok())
        return true;
    return m_dialogs.askYesNo(InfoTexts::guardQuestion(check, deviceFile), false);
}

QCoro::Task<> SafeWriter::verify(SafeWriteResult& result, QString hex)
{
    emit stepStarted(Step::Verify);
    QString readBack;
    result.transfer =
        co_await DeviceFile(m_channel, m_cancel).readFile(result.deviceFile, readBack);
    if (!result.transfer.ok()) {
        result.status = SafeWriteStatus::VerifyReadFailed;
        co_return;
    }
    m_channel.journal().recordRead(result.deviceFile, readBack);
    result.difference = HexCompare::firstDifference(hex, readBack);
    result.status =
        result.difference.none() ? SafeWriteStatus::Ok : SafeWriteStatus::VerifyMismatch;
}

SafeWriteResult SafeWriter::finish(SafeWriteResult result)
{
    const QString line = describeSafeWrite(result);
    AppendServiceLog(QStringLiteral("Schreiben ") + result.deviceFile + QStringLiteral(": ") +
                     line);
    if (result.ok())
        qCInfo(zvInfo) << line;
    else
        qCWarning(zvInfo) << line;
    return result;
}

QCoro::Task<SafeWriteResult> SafeWriter::restore(QString path, QString deviceFile)
{
    AppendServiceLog(QStringLiteral("Wiederherstellen ") + deviceFile + QLatin1Char(' ') +
                     QFileInfo(path).absoluteFilePath());
    const SafeWriteResult result = co_await writeFromFile(path, deviceFile);
    if (!result.declined())
        m_channel.journal().backupRestored(deviceFile, QFileInfo(path).absoluteFilePath(),
                                           result.ok(), describeSafeWrite(result));
    co_return result;
}

QCoro::Task<SafeWriteResult> SafeWriter::writeFromFile(QString path, QString deviceFile)
{
    SafeWriteResult result;
    result.deviceFile = deviceFile;
    result.status = SafeWriteStatus::SourceRefused;
    const QFileInfo info(path);
    const PcFileResult loaded = DeviceFiles::loadHexFile(info.absolutePath(), info.fileName());
    if (!loaded.ok) {
        result.transfer =
            TransferResult::failure(TransferStatus::FileError, QString(), loaded.description);
        result.detail = loaded.description;
        co_return result;
    }
    result.transfer = FileWriter::confirmData(loaded.hex, m_dialogs);
    if (!result.transfer.ok())
        co_return result;
    co_return co_await write(deviceFile, loaded.hex);
}
