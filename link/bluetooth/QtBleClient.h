#pragma once

#include "link/BLEClient.h"

#include <QBluetoothDeviceInfo>
#include <QLowEnergyController>
#include <QMap>
#include <QPointer>
#include <QTimer>

class QtBleScanner;
class QtBleServices;

// The BLE client over Qt Bluetooth (BlueZ on Linux, the platform stack elsewhere). ServerIds are
// the 12 upper-case hex digits of the device address; ServiceId is the service UUID text,
// CharacteristicId "service/characteristic" and DescriptorId "service/characteristic/descriptor"
// (upper-case UUID texts). Every event leaves through the event loop. A connect has no time limit
// here: the link logic gives up a connect that takes too long with DisconnectDevice().
class QtBleClient : public BLEClient
{
    Q_OBJECT
public:
    // A disconnect that the stack does not confirm by then is taken as done.
    static constexpr int kDisconnectTimeoutMs = 3000;
    // StatusCode of the Disconnected event when the gauge or the radio dropped the link.
    static constexpr qint16 kLinkLostStatus = 8;

    explicit QtBleClient(QObject* parent = nullptr);
    ~QtBleClient() override;

    void setDisconnectTimeout(int ms) { m_disconnectTimer.setInterval(ms); }
    void setScanPeriod(int ms);
    bool isConnected() const { return m_state == LinkState::Connected; }

    BleResult Configure(const QString& setting) override;
    BleResult StartScanning(const QString& serviceUuidFilter) override;
    BleResult StopScanning() override;
    BleResult ConnectDevice(const QString& serverId) override;
    BleResult DisconnectDevice() override;
    BleResult Discover(const QString& serviceUuidFilter,
                       const QString& characteristicUuidFilter) override;
    BleResult WriteValue(const QString& serviceId, const QString& characteristicId,
                         const QString& descriptorId, const QByteArray& value) override;
    BleResult PostValue(const QString& serviceId, const QString& characteristicId,
                        const QByteArray& value) override;
    BleResult ReadValue(const QString& serviceId, const QString& characteristicId,
                        const QString& descriptorId) override;
    BleResult Subscribe(const QString& serviceId, const QString& characteristicId) override;
    BleResult Unsubscribe(const QString& serviceId, const QString& characteristicId) override;

private:
    enum class LinkState { Idle, Connecting, Connected, Disconnecting };

    template <typename F> void post(F&& what)
    {
        QMetaObject::invokeMethod(this, std::forward<F>(what), Qt::QueuedConnection);
    }
    void forwardServiceEvents();
    template <typename... Args>
    void forward(void (QtBleServices::*from)(Args...), void (BLEClient::*to)(Args...));
    void onDevice(const QBluetoothDeviceInfo& info);
    void onConnected();
    void onDisconnected();
    void onControllerError(QLowEnergyController::Error error);
    void endLink(qint16 status, const QString& description);
    void dropController();
    BleResult needLink() const;
    static QString controllerErrorText(QLowEnergyController::Error error);

    QtBleScanner* m_scanner;
    QtBleServices* m_services;
    QPointer<QLowEnergyController> m_controller;
    QMap<QString, QBluetoothDeviceInfo> m_devices; // by ServerId, from scanning
    QTimer m_disconnectTimer;
    LinkState m_state = LinkState::Idle;
    QString m_scanFilter;
    quint64 m_scanGeneration = 0;
};
