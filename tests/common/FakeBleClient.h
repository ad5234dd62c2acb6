#pragma once

#include "link/BLEClient.h"

#include <QStringList>

// A BLE client whose methods all succeed and raise no event; the test emits the events itself.
// Every call is recorded by name.
class FakeBleClient final : public BLEClient
{
    Q_OBJECT
public:
    using BLEClient::BLEClient;

    BleResult Configure(const QString&) override { return record("Configure"); }
    BleResult StartScanning(const QString&) override { return record("StartScanning"); }
    BleResult StopScanning() override { return record("StopScanning"); }
    BleResult ConnectDevice(const QString&) override { return record("ConnectDevice"); }
    BleResult DisconnectDevice() override { return record("DisconnectDevice"); }
    BleResult Discover(const QString&, const QString&) override { return record("Discover"); }
    BleResult WriteValue(const QString&, const QString&, const QString&, const QByteArray&) override
    {
        return record("WriteValue");
    }
    BleResult PostValue(const QString&, const QString&, const QByteArray&) override
    {
        return record("PostValue");
    }
    BleResult ReadValue(const QString&, const QString&, const QString&) override
    {
        return record("ReadValue");
    }
    BleResult Subscribe(const QString&, const QString&) override { return record("Subscribe"); }
    BleResult Unsubscribe(const QString&, const QString&) override { return record("Unsubscribe"); }

    QStringList calls;

private:
    BleResult record(const char* name)
    {
        calls.append(QLatin1String(name));
        return BleResult::success();
    }
};
