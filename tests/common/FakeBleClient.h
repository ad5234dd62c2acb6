#pragma once

#include "link/BLEClient.h"

#include <QStringList>

#define ZV_FAKE_CALL(name, ...)                                                                    \
    BleResult name(__VA_ARGS__) override                                                           \
    {                                                                                              \
        return record(QStringLiteral(#name));                                                      \
    }

// A BLE client that raises no event itself (the test emits them) and records every call by name,
// a write or post with its characteristic and value. Each call succeeds, or fails with `failWith`
// when that is set.
class FakeBleClient final : public BLEClient
{
    Q_OBJECT
public:
    using BLEClient::BLEClient;
    ZV_FAKE_CALL(Configure, const QString&)
    ZV_FAKE_CALL(StartScanning, const QString&)
    ZV_FAKE_CALL(StopScanning)
    ZV_FAKE_CALL(ConnectDevice, const QString&)
    ZV_FAKE_CALL(DisconnectDevice)
    ZV_FAKE_CALL(Discover, const QString&, const QString&)
    BleResult WriteValue(const QString&, const QString& characteristicId, const QString&,
                         const QByteArray& value) override
    {
        return record("WriteValue " + characteristicId + ' ' + QString::fromLatin1(value));
    }
    BleResult PostValue(const QString&, const QString& characteristicId,
                        const QByteArray& value) override
    {
        return record("PostValue " + characteristicId + ' ' + QString::fromLatin1(value));
    }
    ZV_FAKE_CALL(ReadValue, const QString&, const QString&, const QString&)
    ZV_FAKE_CALL(Subscribe, const QString&, const QString&)
    ZV_FAKE_CALL(Unsubscribe, const QString&, const QString&)

    // A gauge advertising under this address and name.
    void advertise(const QString& id, const QString& name, qint16 rssi = -67)
    {
        emit Advertisement(id, name, rssi, 0, {}, {}, {}, 0, {}, true, false);
    }

    QStringList calls;
    int failWith = 0;

private:
    BleResult record(const QString& call)
    {
        calls.append(call);
        return failWith ? BleResult::failure(failWith, QStringLiteral("refused"))
                        : BleResult::success();
    }
};
