#include "link/ConditionWait.h"

#include "link/CancelToken.h"

ConditionWait::Awaiter::Awaiter(ConditionWait& wait, std::function<bool()> condition, int limitMs,
                                const CancelToken* cancel)
    : m_wait(wait), m_condition(std::move(condition)), m_limitMs(limitMs), m_cancel(cancel)
{
}

bool ConditionWait::Awaiter::await_ready()
{
    if (m_condition && m_condition())
        m_result = WaitResult::Done;
    else if (m_cancel && m_cancel->isCancelled())
        m_result = WaitResult::Cancelled;
    else
        return false;
    return true;
}

void ConditionWait::Awaiter::await_suspend(std::coroutine_handle<> handle)
{
    m_handle = handle;
    m_wait.m_waiter = this;
    if (m_limitMs > 0)
        m_wait.m_limit.start(m_limitMs);
    if (m_cancel)
        m_wait.m_cancelled = connect(m_cancel, &CancelToken::cancelled, &m_wait,
                                     [w = &m_wait] { w->finish(WaitResult::Cancelled); });
}

ConditionWait::ConditionWait(QObject* parent) : QObject(parent)
{
    m_limit.setSingleShot(true);
    m_limit.setTimerType(Qt::PreciseTimer);
    connect(&m_limit, &QTimer::timeout, this, [this] { finish(WaitResult::TimedOut); });
}

ConditionWait::~ConditionWait()
{
    abandon();
}

ConditionWait::Awaiter ConditionWait::until(std::function<bool()> condition, int limitMs,
                                            const CancelToken* cancel)
{
    return Awaiter(*this, std::move(condition), limitMs, cancel);
}

ConditionWait::Awaiter ConditionWait::pause(int ms, const CancelToken* cancel)
{
    return Awaiter(*this, {}, qMax(ms, 1), cancel);
}

void ConditionWait::check()
{
    if (m_waiter && m_waiter->m_condition && m_waiter->m_condition())
        finish(WaitResult::Done);
}

void ConditionWait::abandon()
{
    finish(WaitResult::Cancelled);
}

void ConditionWait::finish(WaitResult result)
{
    Awaiter* waiter = std::exchange(m_waiter, nullptr);
    if (!waiter)
        return;
    m_limit.stop();
    disconnect(m_cancelled);
    waiter->m_result = result;
    waiter->m_handle.resume();
}
