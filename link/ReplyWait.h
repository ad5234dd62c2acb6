#pragma once

#include <QObject>
#include <QString>
#include <coroutine>
#include <functional>
#include <memory>

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

// What one wait is for: the reply with exactly this keyword ("$fc", "$wr", "$naxo00"; a trailing
// "?" is ignored), and/or a condition on the shared state tested after each reply.
struct ReplyExpectation {
    QString keyword;
    std::function<bool()> condition;
    const CancelToken* cancel = nullptr;
    int timeoutMs = -1; // <= 0: replyTimeoutMs()
};

class ReplyWatch;

// The one wait for the gauge, as an awaitable: `co_await ReplyWait(channel, expectation)`
// suspends the sequence until the expected reply has been dispatched into the shared state, the
// time limit runs out, the link drops or the token is cancelled, and gives the WaitResult. A reply
// with the keyword that the dispatcher could not take apart ends it as Garbled. Nothing spins an
// event loop: the sequence resumes from the event loop once the reply's handlers have all run.
class ReplyWait
{
public:
    ReplyWait(CommandChannel& channel, ReplyExpectation expectation);
    ~ReplyWait();
    ReplyWait(ReplyWait&&) noexcept;
    ReplyWait(const ReplyWait&) = delete;
    ReplyWait& operator=(const ReplyWait&) = delete;

    bool await_ready();
    void await_suspend(std::coroutine_handle<> handle);
    WaitResult await_resume() const { return m_result; }

private:
    CommandChannel* m_channel;
    ReplyExpectation m_expectation;
    std::unique_ptr<ReplyWatch> m_watch;
    WaitResult m_result = WaitResult::Done;
};

// A short English description of a wait result for logs and the command-line tool.
const char* waitResultName(WaitResult result);
