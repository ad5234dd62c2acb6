#include "info/SafeWriteText.h"

namespace
{
const QString kNothingWritten = QStringLiteral("nothing written");

QString byteText(int value)
{
    if (value < 0)
        return QStringLiteral("nothing");
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString backupNote(const DeviceOutcome& o)
{
    return o.backupPath.isEmpty() ? QString() : QStringLiteral("; backup ") + o.backupPath;
}

// The write's own steps failed: the gauge's file may be gone or partial.
QString writeFailure(const DeviceOutcome& o)
{
    if (o.fileIncomplete)
        return QStringLiteral("write of \"%1\" cancelled, the gauge's file is incomplete: ")
                   .arg(o.file) +
               describeOutcome(o) + backupNote(o);
    return QStringLiteral("write of \"%1\" failed: ").arg(o.file) + describeOutcome(o) +
           backupNote(o);
}

QString verifyFailure(const DeviceOutcome& o)
{
    if (o.failure == DeviceFailure::VerifyMismatch)
        return QStringLiteral("verify of \"%1\" failed: byte %2 written %3, read back %4")
                   .arg(o.file)
                   .arg(o.differingByte)
                   .arg(byteText(o.writtenByte), byteText(o.readBackByte)) +
               backupNote(o);
    return QStringLiteral("\"%1\" written but not verified (read back failed: %2)")
               .arg(o.file, describeOutcome(o)) +
           backupNote(o);
}

QString backupFailure(const DeviceOutcome& o)
{
    if (o.failure == DeviceFailure::FileError)
        return QStringLiteral("backup of \"%1\" not saved, %2: ").arg(o.file, kNothingWritten) +
               o.detail;
    return QStringLiteral("backup of \"%1\" not read, %2: ").arg(o.file, kNothingWritten) +
           describeOutcome(o);
}
} // namespace

QString describeSafeWrite(const DeviceOutcome& o)
{
    if (o.ok())
        return QStringLiteral("%1 bytes written into \"%2\" and verified")
                   .arg(o.bytes)
                   .arg(o.file) +
               backupNote(o);
    switch (o.step) {
    case DeviceStep::PcFile:
        return QStringLiteral("backup file refused: ") +
               (o.failure == DeviceFailure::FileError ? o.detail : describeOutcome(o));
    case DeviceStep::Backup:
        return backupFailure(o);
    case DeviceStep::Guard:
        if (o.failure == DeviceFailure::Cancelled)
            return QStringLiteral("cancelled, nothing written") + backupNote(o);
        return QStringLiteral("data not known to match this gauge (serial number, probe type), ") +
               kNothingWritten + backupNote(o);
    case DeviceStep::Remove:
    case DeviceStep::Create:
    case DeviceStep::Write:
    case DeviceStep::Close:
        return writeFailure(o);
    case DeviceStep::Verify:
        return verifyFailure(o);
    default:
        return o.failure == DeviceFailure::NotConnected ? QStringLiteral("no gauge connected")
                                                        : describeOutcome(o);
    }
}

bool describesNothingWritten(QStringView description)
{
    return description.contains(kNothingWritten);
}
