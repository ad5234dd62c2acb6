#include "service/MemoryReset.h"

#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

namespace
{
constexpr qint16 kPending = 55;
} // namespace

QString MemoryReset::question()
{
    return QStringLiteral("Wollen Sie das Gerät wirklich resetten?");
}

QString MemoryReset::command()
{
    return QStringLiteral("$fsf") + sharedState().CommandTerminator;
}

bool MemoryReset::succeeded(ResetOutcome outcome)
{
    return outcome == ResetOutcome::Done || outcome == ResetOutcome::LinkDropped;
}

ResetOutcome MemoryReset::run(UserDialogs& dialogs, const CancelToken* cancel, int timeoutMs)
{
    if (!dialogs.askYesNo(question(), false))
        return ResetOutcome::Declined;
    return send(cancel, timeoutMs);
}

ResetOutcome MemoryReset::send(const CancelToken* cancel, int timeoutMs)
{
    SharedState& s = sharedState();
    if (!s.DeviceConnected)
        return ResetOutcome::SendFailed;
    const DeviceBusy::Guard busy;
    s.ReplyStatus = kPending;
    if (!m_channel.send(command()).ok())
        return ResetOutcome::SendFailed;
    const WaitResult wait = m_channel.waitForReply("$fsf", {}, cancel, timeoutMs);
    qCInfo(zvService) << "memory reset:" << waitResultName(wait);
    switch (wait) {
    case WaitResult::Done:
        m_status = s.ReplyStatus;
        return s.ReplyStatus == 0 ? ResetOutcome::Done : ResetOutcome::Refused;
    case WaitResult::Garbled:
        return ResetOutcome::Garbled;
    case WaitResult::LinkLost:
        return ResetOutcome::LinkDropped;
    case WaitResult::TimedOut:
        return ResetOutcome::NoReply;
    case WaitResult::Cancelled:
        return ResetOutcome::Cancelled;
    }
    return ResetOutcome::NoReply;
}
