#pragma once

#include "link/BLEClient.h"
#include "link/bluetooth/BleIdTexts.h"

#include <QHash>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QMap>
#include <QObject>
#include <QPointer>

// The GATT side of one connection: finds the services, reports them with their characteristics
// (and descriptors if wanted) and carries reads, writes and notifications. Identifiers are the
// texts of BleText. Results leave as signals shaped like the BLEClient events; the client
// forwards them through the event loop.
class QtBleServices : public QObject
{
    Q_OBJECT
public:
    explicit QtBleServices(QObject* parent = nullptr);

    void attach(QLowEnergyController* controller);
    // Forgets the services of the last connection.
    void clear();

    void setReportCharacteristics(bool on) { m_reportCharacteristics = on; }
    void setReportDescriptors(bool on) { m_reportDescriptors = on; }

    BleResult discover(const QString& serviceFilter, const QString& characteristicFilter);
    BleResult write(const QString& serviceId, const QString& characteristicId,
                    const QString& descriptorId, const QByteArray& value,
                    QLowEnergyService::WriteMode mode);
    BleResult read(const QString& serviceId, const QString& characteristicId,
                   const QString& descriptorId);
    BleResult setNotify(const QString& serviceId, const QString& characteristicId, bool on);

signals:
    void discovered(qint16 gattType, const QString& serviceId, const QString& characteristicId,
                    const QString& descriptorId, const QString& uuid, const QString& description);
    void writeResponse(const QString& serviceId, const QString& characteristicId,
                       const QString& descriptorId, const QString& uuid,
                       const QString& description);
    void value(const QString& serviceId, const QString& characteristicId,
               const QString& descriptorId, const QString& uuid, const QString& description,
               const QByteArray& value);
    void subscribed(const QString& serviceId, const QString& characteristicId, const QString& uuid,
                    const QString& description);
    void unsubscribed(const QString& serviceId, const QString& characteristicId,
                      const QString& uuid, const QString& description);
    void error(qint16 code, const QString& description);

private:
    struct Target {
        QLowEnergyService* service = nullptr;
        QLowEnergyCharacteristic characteristic;
        QLowEnergyDescriptor descriptor;
    };
    BleResult find(const QString& serviceId, const QString& characteristicId,
                   const QString& descriptorId, Target& target);
    bool knownTarget(const std::pair<QString, QString>& key, Target& target) const;
    void onServicesFound();
    void openService(const QBluetoothUuid& uuid);
    void reportDetails(QLowEnergyService* service);
    void onDescriptorWritten(QLowEnergyService* service, const QLowEnergyDescriptor& descriptor,
                             const QByteArray& value);
    void onServiceError(QLowEnergyService* service, QLowEnergyService::ServiceError error);
    QLowEnergyCharacteristic ownerOf(QLowEnergyService* service,
                                     const QLowEnergyDescriptor& descriptor) const;

    QPointer<QLowEnergyController> m_controller;
    QMap<QString, QLowEnergyService*> m_services;         // by ServiceId
    QHash<std::pair<QString, QString>, Target> m_targets; // by ServiceId and CharacteristicId
    BleIdTexts m_ids;
    QString m_serviceFilter;
    QString m_characteristicFilter;
    bool m_discoveryWanted = false;
    bool m_reportCharacteristics = true;
    bool m_reportDescriptors = false;
};
