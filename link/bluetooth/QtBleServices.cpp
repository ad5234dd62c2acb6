#include "link/bluetooth/QtBleServices.h"

#include "link/bluetooth/BleText.h"
#include "state/LogCategories.h"

namespace
{
const QBluetoothUuid kCccd(QBluetoothUuid::DescriptorType::ClientCharacteristicConfiguration);

bool matches(const QString& filter, const QBluetoothUuid& uuid)
{
    return filter.isEmpty() || BleText::uuidFrom(filter) == uuid;
}

QString serviceErrorText(QLowEnergyService::ServiceError error)
{
    switch (error) {
    case QLowEnergyService::CharacteristicWriteError:
        return QStringLiteral("the gauge did not accept the write");
    case QLowEnergyService::CharacteristicReadError:
        return QStringLiteral("reading from the gauge failed");
    case QLowEnergyService::DescriptorWriteError:
        return QStringLiteral("switching notifications failed");
    case QLowEnergyService::DescriptorReadError:
        return QStringLiteral("reading a descriptor failed");
    case QLowEnergyService::OperationError:
        return QStringLiteral("the service is not ready for this operation");
    default:
        return QStringLiteral("Bluetooth service error %1").arg(int(error));
    }
}
} // namespace

QtBleServices::QtBleServices(QObject* parent) : QObject(parent) {}

void QtBleServices::attach(QLowEnergyController* controller)
{
    clear();
    m_controller = controller;
    connect(controller, &QLowEnergyController::discoveryFinished, this,
            &QtBleServices::onServicesFound);
}

void QtBleServices::clear()
{
    m_targets.clear();
    qDeleteAll(m_services);
    m_services.clear();
    m_ids.clear();
    if (m_controller)
        m_controller->disconnect(this);
    m_controller = nullptr;
    m_discoveryWanted = false;
}

BleResult QtBleServices::discover(const QString& serviceFilter, const QString& characteristicFilter)
{
    if (!m_controller)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    m_serviceFilter = serviceFilter;
    m_characteristicFilter = characteristicFilter;
    m_discoveryWanted = true;
    if (m_controller->state() == QLowEnergyController::DiscoveredState)
        onServicesFound();
    else if (m_controller->state() == QLowEnergyController::ConnectedState)
        m_controller->discoverServices();
    return BleResult::success(); // a discovery already running reports when it ends
}

void QtBleServices::onServicesFound()
{
    if (!m_controller || !m_discoveryWanted)
        return;
    m_discoveryWanted = false;
    bool any = false;
    for (const QBluetoothUuid& uuid : m_controller->services()) {
        if (!matches(m_serviceFilter, uuid))
            continue;
        any = true;
        openService(uuid);
    }
    if (!any)
        qCDebug(zvBle) << "no service matches" << m_serviceFilter;
}

void QtBleServices::openService(const QBluetoothUuid& uuid)
{
    const QString id = m_ids.uuidText(uuid);
    emit discovered(0, id, {}, {}, id, {});
    QLowEnergyService* service = m_services.value(id);
    if (service && service->state() == QLowEnergyService::RemoteServiceDiscovered) {
        reportDetails(service);
        return;
    }
    m_targets.clear(); // they may point into the service replaced here
    delete service;
    service = m_controller->createServiceObject(uuid, this);
    if (!service)
        return;
    m_services.insert(id, service);
    connect(service, &QLowEnergyService::stateChanged, this, [this, service](auto state) {
        if (state == QLowEnergyService::RemoteServiceDiscovered)
            reportDetails(service);
    });
    connect(service, &QLowEnergyService::characteristicWritten, this,
            [this, uuid](const QLowEnergyCharacteristic& c, const QByteArray&) {
                emit writeResponse(m_ids.uuidText(uuid), m_ids.characteristicId(uuid, c.uuid()), {},
                                   m_ids.uuidText(c.uuid()), {});
            });
    auto toValue = [this, uuid](const QLowEnergyCharacteristic& c, const QByteArray& v) {
        emit value(m_ids.uuidText(uuid), m_ids.characteristicId(uuid, c.uuid()), {},
                   m_ids.uuidText(c.uuid()), {}, v);
    };
    connect(service, &QLowEnergyService::characteristicRead, this, toValue);
    connect(service, &QLowEnergyService::characteristicChanged, this, toValue);
    connect(service, &QLowEnergyService::descriptorRead, this,
            [this, service, uuid](const QLowEnergyDescriptor& d, const QByteArray& v) {
                const QBluetoothUuid c = ownerOf(service, d).uuid();
                emit value(m_ids.uuidText(uuid), m_ids.characteristicId(uuid, c),
                           m_ids.descriptorId(uuid, c, d.uuid()), m_ids.uuidText(d.uuid()), {}, v);
            });
    connect(service, &QLowEnergyService::descriptorWritten, this,
            [this, service](const QLowEnergyDescriptor& d, const QByteArray& v) {
                onDescriptorWritten(service, d, v);
            });
    connect(service, &QLowEnergyService::errorOccurred, this,
            [this, service](auto e) { onServiceError(service, e); });
    service->discoverDetails(QLowEnergyService::SkipValueDiscovery);
}

void QtBleServices::reportDetails(QLowEnergyService* service)
{
    if (!m_reportCharacteristics)
        return;
    const QBluetoothUuid s = service->serviceUuid();
    const QString sid = m_ids.uuidText(s);
    for (const QLowEnergyCharacteristic& c : service->characteristics()) {
        if (!matches(m_characteristicFilter, c.uuid()))
            continue;
        const QString cid = m_ids.characteristicId(s, c.uuid());
        emit discovered(1, sid, cid, {}, m_ids.uuidText(c.uuid()), c.name());
        if (!m_reportDescriptors)
            continue;
        for (const QLowEnergyDescriptor& d : c.descriptors())
            emit discovered(2, sid, cid, m_ids.descriptorId(s, c.uuid(), d.uuid()),
                            m_ids.uuidText(d.uuid()), d.name());
    }
}

QLowEnergyCharacteristic QtBleServices::ownerOf(QLowEnergyService* service,
                                                const QLowEnergyDescriptor& descriptor) const
{
    for (const QLowEnergyCharacteristic& c : service->characteristics())
        if (c.descriptors().contains(descriptor))
            return c;
    return {};
}

void QtBleServices::onDescriptorWritten(QLowEnergyService* service,
                                        const QLowEnergyDescriptor& descriptor,
                                        const QByteArray& written)
{
    const QLowEnergyCharacteristic c = ownerOf(service, descriptor);
    const QBluetoothUuid s = service->serviceUuid();
    const QString sid = m_ids.uuidText(s);
    const QString cid = m_ids.characteristicId(s, c.uuid());
    if (descriptor.uuid() != kCccd) {
        emit writeResponse(sid, cid, m_ids.descriptorId(s, c.uuid(), descriptor.uuid()),
                           m_ids.uuidText(descriptor.uuid()), {});
        return;
    }
    const bool on = written == QLowEnergyCharacteristic::CCCDEnableNotification ||
                    written == QLowEnergyCharacteristic::CCCDEnableIndication;
    if (on)
        emit subscribed(sid, cid, m_ids.uuidText(c.uuid()), {});
    else
        emit unsubscribed(sid, cid, m_ids.uuidText(c.uuid()), {});
}

void QtBleServices::onServiceError(QLowEnergyService* service,
                                   QLowEnergyService::ServiceError error)
{
    qCDebug(zvBle) << "service" << service->serviceUuid() << "error" << error;
    if (error == QLowEnergyService::NoError)
        return;
    emit this->error(BleOperationFailed, serviceErrorText(error));
}

bool QtBleServices::knownTarget(const std::pair<QString, QString>& key, Target& target) const
{
    const auto known = m_targets.constFind(key);
    if (known == m_targets.cend() ||
        known->service->state() != QLowEnergyService::RemoteServiceDiscovered)
        return false;
    target = *known;
    return true;
}

// A characteristic found once is kept (until its service is replaced or the link ends): a command
// names the same one for its write and its read every time.
BleResult QtBleServices::find(const QString& serviceId, const QString& characteristicId,
                              const QString& descriptorId, Target& target)
{
    if (!m_controller)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    const std::pair key(serviceId, characteristicId);
    if (descriptorId.isEmpty() && knownTarget(key, target))
        return BleResult::success();
    const BleText::IdParts parts = BleText::splitId(characteristicId);
    QLowEnergyService* service = m_services.value(serviceId);
    if (!service || parts.characteristic.isNull() || parts.service != service->serviceUuid())
        return BleResult::failure(BleUnknownId,
                                  QStringLiteral("unknown service or characteristic"));
    if (service->state() != QLowEnergyService::RemoteServiceDiscovered)
        return BleResult::failure(BleNotConnected, QStringLiteral("the service is not ready"));
    target.service = service;
    target.characteristic = service->characteristic(parts.characteristic);
    if (!target.characteristic.isValid())
        return BleResult::failure(BleUnknownId, QStringLiteral("unknown characteristic"));
    if (descriptorId.isEmpty()) {
        m_targets.insert(key, target);
        return BleResult::success();
    }
    const BleText::IdParts d = BleText::splitId(descriptorId);
    target.descriptor = d.descriptor.isNull() ? QLowEnergyDescriptor()
                                              : target.characteristic.descriptor(d.descriptor);
    if (!target.descriptor.isValid())
        return BleResult::failure(BleUnknownId, QStringLiteral("unknown descriptor"));
    return BleResult::success();
}

BleResult QtBleServices::write(const QString& serviceId, const QString& characteristicId,
                               const QString& descriptorId, const QByteArray& value,
                               QLowEnergyService::WriteMode mode)
{
    Target t;
    if (const BleResult r = find(serviceId, characteristicId, descriptorId, t); !r.ok())
        return r;
    if (t.descriptor.isValid())
        t.service->writeDescriptor(t.descriptor, value);
    else
        t.service->writeCharacteristic(t.characteristic, value, mode);
    return BleResult::success();
}

BleResult QtBleServices::read(const QString& serviceId, const QString& characteristicId,
                              const QString& descriptorId)
{
    Target t;
    if (const BleResult r = find(serviceId, characteristicId, descriptorId, t); !r.ok())
        return r;
    if (t.descriptor.isValid())
        t.service->readDescriptor(t.descriptor);
    else
        t.service->readCharacteristic(t.characteristic);
    return BleResult::success();
}

BleResult QtBleServices::setNotify(const QString& serviceId, const QString& characteristicId,
                                   bool on)
{
    Target t;
    if (const BleResult r = find(serviceId, characteristicId, {}, t); !r.ok())
        return r;
    const QLowEnergyDescriptor cccd = t.characteristic.descriptor(kCccd);
    if (!cccd.isValid())
        return BleResult::failure(BleOperationFailed,
                                  QStringLiteral("this characteristic sends no notifications"));
    const bool indicate = !(t.characteristic.properties() & QLowEnergyCharacteristic::Notify) &&
                          (t.characteristic.properties() & QLowEnergyCharacteristic::Indicate);
    const QByteArray enable = indicate ? QLowEnergyCharacteristic::CCCDEnableIndication
                                       : QLowEnergyCharacteristic::CCCDEnableNotification;
    t.service->writeDescriptor(cccd, on ? enable : QLowEnergyCharacteristic::CCCDDisable);
    return BleResult::success();
}
