#include "app/QuitSequence.h"

#include "link/BLE.h"
#include "link/BLEClient.h"
#include "link/DeviceBusy.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"

QuitSequence::QuitSequence(BLEClient* client, BLE* link, QObject* parent)
    : QObject(parent), m_client(client), m_link(link)
{
    m_limit.setSingleShot(true);
    m_pause.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &QuitSequence::linkSettled);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        m_running = false;
        emit finished();
    });
}

void QuitSequence::start(int waitLimitMs, int pauseMs)
{
    if (m_running)
        return;
    m_running = true;
    m_pause.setInterval(qMax(pauseMs, 0));
    m_limit.setInterval(waitLimitMs);
    if (!deviceBusy().isBusy()) {
        disconnectGauge();
        return;
    }
    m_sequenceEnded = connect(
        &deviceBusy(), &DeviceBusy::busyChanged, this,
        [this] {
            if (deviceBusy().isBusy())
                return;
            disconnect(m_sequenceEnded);
            disconnectGauge();
        },
        Qt::QueuedConnection);
}

void QuitSequence::disconnectGauge()
{
    if (!sharedState().DeviceConnected || !m_client) {
        m_pause.start();
        return;
    }
    m_linkDown = connect(m_link, &BLE::linkDown, this, &QuitSequence::linkSettled);
    m_limit.start();
    m_client->DisconnectDevice();
    if (!sharedState().DeviceConnected)
        linkSettled();
}

// The link went down, or the gauge did not confirm the disconnection in time.
void QuitSequence::linkSettled()
{
    if (m_pause.isActive() || !m_running)
        return;
    m_limit.stop();
    disconnect(m_linkDown);
    if (sharedState().DeviceConnected)
        qCWarning(zvApp) << "gauge did not confirm the disconnection; ending anyway";
    m_pause.start();
}
