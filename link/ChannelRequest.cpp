#include "link/ChannelRequest.h"

#include "link/CancelToken.h"
#include "link/CommandChannel.h"

ChannelRequest::ChannelRequest(CommandChannel& channel, QString command,
                               ReplyExpectation expectation)
    : m_channel(channel), m_command(std::move(command)), m_keyword(expectation.keyword),
      m_expectation(std::move(expectation))
{
    if (m_keyword.endsWith(QLatin1Char('?')))
        m_keyword.chop(1);
}

ChannelRequest::ChannelRequest(ChannelRequest&& other) noexcept
    : m_channel(other.m_channel), m_command(std::move(other.m_command)),
      m_keyword(std::move(other.m_keyword)), m_expectation(std::move(other.m_expectation)),
      m_reply(std::move(other.m_reply)), m_finished(other.m_finished)
{
    other.m_finished = true; // never known to the channel
}

ChannelRequest::~ChannelRequest()
{
    if (!m_finished)
        m_channel.withdraw(this); // its coroutine was destroyed while it waited
}

bool ChannelRequest::await_ready()
{
    if (m_expectation.cancel && m_expectation.cancel->isCancelled())
        m_reply.wait = WaitResult::Cancelled;
    else if (!m_channel.isOpen())
        m_reply.wait = WaitResult::LinkLost;
    else
        return false;
    m_finished = true;
    return true;
}

bool ChannelRequest::await_suspend(std::coroutine_handle<> handle)
{
    m_handle = handle;
    m_channel.enqueue(this);
    // A request that ended while it was queued (its command could not be written) resumes at
    // once; any other is resumed by the channel.
    m_suspended = !m_finished;
    return m_suspended;
}

bool ChannelRequest::endsWith(const GaugeReply& reply, WaitResult& how) const
{
    if (!m_keyword.isEmpty() && reply.keyword == m_keyword) {
        how = reply.understood ? WaitResult::Done : WaitResult::Garbled;
        return true;
    }
    if (m_expectation.matches && m_expectation.matches(reply)) {
        how = WaitResult::Done;
        return true;
    }
    return false;
}

void ChannelRequest::finish(WaitResult wait, const GaugeReply* reply)
{
    m_finished = true;
    m_reply.wait = wait;
    if (reply)
        m_reply.reply = *reply;
    if (m_suspended)
        m_handle.resume();
}
