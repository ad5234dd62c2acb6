#pragma once

#include "info/InfoEvents.h"
#include "link/TransferResult.h"

#include <QCoroTask>
#include <QString>
#include <memory>

class CancelToken;
class CommandChannel;
class UserDialogs;

// How a sequence of the information window ended.
struct InfoOutcome {
    TransferStatus status = TransferStatus::Ok;
    bool verified = false; // data were written and read back identical
};

// What a sequence of the information window runs on. The channel and the dialogs must outlive
// the sequence; the token and the events are shared with it. Only the download runs without a
// channel (null).
struct InfoSequenceContext {
    CommandChannel* channel = nullptr;
    UserDialogs* dialogs = nullptr;
    std::shared_ptr<CancelToken> cancel;
    std::shared_ptr<InfoEvents> events;
};

// The device sequences behind the information window's buttons. Each holds the channel's busy
// mark from its start to its end, runs from the event loop (never inside the click that starts
// it), shows its own failure messages through the dialogs and touches no widget: progress goes
// out through the events. A cancelled token ends it at its next wait; it still closes its device
// file where the link allows.
namespace InfoSequences
{
// "probe" with the identity, then "factory" unless the first read ended the session; the four
// service-log lines of the data read. Ok only when both reads succeeded.
QCoro::Task<InfoOutcome> readRecords(InfoSequenceContext context);
// Both records into a folder the user chooses (Declined when none is chosen).
QCoro::Task<InfoOutcome> download(InfoSequenceContext context, QString caption);
// The PC file "probe" from a folder the user chooses, checked and written with backup, guard and
// verify; ProbeData follows the file where it went (or may have gone) out.
QCoro::Task<InfoOutcome> uploadProbe(InfoSequenceContext context, QString caption);
// ProbeData into the gauge's "factory" with backup, guard and verify (Ok without data).
QCoro::Task<InfoOutcome> overwriteFactory(InfoSequenceContext context);
// After a Yes (default No): the backup written back into the gauge file it came from.
QCoro::Task<InfoOutcome> restoreBackup(InfoSequenceContext context, QString backupPath,
                                       QString deviceFile);
} // namespace InfoSequences
