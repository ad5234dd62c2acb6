// The link's connect: ConnectDevice, the Connected event within the connect limit, a pause,
// discovery of the gauge's service within its ticks, then the session.
#include "link/BleLink.h"

#include "state/LogCategories.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

namespace
{
constexpr int kEntryConnecting = 5;
constexpr int kEntryTryAgain = 39;
} // namespace

BleLink::ConnectResult BleLink::failure(DeviceFailure failure, DeviceStep step,
                                        const QString& detail)
{
    return {DeviceOutcome::failed(failure, step, QString(), detail), std::nullopt};
}

QCoro::Task<BleLink::ConnectResult> BleLink::connectTo(QString address, const CancelToken* cancel)
{
    if (!m_client)
        co_return failure(DeviceFailure::NotConnected, DeviceStep::Connect,
                          QStringLiteral("no Bluetooth client"));
    if (connected() || m_state == LinkState::Connecting)
        co_return failure(DeviceFailure::Busy, DeviceStep::Connect,
                          QStringLiteral("a link is up or being made"));
    m_keepStatus = false;
    m_ids = {};
    m_events = {};
    m_address = address;
    setStatus(messageText(kEntryConnecting) + address);
    if (const BleResult r = m_client->ConnectDevice(address); !r.ok()) {
        showError(r.code, QStringLiteral("cmdConnect_click"), r.description);
        co_return failure(DeviceFailure::LinkLost, DeviceStep::Connect, r.description);
    }
    setState(LinkState::Connecting);
    if (ConnectResult r = co_await connected(cancel); !r.outcome.ok())
        co_return r;
    co_return co_await discover(cancel);
}

// Drops the half-made link; "Please try again" stays on the status line after the disconnection.
BleLink::ConnectResult BleLink::giveUp(DeviceStep step, const QString& detail)
{
    qCWarning(zvLink) << "connect given up:" << detail;
    m_keepStatus = true;
    m_client->DisconnectDevice();
    m_state = LinkState::Idle;
    setStatus(messageText(kEntryTryAgain));
    return failure(DeviceFailure::NoReply, step, detail);
}

// The link went down or the client reported an error meanwhile (its handlers have said so), or
// the connect was cancelled (the half-made link is dropped).
BleLink::ConnectResult BleLink::abandoned(WaitResult wait, DeviceStep step)
{
    if (wait == WaitResult::Cancelled) {
        if (m_client && m_state != LinkState::Idle)
            m_client->DisconnectDevice();
        m_state = LinkState::Idle;
        emit changed();
        return failure(DeviceFailure::Cancelled, step, QStringLiteral("cancelled"));
    }
    if (m_state == LinkState::Connecting)
        m_state = LinkState::Idle;
    return failure(DeviceFailure::LinkLost, step,
                   m_events.error ? QStringLiteral("client error") : QStringLiteral("link lost"));
}

QCoro::Task<BleLink::ConnectResult> BleLink::connected(const CancelToken* cancel)
{
    const WaitResult w = co_await m_wait.until(
        [this] { return m_events.connected || m_events.down || m_events.error; }, m_connectLimitMs,
        cancel);
    if (w == WaitResult::TimedOut)
        co_return giveUp(DeviceStep::Connect,
                         QStringLiteral("connect not completed in %1 ms").arg(m_connectLimitMs));
    if (w != WaitResult::Done || !m_events.connected)
        co_return abandoned(w, DeviceStep::Connect);
    if (const qint16 status = *m_events.connected; status != 0) {
        // A failed connection: say so and stay in the link window, not connected.
        m_state = LinkState::Idle;
        setStatus(messageText(kEntryTryAgain) + QStringLiteral(" (") + QString::number(status) +
                  QLatin1Char(' ') + m_events.connectDescription + QLatin1Char(')'));
        co_return failure(
            DeviceFailure::LinkLost, DeviceStep::Connect,
            QStringLiteral("connect refused: %1 %2").arg(status).arg(m_events.connectDescription));
    }
    m_client->StopScanning();
    m_state = LinkState::Discovering;
    setStatus(QStringLiteral("Connected to ") + m_address);
    if (m_connectPauseMs > 0) {
        const WaitResult paused = co_await m_wait.until(
            [this] { return m_events.down || m_events.error; }, m_connectPauseMs, cancel);
        if (paused != WaitResult::TimedOut)
            co_return abandoned(paused, DeviceStep::Connect);
    }
    co_return{DeviceOutcome::success(DeviceStep::Connect), std::nullopt};
}

QCoro::Task<BleLink::ConnectResult> BleLink::discover(const CancelToken* cancel)
{
    if (!startDiscovery())
        co_return giveUp(DeviceStep::Discover, QStringLiteral("discovery did not start"));
    const int limitMs = kDiscoveryTicks * m_tickMs;
    const WaitResult w = co_await m_wait.until(
        [this] { return m_events.servicesFound || m_events.down || m_events.error; }, limitMs,
        cancel);
    if (w == WaitResult::TimedOut)
        co_return giveUp(DeviceStep::Discover,
                         QStringLiteral("service not found in %1 ms").arg(limitMs));
    if (w != WaitResult::Done || !m_events.servicesFound || m_events.down)
        co_return abandoned(w, DeviceStep::Discover);
    m_state = LinkState::Ready;
    openSession();
    emit changed();
    emit linkReady();
    co_return{DeviceOutcome::success(DeviceStep::Discover), m_session};
}
