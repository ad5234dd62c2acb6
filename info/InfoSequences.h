#pragma once

#include "info/BackupStore.h"
#include "info/InfoEvents.h"
#include "link/DeviceOutcome.h"
#include "link/SequenceRunner.h"

#include <QCoroTask>
#include <QString>
#include <memory>

class UserDialogs;

// What the information window's sequences show and where they put things: the dialogs (which
// must outlive the sequence), the events the window follows, the program's folder (where the
// folder dialogs start) and where backups go.
struct InfoTools {
    UserDialogs* dialogs = nullptr;
    std::shared_ptr<InfoEvents> events = std::make_shared<InfoEvents>();
    QString programFolder;
    BackupStore backups = BackupStore::besideProgram(QString());
};

// The device sequences behind the information window's buttons, run by a SequenceRunner on the
// connected gauge's session. Each shows its own failure messages through the dialogs and touches
// no widget: what it reads goes into the session (the window shows it from there), progress goes
// out through the events. A cancelled token ends it at its next wait; it still closes its device
// file where the link allows. Ok means done (and, for a write, verified); Declined: the user said
// No or chose no folder.
namespace InfoSequences
{
// "probe" with the identity, then "factory" unless the first read ended the session; the four
// service-log lines of the data read. Ok only when both reads succeeded.
QCoro::Task<DeviceOutcome> readRecords(SequenceContext run, InfoTools tools);
// Both records read in this session into a folder the user chooses.
QCoro::Task<DeviceOutcome> download(SequenceContext run, InfoTools tools, QString caption);
// The PC file "probe" from a folder the user chooses, checked and written with backup, guard and
// verify; the session's probe record follows the file where it went (or may have gone) out.
QCoro::Task<DeviceOutcome> uploadProbe(SequenceContext run, InfoTools tools, QString caption);
// The session's probe record into the gauge's "factory" with backup, guard and verify (Ok when
// none was read).
QCoro::Task<DeviceOutcome> overwriteFactory(SequenceContext run, InfoTools tools);
// After a Yes (default No): the backup written back into the gauge file it came from.
QCoro::Task<DeviceOutcome> restoreBackup(SequenceContext run, InfoTools tools, QString backupPath,
                                         QString deviceFile);
} // namespace InfoSequences
