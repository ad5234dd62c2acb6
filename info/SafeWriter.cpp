#include "info/SafeWriter.h"

#include "info/DeviceFiles.h"
#include "info/FileWriter.h"
#include "info/InfoTexts.h"
#include "info/RawFileReader.h"
#include "info/WriteGuard.h"
#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <QFileInfo>

SafeWriter::SafeWriter(CommandChannel& channel, const CancelToken* cancel, QObject* parent)
    : QObject(parent), m_channel(channel), m_cancel(cancel)
{
}

SafeWriteResult SafeWriter::write(const QString& deviceFile, const QString& hex)
{
    SafeWriteResult result;
    result.deviceFile = deviceFile;
    if (!sharedState().DeviceConnected) {
        result.status = SafeWriteStatus::NotConnected;
        result.transfer = TransferResult::failure(TransferStatus::NotConnected, QString(),
                                                  QStringLiteral("no gauge connected"));
        return result;
    }
    QString gaugeHex;
    result = takeBackup(deviceFile, gaugeHex);
    if (!result.ok())
        return finish(result);
    if (!guardAllows(deviceFile, hex, gaugeHex)) {
        result.status = SafeWriteStatus::GuardDeclined;
        result.transfer = TransferResult::failure(TransferStatus::Declined, QString(),
                                                  QStringLiteral("another gauge's data"));
        return finish(result);
    }
    emit stepStarted(Step::Write);
    result.transfer = FileWriter(m_channel, m_cancel).writeConfirmed(deviceFile, hex);
    if (!result.transfer.ok()) {
        result.status = SafeWriteStatus::WriteFailed;
        return finish(result);
    }
    result.writtenBytes = int(hex.size() / 2);
    verify(result, hex);
    return finish(result);
}

SafeWriteResult SafeWriter::takeBackup(const QString& deviceFile, QString& gaugeHex)
{
    SafeWriteResult result;
    result.deviceFile = deviceFile;
    emit stepStarted(Step::Backup);
    result.transfer = RawFileReader(m_channel, m_cancel).read(deviceFile, gaugeHex);
    if (result.transfer.missingFile) {
        result.transfer = TransferResult::success();
        AppendServiceLog(QStringLiteral("Sicherung ") + deviceFile +
                         QStringLiteral(": no backup: the gauge had no file ") + deviceFile);
        emit backupSkipped(deviceFile);
        return result;
    }
    if (!result.transfer.ok()) {
        result.status = SafeWriteStatus::BackupReadFailed;
        return result;
    }
    const BackupSaveResult saved = m_store.save(gaugeHex, deviceFile);
    if (!saved.ok) {
        result.status = SafeWriteStatus::BackupSaveFailed;
        result.detail = saved.description;
        return result;
    }
    result.backupPath = saved.path;
    AppendServiceLog(QStringLiteral("Sicherung ") + deviceFile + QLatin1Char(' ') + saved.path);
    emit backupSaved(saved.path);
    return result;
}

bool SafeWriter::guardAllows(const QString& deviceFile, const QString& hex, const QString& gaugeHex)
{
    const WriteGuard::Check check = WriteGuard::compare(hex, gaugeHex);
    if (check.ok())
        return true;
    return userDialogs().askYesNo(InfoTexts::guardQuestion(check, deviceFile), false);
}

void SafeWriter::verify(SafeWriteResult& result, const QString& hex)
{
    emit stepStarted(Step::Verify);
    QString readBack;
    result.transfer = RawFileReader(m_channel, m_cancel).read(result.deviceFile, readBack);
    if (!result.transfer.ok()) {
        result.status = SafeWriteStatus::VerifyReadFailed;
        return;
    }
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

SafeWriteResult SafeWriter::restore(const QString& path, const QString& deviceFile)
{
    AppendServiceLog(QStringLiteral("Wiederherstellen ") + deviceFile + QLatin1Char(' ') +
                     QFileInfo(path).absoluteFilePath());
    return writeFromFile(path, deviceFile);
}

SafeWriteResult SafeWriter::writeFromFile(const QString& path, const QString& deviceFile)
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
        return result;
    }
    result.transfer = FileWriter::confirmData(loaded.hex);
    if (!result.transfer.ok())
        return result;
    return write(deviceFile, loaded.hex);
}
