#include "link/ReplyWait.h"

#include "link/CommandChannel.h"
#include "link/EventLoopTurn.h"
#include "state/SharedState.h"

#include <QTimer>
#include <utility>

namespace
{
int g_timeoutMs = kReplyTimeoutMs;

QString withoutQuestionMark(QString keyword)
{
    if (keyword.endsWith(QLatin1Char('?')))
        keyword.chop(1);
    return keyword;
}

// The value's keyword (its text up to the first "?", blank or "!", see commandKeyword) is
// keyword; read from the bytes as they came, without turning them into text first.
bool hasKeyword(const QByteArray& value, const QString& keyword)
{
    const qsizetype n = keyword.size();
    if (n == 0 || value.size() < n || QLatin1StringView(value.constData(), n) != keyword)
        return false;
    for (const char separator : {'?', ' ', '!'}) {
        if (keyword.contains(QLatin1Char(separator)))
            return false; // no value's keyword holds a separator
    }
    return value.size() == n || value[n] == '?' || value[n] == ' ' || value[n] == '!';
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

// The connections of one suspended wait. The first outcome wins: it drops every connection and
// resumes the sequence from the event loop, so the handlers of the reply that ended the wait all
// run before the sequence sends its next command.
class ReplyWatch : public QObject
{
public:
    ReplyWatch(CommandChannel& channel, const ReplyExpectation& expect, WaitResult& result,
               std::coroutine_handle<> handle)
        : m_keyword(withoutQuestionMark(expect.keyword)), m_condition(expect.condition),
          m_result(result), m_handle(handle)
    {
        m_limit.setSingleShot(true);
        m_limit.setTimerType(Qt::PreciseTimer); // a limit must not end early
        connect(&m_limit, &QTimer::timeout, this, [this] { finish(WaitResult::TimedOut); });
        // valueReceived comes before the dispatcher runs, replyHandled after it.
        m_connections << connect(&channel, &CommandChannel::valueReceived, this,
                                 [this](const QByteArray& value) {
                                     m_ours = hasKeyword(value, m_keyword);
                                 })
                      << connect(&channel, &CommandChannel::replyHandled, this,
                                 &ReplyWatch::onReplyHandled)
                      << connect(&channel, &CommandChannel::linkLost, this,
                                 [this] { finish(WaitResult::LinkLost); });
        if (expect.cancel)
            m_connections << connect(expect.cancel, &CancelToken::cancelled, this,
                                     [this] { finish(WaitResult::Cancelled); });
        m_limit.start(expect.timeoutMs > 0 ? expect.timeoutMs : replyTimeoutMs());
    }

private:
    void onReplyHandled(DispatchResult dispatched)
    {
        if (std::exchange(m_ours, false))
            finish(dispatched == DispatchResult::Ignored ? WaitResult::Garbled : WaitResult::Done);
        else if (m_condition && m_condition())
            finish(WaitResult::Done);
    }

    void finish(WaitResult result)
    {
        if (m_finished)
            return;
        m_finished = true;
        m_result = result;
        m_limit.stop();
        for (const QMetaObject::Connection& c : std::as_const(m_connections))
            disconnect(c); // nothing more reaches this wait
        EventLoopTurn::resumeLater(m_handle);
    }

    QString m_keyword;
    std::function<bool()> m_condition;
    WaitResult& m_result;
    std::coroutine_handle<> m_handle;
    QTimer m_limit;
    QList<QMetaObject::Connection> m_connections;
    bool m_ours = false;
    bool m_finished = false;
};

ReplyWait::ReplyWait(CommandChannel& channel, ReplyExpectation expectation)
    : m_channel(&channel), m_expectation(std::move(expectation))
{
}

ReplyWait::~ReplyWait() = default;
ReplyWait::ReplyWait(ReplyWait&&) noexcept = default;

bool ReplyWait::await_ready()
{
    if (m_expectation.condition && m_expectation.condition())
        m_result = WaitResult::Done;
    else if (m_expectation.cancel && m_expectation.cancel->isCancelled())
        m_result = WaitResult::Cancelled;
    else if (!sharedState().DeviceConnected)
        m_result = WaitResult::LinkLost;
    else
        return false;
    return true;
}

void ReplyWait::await_suspend(std::coroutine_handle<> handle)
{
    m_watch = std::make_unique<ReplyWatch>(*m_channel, m_expectation, m_result, handle);
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
