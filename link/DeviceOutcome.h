#pragma once

#include "link/WaitResult.h"

#include <QString>
#include <optional>

// Why a device operation (a read, a write, a language file, a reset, the clock, a connect) did
// not succeed.
enum class DeviceFailure {
    None,
    NotConnected,   // no gauge connected: nothing was sent
    NoReply,        // the gauge did not answer in time
    LinkLost,       // the link dropped during the operation
    Cancelled,      // cancelled (a window closed, zvctl interrupted)
    GaugeError,     // the gauge answered with an error (status, missing handle, wrong data)
    Garbled,        // the gauge's reply could not be taken apart
    DecodeFailed,   // the record read could not be decoded
    InvalidData,    // the data to write were refused before anything was sent
    Declined,       // the user answered No: nothing was written
    FileError,      // a file on the PC could not be read or written
    VerifyMismatch, // written, but the gauge gives back other bytes than were sent
    Busy,           // another sequence owns the gauge's channel: nothing was sent
};

// The step of an operation that failed (or its last step on success).
enum class DeviceStep {
    None,
    Check,
    Open,
    Read,
    Close,
    Identity,
    Backup,
    Guard,
    Remove,
    Create,
    Write,
    Verify,
    Clock,
    Battery,
    Reset,
    PcFile,
    Connect,
    Discover,
};

// How a device operation ended: the one result of every device sequence. It says which step
// failed and how, with the command and the gauge's words, and what became of the gauge's file.
struct DeviceOutcome {
    DeviceFailure failure = DeviceFailure::None;
    DeviceStep step = DeviceStep::None;
    QString command;             // the command whose step failed (empty for checks and PC files)
    QString reply;               // the gauge's words: its reply to that command, if one came
    QString detail;              // English detail for the service log and the command-line tool
    int gaugeStatus = 0;         // the status number the gauge answered, where it sent one
    int pcFileError = 0;         // a PC file step: 53 not found, 62 empty or too short, 75 access,
                                 // 7 too large
    QString file;                // the gauge's file the operation worked on ("probe", "lDE")
    qint64 bytes = 0;            // bytes written (and verified) or sent
    int chunk = 0;               // 1-based number of the write command that failed
    bool fileLeftOpen = false;   // a device file could not be closed
    bool fileIncomplete = false; // the gauge's file was changed and not completed (cancelled)
    bool missingFile = false;    // the gauge has no such file (its open gave no handle or bytes)
    QString backupPath;          // the backup taken before a write (empty: none)
    int differingByte = -1;      // verify mismatch: the first byte that differs ...
    int writtenByte = -1;        // ... as sent (-1: none there)
    int readBackByte = -1;       // ... as read back (-1: none there)

    bool ok() const { return failure == DeviceFailure::None; }
    // The one rule for what ends a gauge's session: the link is gone or the user ended it, so a
    // sequence stops instead of going on with its next file.
    bool endsSession() const;
    // Commands that change the gauge's file went out: it may now differ from its backup.
    bool gaugeTouched() const;

    static DeviceOutcome success(DeviceStep step = DeviceStep::None);
    static DeviceOutcome failed(DeviceFailure failure, DeviceStep step, const QString& command,
                                const QString& detail);
    // The failure for a wait that did not end with Done (success for Done).
    static DeviceOutcome fromWait(WaitResult wait, DeviceStep step, const QString& command);
};

// A device operation that reads something: its outcome and, on success, the value read.
template <typename T> struct DeviceResult {
    DeviceOutcome outcome;
    std::optional<T> value;
    bool ok() const { return outcome.ok() && value.has_value(); }
};

inline DeviceOutcome& outcomeOf(DeviceOutcome& outcome)
{
    return outcome;
}
template <typename T> DeviceOutcome& outcomeOf(DeviceResult<T>& result)
{
    return result.outcome;
}

// "no reply ($fc): no reply in time" for the service log and the command-line tool.
QString describeOutcome(const DeviceOutcome& outcome);
