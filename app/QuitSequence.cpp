#include "app/QuitSequence.h"

#include "link/BleLink.h"
#include "state/LogCategories.h"

QuitSequence::QuitSequence(BleLink& link, QObject* parent) : QObject(parent), m_link(link)
{
    connect(&m_link, &BleLink::busyChanged, &m_wait, &ConditionWait::check);
}

// A quit still under way ends here without a word.
QuitSequence::~QuitSequence()
{
    disconnect(this, &QuitSequence::finished, nullptr, nullptr);
    m_wait.abandon();
}

void QuitSequence::start(int waitLimitMs, int pauseMs)
{
    if (std::exchange(m_running, true))
        return;
    QCoro::connect(run(waitLimitMs, pauseMs), this, [this] {
        m_running = false;
        emit finished();
    });
}

QCoro::Task<> QuitSequence::run(int waitLimitMs, int pauseMs)
{
    // The running sequence has been cancelled; it ends once it has closed its device file.
    const WaitResult idle = co_await m_wait.until([this] { return !m_link.busy(); }, 0);
    if (idle != WaitResult::Done)
        co_return;
    const bool down = co_await m_link.disconnectGauge(waitLimitMs);
    if (!down)
        qCWarning(zvApp) << "gauge did not confirm the disconnection; ending anyway";
    co_await m_wait.pause(pauseMs);
}
