#include "bench/BareBleClient.h"

#include <QBluetoothDeviceInfo>
#include <QEventLoop>
#include <QTimer>

BareBleClient::BareBleClient(const QBluetoothAddress& gauge, const QBluetoothUuid& service,
                             const QBluetoothUuid& characteristic, QObject* parent)
    : QObject(parent), m_gauge(gauge), m_serviceUuid(service), m_characteristicUuid(characteristic)
{
}

BareBleClient::~BareBleClient()
{
    delete m_service;
    delete m_controller;
}

bool BareBleClient::waitForStep()
{
    QEventLoop loop;
    connect(this, &BareBleClient::stepDone, &loop, &QEventLoop::quit);
    QTimer::singleShot(kStepTimeoutMs, &loop, [this, &loop] {
        fail(QStringLiteral("step not done in time"));
        loop.quit();
    });
    loop.exec();
    return m_error.isEmpty();
}

void BareBleClient::fail(const QString& text)
{
    if (m_error.isEmpty())
        m_error = text;
    m_running = false;
    emit stepDone();
}

bool BareBleClient::open()
{
    m_error.clear();
    QBluetoothDeviceInfo info(m_gauge, QString(), 0);
    info.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
    m_controller = QLowEnergyController::createCentral(info, this);
    connect(m_controller, &QLowEnergyController::connected, m_controller,
            &QLowEnergyController::discoverServices);
    connect(m_controller, &QLowEnergyController::discoveryFinished, this,
            &BareBleClient::openService);
    connect(m_controller, &QLowEnergyController::errorOccurred, this,
            [this](auto error) { fail(QStringLiteral("controller error %1").arg(int(error))); });
    connect(m_controller, &QLowEnergyController::disconnected, this, [this] {
        if (m_running)
            fail(QStringLiteral("link lost"));
    });
    m_controller->connectToDevice();
    return waitForStep();
}

void BareBleClient::openService()
{
    m_service = m_controller->createServiceObject(m_serviceUuid, this);
    if (!m_service)
        return fail(QStringLiteral("the gauge's service is missing"));
    connect(m_service, &QLowEnergyService::stateChanged, this, &BareBleClient::onServiceState);
    connect(m_service, &QLowEnergyService::characteristicWritten, m_service,
            [this](const QLowEnergyCharacteristic& c) { m_service->readCharacteristic(c); });
    connect(m_service, &QLowEnergyService::characteristicRead, this, &BareBleClient::onRead);
    connect(m_service, &QLowEnergyService::errorOccurred, this,
            [this](auto error) { fail(QStringLiteral("service error %1").arg(int(error))); });
    m_service->discoverDetails(QLowEnergyService::SkipValueDiscovery);
}

void BareBleClient::onServiceState(QLowEnergyService::ServiceState state)
{
    if (state != QLowEnergyService::RemoteServiceDiscovered)
        return;
    m_characteristic = m_service->characteristic(m_characteristicUuid);
    if (!m_characteristic.isValid())
        return fail(QStringLiteral("the command characteristic is missing"));
    emit stepDone();
}

QList<QByteArray> BareBleClient::run(const CommandSource& next)
{
    m_error.clear();
    m_replies.clear();
    m_next = next;
    m_running = true;
    sendOrFinish(m_next({}));
    if (m_running)
        waitForStep();
    m_running = false;
    return m_replies;
}

void BareBleClient::onRead(const QLowEnergyCharacteristic&, const QByteArray& value)
{
    m_replies.append(value);
    sendOrFinish(m_next(value));
}

void BareBleClient::sendOrFinish(const QByteArray& command)
{
    if (!m_service)
        return fail(QStringLiteral("not connected"));
    if (command.isEmpty()) {
        m_running = false;
        emit stepDone();
        return;
    }
    m_service->writeCharacteristic(m_characteristic, command, QLowEnergyService::WriteWithResponse);
}

bool BareBleClient::close()
{
    if (!m_controller)
        return true;
    m_error.clear();
    delete m_service;
    bool done = true;
    if (m_controller->state() != QLowEnergyController::UnconnectedState) {
        connect(m_controller, &QLowEnergyController::disconnected, this, &BareBleClient::stepDone);
        m_controller->disconnectFromDevice();
        done = waitForStep();
    }
    m_controller->deleteLater();
    return done;
}
