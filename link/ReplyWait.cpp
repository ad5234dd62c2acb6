#include "link/ReplyWait.h"

#include "link/CommandChannel.h"
#include "state/SharedState.h"

#include <QEventLoop>
#include <QTimer>

namespace
{
int g_timeoutMs = kReplyTimeoutMs;

// Exit codes of the nested loop; anything else (the application quitting underneath the wait)
// counts as cancelled.
constexpr int kCodeBase = 100;
int code(WaitResult r)
{
    return kCodeBase + int(r);
}
WaitResult fromCode(int c)
{
    return c >= kCodeBase && c <= code(WaitResult::Cancelled) ? WaitResult(c - kCodeBase)
                                                              : WaitResult::Cancelled;
}
} // namespace

int replyTimeoutMs()
{
    return g_timeoutMs;
}

void setReplyTimeoutMs(int ms)
{
    g_timeoutMs = ms > 0 ? ms : kReplyTimeoutMs;
}

void CancelToken::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    emit cancelled();
}

WaitResult ReplyWait::until(CommandChannel& channel, const std::function<bool()>& condition,
                            int timeoutMs, const CancelToken* cancel)
{
    if (condition())
        return WaitResult::Done;
    if (cancel && cancel->isCancelled())
        return WaitResult::Cancelled;
    if (!sharedState().DeviceConnected)
        return WaitResult::LinkLost;

    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer); // a limit must not end early
    QObject::connect(&limit, &QTimer::timeout, &loop,
                     [&loop] { loop.exit(code(WaitResult::TimedOut)); });
    QObject::connect(&channel, &CommandChannel::replyHandled, &loop, [&loop, &condition] {
        if (condition())
            loop.exit(code(WaitResult::Done));
    });
    QObject::connect(&channel, &CommandChannel::linkLost, &loop,
                     [&loop] { loop.exit(code(WaitResult::LinkLost)); });
    if (cancel)
        QObject::connect(cancel, &CancelToken::cancelled, &loop,
                         [&loop] { loop.exit(code(WaitResult::Cancelled)); });
    limit.start(timeoutMs > 0 ? timeoutMs : replyTimeoutMs());
    return fromCode(loop.exec());
}

const char* waitResultName(WaitResult result)
{
    switch (result) {
    case WaitResult::Done:
        return "done";
    case WaitResult::TimedOut:
        return "no reply in time";
    case WaitResult::LinkLost:
        return "link lost";
    case WaitResult::Cancelled:
        return "cancelled";
    case WaitResult::Garbled:
        return "garbled reply";
    }
    return "?";
}
