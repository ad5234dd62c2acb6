#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The outcome of a BLE client method: code 0 is success; anything else carries a description a
// technician can act on. A failing method raises no event of its own.
struct BleResult {
    int code = 0;
    QString description;
    bool ok() const { return code == 0; }
    static BleResult success() { return {}; }
    static BleResult failure(int code, const QString& description) { return {code, description}; }
};

// Error codes the back ends use in BleResult and in the Error event.
enum BleErrorCode : int {
    BleNoAdapter = 1,    // "no Bluetooth adapter found"
    BleAdapterOff = 2,   // "Bluetooth is switched off"
    BleNotConnected = 3, // method needs a link that is not there
    BleConnectionLost = 4,
    BleUnknownId = 6, // unknown service / characteristic identifier
    BleOperationFailed = 7,
    BleNoPermission = 8,
    BleServiceNotRunning = 9,
};

// A BLE central with text identifiers for devices (ServerId, 12 hex digits), services and
// characteristics. Every event is delivered through the event loop (queued), never from inside the
// method call that caused it.
class BLEClient : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~BLEClient() override = default;

    virtual BleResult Configure(const QString& setting) = 0;
    virtual BleResult StartScanning(const QString& serviceUuidFilter) = 0;
    virtual BleResult StopScanning() = 0;
    virtual BleResult ConnectDevice(const QString& serverId) = 0;
    virtual BleResult DisconnectDevice() = 0;
    virtual BleResult Discover(const QString& serviceUuidFilter,
                               const QString& characteristicUuidFilter) = 0;
    virtual BleResult WriteValue(const QString& serviceId, const QString& characteristicId,
                                 const QString& descriptorId, const QByteArray& value) = 0;
    virtual BleResult PostValue(const QString& serviceId, const QString& characteristicId,
                                const QByteArray& value) = 0;
    virtual BleResult ReadValue(const QString& serviceId, const QString& characteristicId,
                                const QString& descriptorId) = 0;
    virtual BleResult Subscribe(const QString& serviceId, const QString& characteristicId) = 0;
    virtual BleResult Unsubscribe(const QString& serviceId, const QString& characteristicId) = 0;

    bool ScanFlag = false;

signals:
    void Advertisement(const QString& serverId, const QString& name, qint16 rssi, qint16 txPower,
                       const QStringList& serviceUuids, const QStringList& servicesWithData,
                       const QStringList& solicitedServiceUuids, qint16 manufacturerCompanyId,
                       const QByteArray& manufacturerData, bool isConnectable, bool isScanResponse);
    void StartScan(const QStringList& serviceUuids);
    void Connected(qint16 statusCode, const QString& description);
    void Disconnected(qint16 statusCode, const QString& description);
    // gattType: 0 service, 1 characteristic, 2 descriptor
    void Discovered(qint16 gattType, const QString& serviceId, const QString& characteristicId,
                    const QString& descriptorId, const QString& uuid, const QString& description);
    void Error(qint16 errorCode, const QString& description);
    void WriteResponse(const QString& serviceId, const QString& characteristicId,
                       const QString& descriptorId, const QString& uuid,
                       const QString& description);
    void Value(const QString& serviceId, const QString& characteristicId,
               const QString& descriptorId, const QString& uuid, const QString& description,
               const QByteArray& value);
    void Subscribed(const QString& serviceId, const QString& characteristicId, const QString& uuid,
                    const QString& description);
    void Unsubscribed(const QString& serviceId, const QString& characteristicId,
                      const QString& uuid, const QString& description);
};
