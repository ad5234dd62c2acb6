#pragma once

#include "link/BLEClient.h"

// The back end used when no Bluetooth back end is available: every method fails with
// "Bluetooth not available", so a scan shows the request to check the Bluetooth settings.
class NoBluetoothClient final : public BLEClient
{
    Q_OBJECT
public:
    using BLEClient::BLEClient;

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
    static BleResult unavailable();
};
