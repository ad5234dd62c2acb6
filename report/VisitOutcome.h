#pragma once

#include "history/HistoryTypes.h"

#include <QList>
#include <QString>

// How a visit left the gauge's calibration files, as its write and restore events say. Kinds are
// ordered from the best to the worst; a visit that wrote several files gets its worst file's.
struct VisitOutcome {
    enum class Kind {
        NoChanges,                // nothing was written
        NothingWritten,           // a write was tried, but nothing went out (no backup, declined)
        Verified,                 // written and read back identical
        BackupWrittenBack,        // a backup written back and verified
        RestoredAfterFailedWrite, // a write failed, its backup is on the gauge again
        RestoredAfterMismatch,    // a write read back other bytes, its backup is on the gauge again
        VerifyMismatch,           // the gauge holds other bytes than were written
        WriteFailed,              // the write failed or was not verified: the file is uncertain
        RestoreFailed,            // writing a backup back failed after the gauge's file was touched
    };

    Kind kind = Kind::NoChanges;
    QString file;           // the gauge file concerned; empty with NoChanges
    int differingByte = -1; // the first differing byte of a mismatch

    bool operator==(const VisitOutcome& other) const = default;

    // Of the events of one visit, in time order.
    static VisitOutcome of(const QList<HistoryEvent>& events);
};
