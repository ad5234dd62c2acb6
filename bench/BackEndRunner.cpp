#include "bench/BackEndRunner.h"

#include "link/bluetooth/QtBleClient.h"

BackEndRunner::BackEndRunner(QtBleClient& client, QString gaugeId, QString serviceId,
                             QString commandId)
    : m_client(client), m_gaugeId(std::move(gaugeId)), m_serviceId(std::move(serviceId)),
      m_commandId(std::move(commandId))
{
}

bool BackEndRunner::open()
{
    clearError();
    QObject scope;
    connect(&m_client, &BLEClient::Error, &scope,
            [this](qint16, const QString& text) { fail(text); });
    connect(&m_client, &BLEClient::Connected, &scope,
            [this] { m_client.Discover(m_serviceId, QString()); });
    connect(&m_client, &BLEClient::Discovered, &scope,
            [this](qint16, const QString&, const QString& characteristicId) {
                if (characteristicId == m_commandId)
                    emit stepDone();
            });
    if (const BleResult r = m_client.ConnectDevice(m_gaugeId); !r.ok())
        return fail(r.description), false;
    return waitForStep();
}

QList<QByteArray> BackEndRunner::run(const CommandSource& next)
{
    QObject scope;
    connect(&m_client, &BLEClient::WriteResponse, &scope, [this] {
        if (const BleResult r = m_client.ReadValue(m_serviceId, m_commandId, QString()); !r.ok())
            fail(r.description);
    });
    connect(&m_client, &BLEClient::Value, &scope,
            [this](const QString&, const QString&, const QString&, const QString&, const QString&,
                   const QByteArray& value) { replied(value); });
    connect(&m_client, &BLEClient::Error, &scope,
            [this](qint16, const QString& text) { fail(text); });
    connect(&m_client, &BLEClient::Disconnected, &scope,
            [this] { fail(QStringLiteral("link lost")); });
    return runCommands(next);
}

void BackEndRunner::send(const QByteArray& command)
{
    if (const BleResult r = m_client.WriteValue(m_serviceId, m_commandId, QString(), command);
        !r.ok())
        fail(r.description);
}

bool BackEndRunner::close()
{
    clearError();
    if (!m_client.isConnected())
        return true;
    QObject scope;
    connect(&m_client, &BLEClient::Disconnected, &scope, [this] { emit stepDone(); });
    m_client.DisconnectDevice();
    return waitForStep();
}
