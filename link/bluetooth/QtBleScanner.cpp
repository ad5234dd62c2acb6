#include "link/bluetooth/QtBleScanner.h"

#include "state/LogCategories.h"

#include <QBluetoothLocalDevice>
#include <QTimer>

#ifdef ZV_BLE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#endif

namespace
{
const QString kNoAdapter = QStringLiteral("no Bluetooth adapter found");
const QString kAdapterOff = QStringLiteral("Bluetooth is switched off");

// On Linux an empty adapter list often means that bluetoothd is not running at all.
bool bluetoothServiceMissing()
{
#ifdef ZV_BLE_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::systemBus();
    return !bus.isConnected() || !bus.interface() ||
           !bus.interface()->isServiceRegistered(QStringLiteral("org.bluez")).value();
#else
    return false;
#endif
}
} // namespace

QtBleScanner::QtBleScanner(QObject* parent)
    : QObject(parent), m_agent(new QBluetoothDeviceDiscoveryAgent(this))
{
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
            &QtBleScanner::onDiscovered);
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::deviceUpdated, this,
            &QtBleScanner::onUpdated);
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::finished, this, &QtBleScanner::onFinished);
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::errorOccurred, this, &QtBleScanner::onError);
}

BleResult QtBleScanner::adapterCheck()
{
    const QList<QBluetoothHostInfo> hosts = QBluetoothLocalDevice::allDevices();
    if (hosts.isEmpty()) {
        if (bluetoothServiceMissing())
            return BleResult::failure(BleServiceNotRunning,
                                      QStringLiteral("the Bluetooth service is not running"));
        return BleResult::failure(BleNoAdapter, kNoAdapter);
    }
    QBluetoothLocalDevice local(hosts.first().address());
    if (!local.isValid())
        return BleResult::failure(BleNoAdapter, kNoAdapter);
    if (local.hostMode() == QBluetoothLocalDevice::HostPoweredOff)
        return BleResult::failure(BleAdapterOff, kAdapterOff);
    return BleResult::success();
}

BleResult QtBleScanner::resultOf(QBluetoothDeviceDiscoveryAgent::Error error, const QString& text)
{
    switch (error) {
    case QBluetoothDeviceDiscoveryAgent::NoError:
        return BleResult::success();
    case QBluetoothDeviceDiscoveryAgent::PoweredOffError:
        return BleResult::failure(BleAdapterOff, kAdapterOff);
    case QBluetoothDeviceDiscoveryAgent::InvalidBluetoothAdapterError:
        return BleResult::failure(BleNoAdapter, kNoAdapter);
    case QBluetoothDeviceDiscoveryAgent::MissingPermissionsError:
        return BleResult::failure(BleNoPermission,
                                  QStringLiteral("no permission to use Bluetooth"));
    default:
        return BleResult::failure(BleOperationFailed,
                                  QStringLiteral("scanning failed: %1").arg(text));
    }
}

BleResult QtBleScanner::start()
{
    if (const BleResult r = adapterCheck(); !r.ok())
        return r;
    m_wanted = true;
    m_starting = true;
    m_heard.clear();
    m_agent->setLowEnergyDiscoveryTimeout(m_periodMs);
    m_agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
    m_starting = false;
    const BleResult r = resultOf(m_agent->error(), m_agent->errorString());
    if (!r.ok())
        m_wanted = false;
    return r;
}

void QtBleScanner::stop()
{
    m_wanted = false;
    if (m_agent->isActive())
        m_agent->stop();
}

QString QtBleScanner::keyOf(const QBluetoothDeviceInfo& info)
{
    return info.address().isNull() ? info.deviceUuid().toString() : info.address().toString();
}

void QtBleScanner::onDiscovered(const QBluetoothDeviceInfo& info)
{
    if (info.rssi() != 0)
        m_heard.insert(keyOf(info));
    report(info);
}

void QtBleScanner::onUpdated(const QBluetoothDeviceInfo& info, QBluetoothDeviceInfo::Fields fields)
{
    if (fields.testFlag(QBluetoothDeviceInfo::Field::RSSI))
        m_heard.insert(keyOf(info));
    report(info);
}

void QtBleScanner::report(const QBluetoothDeviceInfo& info)
{
    if (m_wanted && m_heard.contains(keyOf(info)) &&
        (info.coreConfigurations() & QBluetoothDeviceInfo::LowEnergyCoreConfiguration))
        emit device(info);
}

void QtBleScanner::onFinished()
{
    if (!m_wanted)
        return;
    qCDebug(zvBle) << "scan period over, scanning on";
    // Restarting from inside finished() would re-enter the agent; start it from the event loop.
    QTimer::singleShot(0, this, [this] {
        if (!m_wanted || m_agent->isActive())
            return;
        m_agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
    });
}

void QtBleScanner::onError(QBluetoothDeviceDiscoveryAgent::Error error)
{
    qCDebug(zvBle) << "scan error" << error << m_agent->errorString();
    if (m_starting || !m_wanted)
        return; // start() reports it to its caller
    m_wanted = false;
    // The agent often names only the symptom; a missing or switched-off adapter is the cause a
    // technician can act on.
    BleResult r = adapterCheck();
    if (r.ok())
        r = resultOf(error, m_agent->errorString());
    emit failed(qint16(r.code), r.description);
}
