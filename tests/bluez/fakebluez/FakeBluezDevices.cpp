// The adapter, its devices and the gauge's GATT objects of the fake bluetoothd.
#include "sim/SimGauge.h"
#include "tests/bluez/fakebluez/FakeBluez.h"

namespace
{
const QString kAdapterPath = QStringLiteral("/org/bluez/hci0");
const QString kAdapter = QStringLiteral("org.bluez.Adapter1");
const QString kDevice = QStringLiteral("org.bluez.Device1");
const QString kGattService = QStringLiteral("org.bluez.GattService1");
const QString kGattChar = QStringLiteral("org.bluez.GattCharacteristic1");
const QString kFailed = QStringLiteral("org.bluez.Error.Failed");
const QString kNotReady = QStringLiteral("org.bluez.Error.NotReady");
// bluetoothd hands out lower-case UUIDs.
const QString kGaugeService = QStringLiteral("722383ea-0662-466f-b41f-0fd548267c10");
const QString kCommandChar = QStringLiteral("000028ca-0000-1000-8000-00805f9b34fb");
const QString kTraceChar = QStringLiteral("ca28ed7b-0662-466f-b41f-0fd548267c10");
const QString kGenericAccess = QStringLiteral("00001800-0000-1000-8000-00805f9b34fb");
const QString kCccd = QStringLiteral("00002902-0000-1000-8000-00805f9b34fb");
constexpr qint16 kGaugeRssi = -67;
constexpr int kRssiIntervalMs = 300;

// "5A454C564F01" -> "5A:45:4C:56:4F:01"
QString colonAddress(const QString& serverId)
{
    QStringList pairs;
    for (int i = 0; i < serverId.size(); i += 2)
        pairs.append(serverId.mid(i, 2).toUpper());
    return pairs.join(QLatin1Char(':'));
}

QVariant path(const QString& p)
{
    return QVariant::fromValue(QDBusObjectPath(p));
}

FakeInterfaceList gattObject(const QString& iface, const QString& uuid, const QString& owner,
                             const QStringList& flags = {})
{
    const QString ownerKey = iface == QLatin1String("org.bluez.GattDescriptor1")
                                 ? QStringLiteral("Characteristic")
                                 : QStringLiteral("Service");
    QVariantMap props{{QStringLiteral("UUID"), uuid}, {ownerKey, path(owner)}};
    if (iface == kGattService)
        props = {{QStringLiteral("UUID"), uuid},
                 {QStringLiteral("Primary"), true},
                 {QStringLiteral("Device"), path(owner)}};
    else
        props.insert({{QStringLiteral("Value"), QByteArray()},
                      {QStringLiteral("Notifying"), false},
                      {QStringLiteral("Flags"), flags}});
    return {{iface, props}};
}
} // namespace

FakeBluez::FakeBluez(SimGauge& gauge, const FakeBluezOptions& options, const QDBusConnection& bus)
    : m_gauge(gauge), m_options(options), m_bus(bus)
{
    m_devices.append({colonAddress(gauge.serverId()), gauge.name(), kGaugeRssi, true, true});
    m_devices.append(
        {QStringLiteral("00:A0:C9:14:7E:21"), QStringLiteral("Kopfhörer ♪"), -80, false, true});
    m_rssiTimer.setInterval(kRssiIntervalMs);
    connect(&m_rssiTimer, &QTimer::timeout, this, &FakeBluez::moveRssi);
}

// A remembered device is known before any scan, without RSSI: the gauge then gets its RSSI once
// the scan hears it; any other address is a gauge that is out of range and never advertises.
void FakeBluez::addAdapter()
{
    if (m_options.noAdapter)
        return;
    addObject(kAdapterPath, {{kAdapter,
                              {{QStringLiteral("Address"), QStringLiteral("00:1A:7D:DA:71:13")},
                               {QStringLiteral("Name"), QStringLiteral("fakehci")},
                               {QStringLiteral("Alias"), QStringLiteral("fakehci")},
                               {QStringLiteral("Powered"), !m_options.poweredOff},
                               {QStringLiteral("Discoverable"), false},
                               {QStringLiteral("Discovering"), false}}}});
    for (const QString& id : std::as_const(m_options.remembered)) {
        const QString address = colonAddress(id);
        auto known = std::find_if(m_devices.cbegin(), m_devices.cend(),
                                  [&](const Device& d) { return d.address == address; });
        if (known == m_devices.cend())
            known = m_devices.insert(m_devices.cend(), {address, "ZE-200", 0, true, false});
        addDevice(*known, false);
    }
}

void FakeBluez::addDevice(const Device& d, bool withRssi)
{
    QVariantMap props{
        {QStringLiteral("Address"), d.address},
        {QStringLiteral("Name"), d.name},
        {QStringLiteral("Alias"), d.name},
        {QStringLiteral("Adapter"), path(kAdapterPath)},
        {QStringLiteral("Paired"), false},
        {QStringLiteral("Connected"), false},
        {QStringLiteral("ServicesResolved"), false},
        {QStringLiteral("UUIDs"), d.gauge ? QStringList{kGaugeService} : QStringList()}};
    if (withRssi)
        props.insert(QStringLiteral("RSSI"), QVariant::fromValue(d.rssi));
    if (d.gauge)
        props.insert(QStringLiteral("ManufacturerData"),
                     QVariant::fromValue(FakeManufacturerData{
                         {quint16(0x0059), QDBusVariant(QByteArray::fromHex("5a45"))}}));
    addObject(pathOf(d), {{kDevice, props}});
}

void FakeBluez::handleAdapter(const QDBusMessage& message)
{
    const QString member = message.member();
    if (member == QLatin1String("StartDiscovery")) {
        startDiscovery(message);
        return;
    }
    if (member == QLatin1String("StopDiscovery")) {
        m_rssiTimer.stop();
        setProperty(kAdapterPath, kAdapter, QStringLiteral("Discovering"), false);
    } else if (member == QLatin1String("RemoveDevice")) {
        const QString device = qvariant_cast<QDBusObjectPath>(message.arguments().value(0)).path();
        if (device == m_gattPath)
            closeLink();
        removeTree(device);
    } // SetDiscoveryFilter and the rest are accepted as they come
    reply(message);
}

void FakeBluez::startDiscovery(const QDBusMessage& message)
{
    if (!powered())
        return replyError(message, kNotReady, QStringLiteral("Resource Not Ready"));
    reply(message);
    setProperty(kAdapterPath, kAdapter, QStringLiteral("Discovering"), true);
    QTimer::singleShot(10, this, &FakeBluez::announceDevices);
    m_rssiTimer.start();
}

// The scan hears every device in range: a known one gets its RSSI, a new one appears.
void FakeBluez::announceDevices()
{
    if (!m_rssiTimer.isActive())
        return;
    for (const Device& d : std::as_const(m_devices)) {
        if (!d.inRange)
            continue;
        if (m_objects.contains(pathOf(d)))
            setProperty(pathOf(d), kDevice, QStringLiteral("RSSI"), QVariant::fromValue(d.rssi));
        else
            addDevice(d, true);
    }
}

void FakeBluez::moveRssi()
{
    ++m_rssiStep;
    for (const Device& d : std::as_const(m_devices))
        if (d.inRange)
            setProperty(pathOf(d), kDevice, QStringLiteral("RSSI"),
                        QVariant::fromValue(qint16(d.rssi - m_rssiStep % 2)));
}

// Switching off ends the link and the scan first.
void FakeBluez::setPowered(bool on)
{
    if (!on) {
        m_rssiTimer.stop();
        closeLink();
        setProperty(kAdapterPath, kAdapter, QStringLiteral("Discovering"), false);
    }
    setProperty(kAdapterPath, kAdapter, QStringLiteral("Powered"), on);
}

void FakeBluez::handleDevice(const QDBusMessage& message)
{
    if (message.member() == QLatin1String("Connect")) {
        connectDevice(message);
    } else if (message.member() == QLatin1String("Disconnect")) {
        if (m_options.ignoreDisconnect)
            return; // neither answered nor carried out
        closeLink();
        reply(message);
    } else {
        replyError(message, QStringLiteral("org.bluez.Error.NotSupported"), message.member());
    }
}

// In bluetoothd's order: Connected, the GATT objects, ServicesResolved, then the reply.
void FakeBluez::connectDevice(const QDBusMessage& message)
{
    const Device* device = deviceAt(message.path());
    if (!powered())
        return replyError(message, kNotReady, QStringLiteral("Resource Not Ready"));
    if (!device->gauge || !device->inRange)
        return replyError(message, kFailed, QStringLiteral("le-connection-abort-by-local"));
    if (m_gattPath.isEmpty()) {
        setProperty(message.path(), kDevice, QStringLiteral("Connected"), true);
        m_gattPath = message.path();
        if (m_options.neverResolve) {
            m_pendingConnect = message; // answered only by a Disconnect
            return;
        }
        addGatt(m_gattPath);
        setProperty(m_gattPath, kDevice, QStringLiteral("ServicesResolved"), true);
    }
    reply(message);
}

void FakeBluez::addGatt(const QString& device)
{
    const QString gap = device + QStringLiteral("/service0001");
    const QString service = device + QStringLiteral("/service000a");
    const QStringList readWrite{QStringLiteral("read"), QStringLiteral("write"),
                                QStringLiteral("write-without-response")};
    m_commandValue.clear();
    addObject(gap, gattObject(kGattService, kGenericAccess, device));
    addObject(service, gattObject(kGattService, kGaugeService, device));
    if (!m_options.noCommandChar)
        addObject(service + "/char000b", gattObject(kGattChar, kCommandChar, service, readWrite));
    addObject(service + "/char000d",
              gattObject(kGattChar, kTraceChar, service, readWrite + QStringList{"notify"}));
    addObject(service + "/char000d/desc000f",
              gattObject("org.bluez.GattDescriptor1", kCccd, service + "/char000d", readWrite));
}

void FakeBluez::closeLink()
{
    if (m_gattPath.isEmpty())
        return;
    setProperty(m_gattPath, kDevice, QStringLiteral("ServicesResolved"), false);
    removeTree(m_gattPath + QStringLiteral("/service0001"));
    removeTree(m_gattPath + QStringLiteral("/service000a"));
    setProperty(m_gattPath, kDevice, QStringLiteral("Connected"), false);
    m_gattPath.clear();
    if (m_pendingConnect.type() == QDBusMessage::MethodCallMessage)
        replyError(m_pendingConnect, kFailed, QStringLiteral("Operation canceled"));
    m_pendingConnect = QDBusMessage();
}
