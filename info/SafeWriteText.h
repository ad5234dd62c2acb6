#pragma once

#include "link/DeviceOutcome.h"

#include <QString>
#include <QStringView>

// English one-line description of how a safe write (backup, guard, write, verify) or a restore
// ended, for the service log and the command-line tool, e.g.
// "verify of "probe" failed: byte 17 written 0x3A, read back 0x3B; backup /x/backup/20261205_...".
QString describeSafeWrite(const DeviceOutcome& outcome);
// Whether such a description says that nothing was sent to the gauge's file (the backup could
// not be taken, or the data were declined), so the file is as it was.
bool describesNothingWritten(QStringView description);
