#include "link/bluetooth/QtBleClient.h"

#include "link/bluetooth/BleText.h"
#include "link/bluetooth/QtBleScanner.h"
#include "link/bluetooth/QtBleServices.h"
#include "state/LogCategories.h"

namespace
{
const QString kLinkLost = QStringLiteral("connection lost");

// "Key = value" -> key and value, blanks around both removed; false without "=".
bool splitSetting(const QString& setting, QString& key, QString& value)
{
    const int eq = setting.indexOf(QLatin1Char('='));
    if (eq < 1)
        return false;
    key = setting.left(eq).trimmed();
    value = setting.mid(eq + 1).trimmed();
    return !key.isEmpty();
}

bool isTrue(const QString& value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           value == QLatin1String("1") || value == QLatin1String("-1");
}
} // namespace

QtBleClient::QtBleClient(QObject* parent)
    : BLEClient(parent), m_scanner(new QtBleScanner(this)), m_services(new QtBleServices(this))
{
    m_disconnectTimer.setSingleShot(true);
    m_disconnectTimer.setInterval(kDisconnectTimeoutMs);
    connect(&m_disconnectTimer, &QTimer::timeout, this, [this] { endLink(0, {}); });
    connect(m_scanner, &QtBleScanner::device, this, &QtBleClient::onDevice);
    connect(m_scanner, &QtBleScanner::failed, this, [this](qint16 code, const QString& text) {
        post([this, code, text] { emit Error(code, text); });
    });
    forwardServiceEvents();
}

QtBleClient::~QtBleClient()
{
    m_scanner->stop();
    m_services->clear();
    dropController();
}

// The service layer's results become this client's events, always through the event loop.
void QtBleClient::forwardServiceEvents()
{
    forward(&QtBleServices::discovered, &BLEClient::Discovered);
    forward(&QtBleServices::writeResponse, &BLEClient::WriteResponse);
    forward(&QtBleServices::value, &BLEClient::Value);
    forward(&QtBleServices::subscribed, &BLEClient::Subscribed);
    forward(&QtBleServices::unsubscribed, &BLEClient::Unsubscribed);
    forward(&QtBleServices::error, &BLEClient::Error);
}

// The arguments travel in the posted call itself, without a queued connection's copies of each
// through the meta-type system.
template <typename... Args>
void QtBleClient::forward(void (QtBleServices::*from)(Args...), void (BLEClient::*to)(Args...))
{
    connect(m_services, from, this,
            [this, to](Args... args) { post([this, to, args...] { (this->*to)(args...); }); });
}

void QtBleClient::setScanPeriod(int ms)
{
    m_scanner->setPeriod(ms);
}

BleResult QtBleClient::Configure(const QString& setting)
{
    QString key, value;
    if (!splitSetting(setting, key, value))
        return BleResult::failure(BleOperationFailed,
                                  QStringLiteral("setting without \"=\": %1").arg(setting));
    if (key.compare(QLatin1String("AutoDiscoverCharacteristics"), Qt::CaseInsensitive) == 0)
        m_services->setReportCharacteristics(isTrue(value));
    else if (key.compare(QLatin1String("AutoDiscoverDescriptors"), Qt::CaseInsensitive) == 0)
        m_services->setReportDescriptors(isTrue(value));
    else if (key.compare(QLatin1String("LogLevel"), Qt::CaseInsensitive) != 0)
        return BleResult::failure(BleOperationFailed,
                                  QStringLiteral("unknown setting: %1").arg(key));
    return BleResult::success();
}

BleResult QtBleClient::StartScanning(const QString& serviceUuidFilter)
{
    m_scanFilter = serviceUuidFilter;
    const quint64 generation = ++m_scanGeneration;
    const QStringList uuids =
        serviceUuidFilter.isEmpty() ? QStringList() : QStringList{serviceUuidFilter};
    // StartScan must come before the first advertisement, which the agent may report at once.
    post([this, generation, uuids] {
        if (generation == m_scanGeneration)
            emit StartScan(uuids);
    });
    const BleResult r = m_scanner->start();
    if (!r.ok()) {
        ++m_scanGeneration;
        qCDebug(zvBle) << "scan start failed:" << r.description;
    }
    return r;
}

BleResult QtBleClient::StopScanning()
{
    m_scanner->stop();
    return BleResult::success();
}

void QtBleClient::onDevice(const QBluetoothDeviceInfo& info)
{
    const QString serverId = BleText::serverIdOf(info.address());
    if (serverId.isEmpty())
        return;
    const QList<QBluetoothUuid> uuids = info.serviceUuids();
    if (!m_scanFilter.isEmpty() && !uuids.contains(BleText::uuidFrom(m_scanFilter)))
        return;
    m_devices.insert(serverId, info);
    QStringList uuidTexts;
    for (const QBluetoothUuid& u : uuids)
        uuidTexts.append(BleText::uuidText(u));
    const QList<quint16> makers = info.manufacturerIds();
    const quint16 maker = makers.isEmpty() ? 0 : makers.first();
    const QByteArray makerData = makers.isEmpty() ? QByteArray() : info.manufacturerData(maker);
    const QString name = info.name();
    const qint16 rssi = info.rssi();
    const quint64 generation = m_scanGeneration;
    post([=, this] {
        if (generation == m_scanGeneration && m_scanner->isScanning())
            emit Advertisement(serverId, name, rssi, 0, uuidTexts, {}, {}, qint16(maker), makerData,
                               true, false);
    });
}

BleResult QtBleClient::ConnectDevice(const QString& serverId)
{
    if (m_state != LinkState::Idle)
        return BleResult::failure(BleOperationFailed,
                                  QStringLiteral("a connection is already open or being opened"));
    const QBluetoothAddress address = BleText::addressOf(serverId);
    if (address.isNull())
        return BleResult::failure(BleUnknownId,
                                  QStringLiteral("not a device identifier: %1").arg(serverId));
    if (const BleResult r = QtBleScanner::adapterCheck(); !r.ok())
        return r;
    QBluetoothDeviceInfo info = m_devices.value(serverId.toUpper());
    if (!info.isValid()) { // not seen in this run: the stack may still know it
        info = QBluetoothDeviceInfo(address, QString(), 0);
        info.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
    }
    m_controller = QLowEnergyController::createCentral(info, this);
    connect(m_controller, &QLowEnergyController::connected, this, &QtBleClient::onConnected);
    connect(m_controller, &QLowEnergyController::disconnected, this, &QtBleClient::onDisconnected);
    connect(m_controller, &QLowEnergyController::errorOccurred, this,
            &QtBleClient::onControllerError);
    m_state = LinkState::Connecting;
    qCDebug(zvBle) << "connecting" << serverId;
    m_controller->connectToDevice();
    return BleResult::success();
}

void QtBleClient::onConnected()
{
    if (m_state != LinkState::Connecting)
        return;
    m_state = LinkState::Connected;
    m_services->attach(m_controller);
    qCDebug(zvBle) << "connected";
    post([this] { emit Connected(0, QString()); });
}

void QtBleClient::onDisconnected()
{
    qCDebug(zvBle) << "disconnected in state" << int(m_state);
    if (m_state == LinkState::Disconnecting)
        endLink(0, {});
    else if (m_state == LinkState::Connected)
        endLink(kLinkLostStatus, kLinkLost);
}

void QtBleClient::onControllerError(QLowEnergyController::Error error)
{
    qCDebug(zvBle) << "controller error" << error << "in state" << int(m_state);
    const QString text = controllerErrorText(error);
    if (m_state == LinkState::Connecting) {
        dropController();
        m_state = LinkState::Idle;
        const qint16 code = error == QLowEnergyController::InvalidBluetoothAdapterError
                                ? qint16(BleNoAdapter)
                                : qint16(BleOperationFailed);
        post([this, code, text] { emit Error(code, text); });
    } else if (m_state == LinkState::Connected) {
        // A lost link is followed by disconnected() at once; only a link that survives the
        // error reports it as an Error event.
        QPointer<QLowEnergyController> controller = m_controller;
        post([this, controller, text] {
            if (controller && controller == m_controller && m_state == LinkState::Connected &&
                controller->state() != QLowEnergyController::UnconnectedState)
                emit Error(BleOperationFailed, text);
        });
    }
}

BleResult QtBleClient::DisconnectDevice()
{
    switch (m_state) {
    case LinkState::Idle:
    case LinkState::Disconnecting:
        return BleResult::success(); // nothing (more) to end; no second event
    case LinkState::Connecting:
        endLink(0, {});
        return BleResult::success();
    case LinkState::Connected:
        m_state = LinkState::Disconnecting;
        m_disconnectTimer.start();
        m_controller->disconnectFromDevice();
        return BleResult::success();
    }
    return BleResult::success();
}

void QtBleClient::endLink(qint16 status, const QString& description)
{
    m_disconnectTimer.stop();
    m_services->clear();
    dropController();
    m_state = LinkState::Idle;
    qCDebug(zvBle) << "link ended" << status << description;
    post([this, status, description] { emit Disconnected(status, description); });
}

void QtBleClient::dropController()
{
    if (!m_controller)
        return;
    QLowEnergyController* controller = m_controller;
    m_controller = nullptr;
    controller->disconnect(this);
    if (controller->state() != QLowEnergyController::UnconnectedState)
        controller->disconnectFromDevice();
    controller->deleteLater();
}

BleResult QtBleClient::needLink() const
{
    if (m_state != LinkState::Connected)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    return BleResult::success();
}

BleResult QtBleClient::Discover(const QString& serviceUuidFilter,
                                const QString& characteristicUuidFilter)
{
    if (const BleResult r = needLink(); !r.ok())
        return r;
    return m_services->discover(serviceUuidFilter, characteristicUuidFilter);
}

BleResult QtBleClient::WriteValue(const QString& serviceId, const QString& characteristicId,
                                  const QString& descriptorId, const QByteArray& value)
{
    if (const BleResult r = needLink(); !r.ok())
        return r;
    return m_services->write(serviceId, characteristicId, descriptorId, value,
                             QLowEnergyService::WriteWithResponse);
}

BleResult QtBleClient::PostValue(const QString& serviceId, const QString& characteristicId,
                                 const QByteArray& value)
{
    if (const BleResult r = needLink(); !r.ok())
        return r;
    return m_services->write(serviceId, characteristicId, {}, value,
                             QLowEnergyService::WriteWithoutResponse);
}

BleResult QtBleClient::ReadValue(const QString& serviceId, const QString& characteristicId,
                                 const QString& descriptorId)
{
    if (const BleResult r = needLink(); !r.ok())
        return r;
    return m_services->read(serviceId, characteristicId, descriptorId);
}

BleResult QtBleClient::Subscribe(const QString& serviceId, const QString& characteristicId)
{
    if (const BleResult r = needLink(); !r.ok())
        return r;
    return m_services->setNotify(serviceId, characteristicId, true);
}

BleResult QtBleClient::Unsubscribe(const QString& serviceId, const QString& characteristicId)
{
    if (const BleResult r = needLink(); !r.ok())
        return r;
    return m_services->setNotify(serviceId, characteristicId, false);
}

QString QtBleClient::controllerErrorText(QLowEnergyController::Error error)
{
    switch (error) {
    case QLowEnergyController::UnknownRemoteDeviceError:
        return QStringLiteral("the gauge is not known to the system; scan again");
    case QLowEnergyController::InvalidBluetoothAdapterError:
        return QStringLiteral("no Bluetooth adapter found");
    case QLowEnergyController::ConnectionError:
        return QStringLiteral("the connection to the gauge failed");
    case QLowEnergyController::RemoteHostClosedError:
        return kLinkLost;
    case QLowEnergyController::MissingPermissionsError:
        return QStringLiteral("no permission to use Bluetooth");
    default:
        return QStringLiteral("Bluetooth error %1").arg(int(error));
    }
}
