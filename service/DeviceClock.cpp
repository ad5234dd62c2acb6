#include "service/DeviceClock.h"

#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "state/LogCategories.h"
#include "state/RadioText.h"
#include "state/ServiceJournal.h"
#include "state/SharedState.h"

namespace
{
constexpr qint16 kPending = 55;
constexpr char kTimeReply[] = "$glt?";
} // namespace

DeviceClock::DeviceClock(CommandChannel& channel, QObject* parent)
    : QObject(parent), m_channel(channel)
{
    m_next.setSingleShot(true);
    m_limit.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, &DeviceClock::readNext);
    connect(&m_limit, &QTimer::timeout, this, &DeviceClock::onLimit);
    connect(&m_channel, &CommandChannel::valueReceived, this, &DeviceClock::onValue);
    connect(&m_channel, &CommandChannel::replyHandled, this, &DeviceClock::onReplyHandled);
    connect(&m_channel, &CommandChannel::linkLost, this, &DeviceClock::onLinkLost);
}

void DeviceClock::schedule(int ms)
{
    if (!m_stopped)
        m_next.start(ms);
}

void DeviceClock::start()
{
    m_stopped = false;
    m_journalNextRead = true;
    if (!m_waiting && !m_setPending)
        schedule(0);
}

void DeviceClock::stop()
{
    m_stopped = true;
    m_next.stop();
}

void DeviceClock::setTime()
{
    m_stopped = true;
    m_next.stop();
    m_setPending = true;
    if (!m_waiting)
        sendSetTime();
}

void DeviceClock::sendSetTime()
{
    m_setPending = false;
    if (deviceBusy().isBusy()) {
        qCInfo(zvService) << "clock not set: the channel is busy";
        m_stopped = false;
        schedule(m_pauseMs);
        return;
    }
    SharedState& s = sharedState();
    s.ReplyStatus = kPending;
    const BleResult r = m_channel.WriteTime();
    if (r.ok()) {
        m_channel.journal().clockSet(s.TimeText);
        m_journalNextRead = true;
        emit timeSet(s.TimeText);
    } else
        emit readFailed(WaitResult::LinkLost);
    m_stopped = false;
    schedule(kSetPauseMs);
}

void DeviceClock::readNext()
{
    if (m_stopped || m_waiting)
        return;
    if (deviceBusy().isBusy()) {
        schedule(m_pauseMs);
        return;
    }
    SharedState& s = sharedState();
    s.ReplyStatus = kPending;
    m_timeReply = false;
    if (!m_channel.ReadTime().ok()) {
        emit readFailed(WaitResult::LinkLost);
        schedule(m_pauseMs);
        return;
    }
    m_waiting = true;
    m_limit.start(m_limitMs > 0 ? m_limitMs : replyTimeoutMs());
}

void DeviceClock::onValue(const QByteArray& value)
{
    m_timeReply = value.startsWith(kTimeReply);
}

void DeviceClock::onReplyHandled()
{
    const SharedState& s = sharedState();
    if (!m_waiting || !m_timeReply || s.ReplyStatus != 0)
        return;
    m_timeReply = false;
    m_waiting = false;
    m_limit.stop();
    if (std::exchange(m_journalNextRead, false))
        m_channel.journal().clockRead(s.ReplyData, QDateTime::currentDateTime());
    if (!m_stopped)
        emit timeRead(RadioText::visible(s.ReplyData));
    afterRead();
}

void DeviceClock::onLimit()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (!m_stopped)
        emit readFailed(WaitResult::TimedOut);
    afterRead();
}

void DeviceClock::onLinkLost()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    m_limit.stop();
    if (!m_stopped)
        emit readFailed(WaitResult::LinkLost);
    afterRead();
}

void DeviceClock::afterRead()
{
    if (m_setPending)
        sendSetTime();
    else
        schedule(m_pauseMs);
}
