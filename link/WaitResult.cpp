#include "link/WaitResult.h"

namespace
{
int g_timeoutMs = kReplyTimeoutMs;
} // namespace

int replyTimeoutMs()
{
    return g_timeoutMs;
}

void setReplyTimeoutMs(int ms)
{
    g_timeoutMs = ms > 0 ? ms : kReplyTimeoutMs;
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
