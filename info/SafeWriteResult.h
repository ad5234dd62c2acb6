#pragma once

#include "info/HexCompare.h"
#include "link/TransferResult.h"

#include <QString>

// How a safe write (backup, guard, write, verify) or a restore ended.
enum class SafeWriteStatus {
    Ok = 0,               // written and read back identical
    NotConnected = 1,     // no gauge connected: nothing was sent
    SourceRefused = 2,    // restore: the backup file could not be loaded or was refused
    BackupReadFailed = 3, // the gauge's current file could not be read: nothing written
    BackupSaveFailed = 4, // the backup could not be saved on the PC: nothing written
    GuardDeclined = 5,    // data not known to be this gauge's, the user said No: nothing written
    WriteFailed = 6,      // the write itself failed; the gauge's file may be gone or partial
    VerifyReadFailed = 7, // written, but the file could not be read back: not verified
    VerifyMismatch = 8,   // written, but the gauge holds other bytes than were sent
    Cancelled = 9,        // cancelled after the backup, before anything was written
};

struct SafeWriteResult {
    SafeWriteStatus status = SafeWriteStatus::Ok;
    QString deviceFile;      // "probe" or "factory"
    TransferResult transfer; // the failing device step or data check, where there was one
    QString backupPath;      // the backup taken before the write (empty when none was saved)
    QString detail;          // English detail (PC file errors)
    HexCompare::Difference difference; // VerifyMismatch: the first differing byte
    int writtenBytes = 0;

    bool ok() const { return status == SafeWriteStatus::Ok; }
    // Commands that change the gauge's file went out (the file may now differ from the backup).
    bool gaugeTouched() const
    {
        return ok() || (status >= SafeWriteStatus::WriteFailed &&
                        status <= SafeWriteStatus::VerifyMismatch);
    }
    // Cancelled once the gauge's file had been changed: it is left incomplete (or removed).
    bool leftIncomplete() const { return status == SafeWriteStatus::WriteFailed && cancelled(); }
    // The user declined (a question answered No, also on the record-size question).
    bool declined() const;
    bool cancelled() const { return transfer.status == TransferStatus::Cancelled; }
    // The plain transfer status this amounts to: Ok only for a verified write, Declined for a
    // No, the failing step's status, else GaugeError (a mismatch) or FileError (a PC file).
    TransferStatus transferStatus() const;
    // The same as a plain transfer result (status transferStatus(), detail describeSafeWrite),
    // for callers that map transfer results to exit codes: a verify mismatch is a GaugeError.
    TransferResult asTransfer() const;
};

// English one-line description for the service log and the command-line tool, e.g.
// "verify failed: byte 17 written 0x3A, read back 0x3B; backup /x/backup/20261205_probe_...".
QString describeSafeWrite(const SafeWriteResult& result);
// Whether such a description says that nothing was sent to the gauge's file (the backup could
// not be taken, or the data were declined), so the file is as it was.
bool describesNothingWritten(QStringView description);
