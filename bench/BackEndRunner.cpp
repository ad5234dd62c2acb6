#include "bench/BackEndRunner.h"

#include "link/bluetooth/QtBleClient.h"

#include <QEventLoop>
#include <QTimer>

BackEndRunner::BackEndRunner(QtBleClient& client, QString gaugeId, QString serviceId,
                             QString commandId)
    : m_client(client), m_gaugeId(std::move(gaugeId)), m_serviceId(std::move(serviceId)),
      m_commandId(std::move(commandId))
{
}

bool BackEndRunner::waitForStep()
{
    QEventLoop loop;
    connect(this, &BackEndRunner::stepDone, &loop, &QEventLoop::quit);
    QTimer::singleShot(kStepTimeoutMs, &loop, [this, &loop] {
        fail(QStringLiteral("step not done in time"));
        loop.quit();
    });
    loop.exec();
    return m_error.isEmpty();
}

void BackEndRunner::fail(const QString& text)
{
    if (m_error.isEmpty())
        m_error = text;
    m_running = false;
    emit stepDone();
}

bool BackEndRunner::open()
{
    m_error.clear();
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
    m_error.clear();
    m_replies.clear();
    m_next = next;
    QObject scope;
    connect(&m_client, &BLEClient::WriteResponse, &scope, [this] {
        if (const BleResult r = m_client.ReadValue(m_serviceId, m_commandId, QString()); !r.ok())
            fail(r.description);
    });
    connect(&m_client, &BLEClient::Value, &scope,
            [this](const QString&, const QString&, const QString&, const QString&, const QString&,
                   const QByteArray& value) {
                m_replies.append(value);
                sendOrFinish(m_next(value));
            });
    connect(&m_client, &BLEClient::Error, &scope,
            [this](qint16, const QString& text) { fail(text); });
    connect(&m_client, &BLEClient::Disconnected, &scope,
            [this] { fail(QStringLiteral("link lost")); });
    m_running = true;
    sendOrFinish(m_next({}));
    if (m_running)
        waitForStep();
    m_running = false;
    return m_replies;
}

void BackEndRunner::sendOrFinish(const QByteArray& command)
{
    if (command.isEmpty()) {
        m_running = false;
        emit stepDone();
        return;
    }
    if (const BleResult r = m_client.WriteValue(m_serviceId, m_commandId, QString(), command);
        !r.ok())
        fail(r.description);
}

bool BackEndRunner::close()
{
    m_error.clear();
    if (!m_client.isConnected())
        return true;
    QObject scope;
    connect(&m_client, &BLEClient::Disconnected, &scope, [this] { emit stepDone(); });
    m_client.DisconnectDevice();
    return waitForStep();
}
