#pragma once

#include "link/ReplyWait.h"

#include <QString>

// How a device operation (a read, a write, a language transfer, a reset) or a PC file step
// ended: the one result type of every device sequence.
enum class TransferStatus {
    Ok = 0,
    NotConnected = 1, // no gauge connected: nothing was sent
    NoReply = 2,      // the gauge did not answer in time
    LinkLost = 3,     // the link dropped during the transfer
    Cancelled = 4,    // cancelled (the window was closed)
    GaugeError = 5,   // the gauge answered with an error (status, missing handle, wrong data)
    DecodeFailed = 6, // the record read could not be decoded
    InvalidData = 7,  // the data to write were refused before anything was sent
    Declined = 8,     // the user answered No to writing unusual data
    FileError = 9,    // a file on the PC could not be read or written
};

struct TransferResult {
    TransferStatus status = TransferStatus::Ok;
    QString command;           // the command whose step failed (empty for checks and PC files)
    QString reply;             // the gauge's words: its reply to that command, if any came
    QString detail;            // English detail for the log and the command-line tool
    int gaugeStatus = 0;       // status number the gauge answered, where it sent one
    bool fileLeftOpen = false; // a device file could not be closed
    bool missingFile = false;  // the gauge has no such file (its open gave no handle or no bytes)
    bool garbled = false;      // a gauge error: the reply could not be taken apart

    bool ok() const { return status == TransferStatus::Ok; }
    static TransferResult success() { return {}; }
    static TransferResult failure(TransferStatus status, const QString& command,
                                  const QString& detail);
    // The failure for a wait that did not end with Done.
    static TransferResult fromWait(WaitResult wait, const QString& command);
};

// The keyword of a command or a reply: its text up to the first "?", blank or "!"
// ("$wr?3 0 32 ..." -> "$wr", "$naxo00 H:..." -> "$naxo00").
QString commandKeyword(const QString& command);

// "no reply in time ($fc): ..." for logs and the command-line tool.
QString describeTransfer(const TransferResult& result);
