#pragma once

#include "bench/BleCommandRun.h"

#include <QBluetoothAddress>
#include <QBluetoothUuid>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QObject>
#include <QPointer>

// Qt's floor for a command round trip: a gauge client made of QLowEnergyController and
// QLowEnergyService alone, without any of the program's code. A command is written with
// response; its confirmation starts the read-back at once, and the value read starts the next
// command from the same handler. Every step blocks in an event loop of its own until it is done.
class BareBleClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int kStepTimeoutMs = 10000;

    BareBleClient(const QBluetoothAddress& gauge, const QBluetoothUuid& service,
                  const QBluetoothUuid& characteristic, QObject* parent = nullptr);
    ~BareBleClient() override;

    // Connects, discovers the services and the details of the gauge's service.
    bool open();
    // Runs the commands next gives; returns every reply, fewer when one did not come.
    QList<QByteArray> run(const CommandSource& next);
    // Disconnects and forgets the controller.
    bool close();
    QString errorText() const { return m_error; }

signals:
    void stepDone();

private:
    bool waitForStep();
    void fail(const QString& text);
    void openService();
    void onServiceState(QLowEnergyService::ServiceState state);
    void onRead(const QLowEnergyCharacteristic& characteristic, const QByteArray& value);
    void sendOrFinish(const QByteArray& command);

    QBluetoothAddress m_gauge;
    QBluetoothUuid m_serviceUuid;
    QBluetoothUuid m_characteristicUuid;
    QPointer<QLowEnergyController> m_controller;
    QPointer<QLowEnergyService> m_service;
    QLowEnergyCharacteristic m_characteristic;
    CommandSource m_next;
    QList<QByteArray> m_replies;
    bool m_running = false;
    QString m_error;
};
