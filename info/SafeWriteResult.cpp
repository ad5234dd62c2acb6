#include "info/SafeWriteResult.h"

namespace
{
const QString kNothingWritten = QStringLiteral("nothing written");

QString byteText(int value)
{
    if (value == HexCompare::NoByte)
        return QStringLiteral("nothing");
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString backupNote(const SafeWriteResult& r)
{
    return r.backupPath.isEmpty() ? QString() : QStringLiteral("; backup ") + r.backupPath;
}
} // namespace

bool SafeWriteResult::declined() const
{
    return status == SafeWriteStatus::GuardDeclined ||
           (status == SafeWriteStatus::SourceRefused &&
            transfer.status == TransferStatus::Declined);
}

TransferStatus SafeWriteResult::transferStatus() const
{
    if (ok())
        return TransferStatus::Ok;
    if (declined())
        return TransferStatus::Declined;
    if (transfer.status != TransferStatus::Ok)
        return transfer.status;
    return status == SafeWriteStatus::BackupSaveFailed ? TransferStatus::FileError
                                                       : TransferStatus::GaugeError;
}

TransferResult SafeWriteResult::asTransfer() const
{
    if (ok())
        return TransferResult::success();
    TransferResult r = transfer;
    r.status = transferStatus();
    r.detail = describeSafeWrite(*this);
    return r;
}

QString describeSafeWrite(const SafeWriteResult& r)
{
    switch (r.status) {
    case SafeWriteStatus::Ok:
        return QStringLiteral("%1 bytes written into \"%2\" and verified")
                   .arg(r.writtenBytes)
                   .arg(r.deviceFile) +
               backupNote(r);
    case SafeWriteStatus::NotConnected:
        return QStringLiteral("no gauge connected");
    case SafeWriteStatus::SourceRefused:
        return QStringLiteral("backup file refused: ") +
               (r.detail.isEmpty() ? describeTransfer(r.transfer) : r.detail);
    case SafeWriteStatus::BackupReadFailed:
        return QStringLiteral("backup of \"%1\" not read, %2: ")
                   .arg(r.deviceFile, kNothingWritten) +
               describeTransfer(r.transfer);
    case SafeWriteStatus::BackupSaveFailed:
        return QStringLiteral("backup of \"%1\" not saved, %2: ")
                   .arg(r.deviceFile, kNothingWritten) +
               r.detail;
    case SafeWriteStatus::GuardDeclined:
        return QStringLiteral("data not known to match this gauge (serial number, probe type), ") +
               kNothingWritten + backupNote(r);
    case SafeWriteStatus::WriteFailed:
        if (r.leftIncomplete())
            return QStringLiteral("write of \"%1\" cancelled, the gauge's file is incomplete: ")
                       .arg(r.deviceFile) +
                   describeTransfer(r.transfer) + backupNote(r);
        return QStringLiteral("write of \"%1\" failed: ").arg(r.deviceFile) +
               describeTransfer(r.transfer) + backupNote(r);
    case SafeWriteStatus::VerifyReadFailed:
        return QStringLiteral("\"%1\" written but not verified (read back failed: %2)")
                   .arg(r.deviceFile, describeTransfer(r.transfer)) +
               backupNote(r);
    case SafeWriteStatus::Cancelled:
        return QStringLiteral("cancelled, nothing written") + backupNote(r);
    case SafeWriteStatus::VerifyMismatch:
        return QStringLiteral("verify of \"%1\" failed: byte %2 written %3, read back %4")
                   .arg(r.deviceFile)
                   .arg(r.difference.offset)
                   .arg(byteText(r.difference.written), byteText(r.difference.readBack)) +
               backupNote(r);
    }
    return QString();
}

bool describesNothingWritten(QStringView description)
{
    return description.contains(kNothingWritten);
}
