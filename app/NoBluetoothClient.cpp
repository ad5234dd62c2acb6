#include "app/NoBluetoothClient.h"

BleResult NoBluetoothClient::unavailable()
{
    return BleResult::failure(BleNoAdapter, QStringLiteral("Bluetooth not available"));
}

// Settings are accepted and ignored; there is nothing to configure.
BleResult NoBluetoothClient::Configure(const QString&)
{
    return BleResult::success();
}

BleResult NoBluetoothClient::StartScanning(const QString&)
{
    return unavailable();
}

BleResult NoBluetoothClient::StopScanning()
{
    return BleResult::success();
}

BleResult NoBluetoothClient::ConnectDevice(const QString&)
{
    return unavailable();
}

// Nothing is ever connected, so there is nothing to disconnect.
BleResult NoBluetoothClient::DisconnectDevice()
{
    return BleResult::success();
}

BleResult NoBluetoothClient::Discover(const QString&, const QString&)
{
    return unavailable();
}

BleResult NoBluetoothClient::WriteValue(const QString&, const QString&, const QString&,
                                        const QByteArray&)
{
    return unavailable();
}

BleResult NoBluetoothClient::PostValue(const QString&, const QString&, const QByteArray&)
{
    return unavailable();
}

BleResult NoBluetoothClient::ReadValue(const QString&, const QString&, const QString&)
{
    return unavailable();
}

BleResult NoBluetoothClient::Subscribe(const QString&, const QString&)
{
    return unavailable();
}

BleResult NoBluetoothClient::Unsubscribe(const QString&, const QString&)
{
    return unavailable();
}
