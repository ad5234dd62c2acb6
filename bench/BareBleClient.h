#pragma once

#include "bench/BleStepRunner.h"

#include <QBluetoothAddress>
#include <QBluetoothUuid>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QPointer>

// Qt's floor for a command round trip: a gauge client made of QLowEnergyController and
// QLowEnergyService alone, without any of the program's code. A command is written with
// response; its confirmation starts the read-back at once, and the value read starts the next
// command from the same handler. Every step blocks in an event loop of its own until it is done.
class BareBleClient : public BleStepRunner
{
public:
    BareBleClient(const QBluetoothAddress& gauge, const QBluetoothUuid& service,
                  const QBluetoothUuid& characteristic, QObject* parent = nullptr);
    ~BareBleClient() override;

    // Connects, discovers the services and the details of the gauge's service.
    bool open();
    // Runs the commands next gives; returns every reply, fewer when one did not come.
    QList<QByteArray> run(const CommandSource& next);
    // Disconnects and forgets the controller.
    bool close();

private:
    void openService();
    void onServiceState(QLowEnergyService::ServiceState state);
    void onRead(const QLowEnergyCharacteristic& characteristic, const QByteArray& value);
    void send(const QByteArray& command) override;

    QBluetoothAddress m_gauge;
    QBluetoothUuid m_serviceUuid;
    QBluetoothUuid m_characteristicUuid;
    QPointer<QLowEnergyController> m_controller;
    QPointer<QLowEnergyService> m_service;
    QLowEnergyCharacteristic m_characteristic;
};
