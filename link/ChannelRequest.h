#pragma once

#include "link/GaugeReply.h"
#include "link/WaitResult.h"

#include <QString>
#include <coroutine>
#include <functional>

class CancelToken;
class CommandChannel;

// What a request waits for: the reply with exactly this keyword ("$fc", "$wr", "$naxo00"; a
// trailing "?" is ignored), or a reply that `matches`, whichever comes first; bounded by
// timeoutMs (<= 0: replyTimeoutMs()) and ended by the token.
struct ReplyExpectation {
    ReplyExpectation(QString keyword = {}, std::function<bool(const GaugeReply&)> matches = {},
                     const CancelToken* cancel = nullptr, int timeoutMs = -1)
        : keyword(std::move(keyword)), matches(std::move(matches)), cancel(cancel),
          timeoutMs(timeoutMs)
    {
    }
    QString keyword;
    std::function<bool(const GaugeReply&)> matches;
    const CancelToken* cancel = nullptr;
    int timeoutMs = -1;
};

// How a request ended.
struct Reply {
    WaitResult wait = WaitResult::Done;
    GaugeReply reply;          // the reply that ended the wait (Done, Garbled)
    bool acknowledged = false; // the gauge acknowledged the write of the command
};

// One command and the wait for its reply, as an awaitable: `co_await channel.ask(...)` queues
// it on the channel, which sends it once the request before it has ended, and resumes the
// sequence with the Reply. The request registers itself with the channel: a wait creates no
// timer and no connection of its own. It must be co_awaited at once (it lives in the awaiting
// coroutine's frame while it waits).
class ChannelRequest
{
public:
    ChannelRequest(CommandChannel& channel, QString command, ReplyExpectation expectation);
    // Moved only before it is awaited (the channel knows it from then on).
    ChannelRequest(ChannelRequest&& other) noexcept;
    ChannelRequest(const ChannelRequest&) = delete;
    ChannelRequest& operator=(const ChannelRequest&) = delete;
    ~ChannelRequest();

    bool await_ready();
    bool await_suspend(std::coroutine_handle<> handle);
    Reply await_resume() { return std::move(m_reply); }

private:
    friend class CommandChannel;
    // Whether this reply ends the wait, and how.
    bool endsWith(const GaugeReply& reply, WaitResult& how) const;
    // Called by the channel once: records how the request ended and resumes its coroutine
    // (only once it has suspended).
    void finish(WaitResult wait, const GaugeReply* reply);

    CommandChannel& m_channel;
    QString m_command;
    QString m_keyword;
    ReplyExpectation m_expectation;
    Reply m_reply;
    std::coroutine_handle<> m_handle;
    bool m_suspended = false;
    bool m_finished = false;
};
