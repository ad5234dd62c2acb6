#pragma once

#include <QObject>
#include <functional>

class CommandChannel;

// How a wait for the gauge ended.
enum class WaitResult {
    Done,      // the condition holds
    TimedOut,  // the time limit ran out
    LinkLost,  // the link dropped (or was not there)
    Cancelled, // the operation was cancelled
    Garbled,   // the awaited reply came, but too malformed to take apart
};

// The default time limit of one wait for a reply, in milliseconds.
constexpr int kReplyTimeoutMs = 5000;
int replyTimeoutMs();
void setReplyTimeoutMs(int ms); // 0 or less restores the default

// Lets the user (or a closing window) cancel a running device sequence.
class CancelToken : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    bool isCancelled() const { return m_cancelled; }
    void cancel();
    void reset() { m_cancelled = false; }
signals:
    void cancelled();

private:
    bool m_cancelled = false;
};

// The one send-and-wait loop: a nested event loop that sleeps until the dispatcher has handled a
// reply (or the link drops, the limit runs out, or the token is cancelled) and then tests the
// condition. No polling, no sleeping: between events the thread is idle.
class ReplyWait
{
public:
    static WaitResult until(CommandChannel& channel, const std::function<bool()>& condition,
                            int timeoutMs = -1, const CancelToken* cancel = nullptr);
};

// A short English description of a wait result for logs and the command-line tool.
const char* waitResultName(WaitResult result);
