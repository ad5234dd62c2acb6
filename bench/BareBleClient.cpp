#include "bench/BareBleClient.h"

#include <QBluetoothDeviceInfo>

BareBleClient::BareBleClient(const QBluetoothAddress& gauge, const QBluetoothUuid& service,
                             const QBluetoothUuid& characteristic, QObject* parent)
    : BleStepRunner(parent), m_gauge(gauge), m_serviceUuid(service),
      m_characteristicUuid(characteristic)
{
}

BareBleClient::~BareBleClient()
{
    delete m_service;
    delete m_controller;
}

bool BareBleClient::open()
{
    clearError();
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
        if (isRunning())
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
    return runCommands(next);
}

void BareBleClient::onRead(const QLowEnergyCharacteristic&, const QByteArray& value)
{
    replied(value);
}

void BareBleClient::send(const QByteArray& command)
{
    if (!m_service)
        return fail(QStringLiteral("not connected"));
    m_service->writeCharacteristic(m_characteristic, command, QLowEnergyService::WriteWithResponse);
}

bool BareBleClient::close()
{
    if (!m_controller)
        return true;
    clearError();
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
