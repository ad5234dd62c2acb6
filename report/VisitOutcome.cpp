#include "report/VisitOutcome.h"

#include "info/SafeWriteText.h"

#include <QMap>

namespace
{
using Kind = VisitOutcome::Kind;

bool isWriteOrRestore(const HistoryEvent& e)
{
    return e.kind == HistoryEventKind::Write || e.kind == HistoryEventKind::Restore;
}

// A restore writes its backup with a write of its own (with a backup of its own, so another
// path), reported just before the restore. The write it undoes carries the restored backup's path.
bool isRestoresOwnWrite(const HistoryEvent& write, const HistoryEvent* next)
{
    return next && next->kind == HistoryEventKind::Restore && next->path != write.path;
}

bool failedBadly(Kind kind)
{
    return kind == Kind::WriteFailed || kind == Kind::VerifyMismatch;
}

VisitOutcome afterWrite(const VisitOutcome& before, const HistoryEvent& write)
{
    if (write.ok)
        return {Kind::Verified, write.file, -1};
    if (write.differingByte >= 0)
        return {Kind::VerifyMismatch, write.file, write.differingByte};
    if (!describesNothingWritten(write.detail))
        return {Kind::WriteFailed, write.file, -1};
    // Nothing went out: the file holds what the writes before left there.
    return before.kind == Kind::NoChanges ? VisitOutcome{Kind::NothingWritten, write.file, -1}
                                          : before;
}

VisitOutcome afterRestore(const VisitOutcome& before, const HistoryEvent& restore,
                          bool gaugeTouched)
{
    if (!restore.ok)
        return gaugeTouched ? VisitOutcome{Kind::RestoreFailed, restore.file, -1} : before;
    if (before.kind == Kind::VerifyMismatch)
        return {Kind::RestoredAfterMismatch, restore.file, before.differingByte};
    if (failedBadly(before.kind))
        return {Kind::RestoredAfterFailedWrite, restore.file, -1};
    return {Kind::BackupWrittenBack, restore.file, -1};
}

// The outcome of one file's writes and restores, in time order.
VisitOutcome outcomeOfFile(const QList<HistoryEvent>& events)
{
    VisitOutcome outcome;
    bool ownWriteTouched = false;
    for (qsizetype i = 0; i < events.size(); ++i) {
        const HistoryEvent& e = events.at(i);
        const HistoryEvent* next = i + 1 < events.size() ? &events.at(i + 1) : nullptr;
        if (e.kind == HistoryEventKind::Restore) {
            outcome = afterRestore(outcome, e, ownWriteTouched);
            ownWriteTouched = false;
        } else if (isRestoresOwnWrite(e, next)) {
            ownWriteTouched = e.ok || !describesNothingWritten(e.detail);
        } else {
            outcome = afterWrite(outcome, e);
        }
    }
    return outcome;
}
} // namespace

VisitOutcome VisitOutcome::of(const QList<HistoryEvent>& events)
{
    QMap<QString, QList<HistoryEvent>> byFile;
    for (const HistoryEvent& e : events) {
        if (isWriteOrRestore(e))
            byFile[e.file].append(e);
    }
    VisitOutcome worst;
    for (const QList<HistoryEvent>& fileEvents : std::as_const(byFile)) {
        const VisitOutcome outcome = outcomeOfFile(fileEvents);
        if (outcome.kind > worst.kind)
            worst = outcome;
    }
    return worst;
}
