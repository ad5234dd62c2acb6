#include "service/DeviceClock.h"

#include "link/BleLink.h"
#include "link/GaugeSession.h"
#include "state/LogCategories.h"
#include "state/RadioText.h"
#include "state/ServiceJournal.h"

DeviceClock::DeviceClock(BleLink& link, QObject* parent) : QObject(parent), m_link(link) {}

// The loop ends here: the read under way and the pause end at once, and the loop sees m_ended.
DeviceClock::~DeviceClock()
{
    m_ended = true;
    m_ending.cancel();
    m_wake.abandon();
}

QCoro::Task<DeviceResult<QString>> DeviceClock::readClock(GaugeSession& session,
                                                          const CancelToken* cancel, int limitMs)
{
    const QString command = QStringLiteral("$glt!");
    ReplyExpectation timeReply{QStringLiteral("$glt"), {}, cancel, limitMs};
    const Reply reply = co_await session.channel().ask(command, std::move(timeReply));
    DeviceOutcome outcome = DeviceOutcome::fromWait(reply.wait, DeviceStep::Clock, command);
    outcome.reply = reply.reply.text;
    if (!outcome.ok())
        co_return{outcome, std::nullopt};
    co_return{outcome, reply.reply.data.value_or(QString())};
}

DeviceResult<QString> DeviceClock::setClock(GaugeSession& session)
{
    const QString timeText = CommandChannel::timeTextFor(QDateTime::currentDateTime());
    if (const BleResult r = session.channel().WriteTime(timeText); !r.ok())
        return {DeviceOutcome::failed(DeviceFailure::LinkLost, DeviceStep::Clock, QString(),
                                      r.description),
                std::nullopt};
    return {DeviceOutcome::success(DeviceStep::Clock), timeText};
}

void DeviceClock::ensureRunning()
{
    if (std::exchange(m_running, true))
        return;
    QCoro::connect(loop(), this, [] {});
}

void DeviceClock::start()
{
    m_stopped = false;
    m_journalNextRead = true;
    // A read under way is the one the start asks for: no second one right after it.
    m_readNow = !m_waiting && !m_setPending;
    ensureRunning();
    m_wake.check();
}

void DeviceClock::stop()
{
    m_stopped = true;
}

void DeviceClock::setTime()
{
    m_stopped = true;
    m_setPending = true;
    ensureRunning();
    m_wake.check();
}

QCoro::Task<> DeviceClock::pause(int ms)
{
    co_await m_wake.until([this] { return m_ended || m_setPending || m_readNow; }, ms);
}

QCoro::Task<> DeviceClock::loop()
{
    while (!m_ended) {
        if (m_setPending) {
            co_await sendSetTime();
        } else if (m_stopped) {
            co_await m_wake.until([this] { return m_ended || !m_stopped || m_setPending; }, 0);
        } else if (m_link.busy()) {
            m_readNow = false; // the read waits until the channel is free
            co_await pause(m_pauseMs);
        } else {
            co_await readOnce();
            if (!m_ended)
                co_await pause(m_pauseMs);
        }
    }
}

QCoro::Task<> DeviceClock::readOnce()
{
    m_readNow = false;
    const std::shared_ptr<GaugeSession> session = m_link.session();
    if (!session) {
        if (!m_stopped)
            emit readFailed(DeviceOutcome::failed(DeviceFailure::NotConnected, DeviceStep::Clock,
                                                  QString(), QStringLiteral("no gauge connected")));
        co_return;
    }
    m_waiting = true;
    const DeviceResult<QString> read = co_await readClock(*session, &m_ending, m_limitMs);
    m_waiting = false;
    if (m_ended)
        co_return;
    if (read.ok() && std::exchange(m_journalNextRead, false))
        session->journal().clockRead(*read.value, QDateTime::currentDateTime());
    if (m_stopped)
        co_return;
    if (read.ok())
        emit timeRead(RadioText::visible(*read.value));
    else
        emit readFailed(read.outcome);
}

QCoro::Task<> DeviceClock::sendSetTime()
{
    m_setPending = false;
    const std::shared_ptr<GaugeSession> session = m_link.session();
    if (session && session->isBusy()) {
        qCInfo(zvService) << "clock not set: the channel is busy";
        m_stopped = false;
        m_readNow = false;
        co_await pause(m_pauseMs);
        co_return;
    }
    const DeviceResult<QString> set =
        session ? setClock(*session)
                : DeviceResult<QString>{DeviceOutcome::failed(DeviceFailure::NotConnected,
                                                              DeviceStep::Clock, QString(),
                                                              QStringLiteral("no gauge connected")),
                                        std::nullopt};
    if (set.ok()) {
        session->journal().clockSet(*set.value);
        m_journalNextRead = true;
        emit timeSet(*set.value);
    } else {
        emit readFailed(set.outcome);
    }
    m_stopped = false;
    co_await pause(kSetPauseMs);
}
