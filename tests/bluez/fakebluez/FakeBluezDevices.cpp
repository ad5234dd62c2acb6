// The adapter, its devices and the gauge's GATT objects of the fake bluetoothd.
#include "sim/SimGauge.h"
#include "tests/bluez/fakebluez/FakeBluez.h"

namespace
{
const QString kAdapterPath = "/org/bluez/hci0";
const QString kAdapter = "org.bluez.Adapter1";
const QString kDevice = "org.bluez.Device1";
const QString kGattService = "org.bluez.GattService1";
const QString kGattChar = "org.bluez.GattCharacteristic1";
const QString kFailed = "org.bluez.Error.Failed";
const QString kNotReady = "org.bluez.Error.NotReady";
// bluetoothd hands out lower-case UUIDs.
const QString kGaugeService = "722383ea-0662-466f-b41f-0fd548267c10";
const QString kCommandChar = "000028ca-0000-1000-8000-00805f9b34fb";
const QString kTraceChar = "ca28ed7b-0662-466f-b41f-0fd548267c10";
const QString kGenericAccess = "00001800-0000-1000-8000-00805f9b34fb";
const QString kCccd = "00002902-0000-1000-8000-00805f9b34fb";

// "5A454C564F01" -> "5A:45:4C:56:4F:01"
QString colonAddress(const QString& serverId)
{
    QStringList pairs;
    for (int i = 0; i < serverId.size(); i += 2)
        pairs.append(serverId.mid(i, 2).toUpper());
    return pairs.join(':');
}

QVariant path(const QString& p)
{
    return QVariant::fromValue(QDBusObjectPath(p));
}

// One interface of an object from name, value, name, value...
FakeInterfaceList object(const QString& iface, const QVariantList& nameValues)
{
    QVariantMap props;
    for (qsizetype i = 0; i + 1 < nameValues.size(); i += 2)
        props.insert(nameValues[i].toString(), nameValues[i + 1]);
    return {{iface, props}};
}

FakeInterfaceList gattObject(const QString& iface, const QString& uuid, const QString& owner,
                             const QStringList& flags = {})
{
    if (iface == kGattService)
        return object(iface, {"UUID", uuid, "Primary", true, "Device", path(owner)});
    return object(iface, {"UUID", uuid, iface == kGattChar ? "Service" : "Characteristic",
                          path(owner), "Value", QByteArray(), "Notifying", false, "Flags", flags});
}
} // namespace

FakeBluez::FakeBluez(SimGauge& gauge, const FakeBluezOptions& options, const QDBusConnection& bus)
    : m_gauge(gauge), m_options(options), m_bus(bus)
{
    m_devices = {{colonAddress(gauge.serverId()), gauge.name(), -67, true},
                 {"00:A0:C9:14:7E:21", "Kopfhörer ♪", -80, false}};
    m_scanTimer.setInterval(300);
    connect(&m_scanTimer, &QTimer::timeout, this, &FakeBluez::hearDevices);
}

// A remembered device is known before any scan, without RSSI: the gauge then gets its RSSI once
// the scan hears it; any other address is a gauge that is out of range and never advertises.
void FakeBluez::addAdapter()
{
    if (m_options.noAdapter)
        return;
    addObject(kAdapterPath, object(kAdapter, {"Address", "00:1A:7D:DA:71:13", "Name", "fakehci",
                                              "Alias", "fakehci", "Powered", !m_options.poweredOff,
                                              "Discoverable", false, "Discovering", false}));
    for (const QString& id : std::as_const(m_options.remembered)) {
        auto known = std::find_if(m_devices.cbegin(), m_devices.cend(),
                                  [&](auto& d) { return d.address == colonAddress(id); });
        if (known == m_devices.cend())
            known = m_devices.insert(m_devices.cend(), {colonAddress(id), "ZE-200", 0, true});
        addDevice(*known, false);
    }
}

void FakeBluez::addDevice(const Device& d, bool withRssi)
{
    const QStringList uuids = d.gauge ? QStringList{kGaugeService} : QStringList();
    FakeInterfaceList device =
        object(kDevice, {"Address", d.address, "Name", d.name, "Alias", d.name, "Adapter",
                         path(kAdapterPath), "Paired", false, "Connected", false,
                         "ServicesResolved", false, "UUIDs", uuids});
    if (withRssi)
        device[kDevice].insert("RSSI", QVariant::fromValue(d.rssi));
    if (d.gauge)
        device[kDevice].insert("ManufacturerData", QVariant::fromValue(FakeManufacturerData{
                                                       {0x0059, QDBusVariant(QByteArray("ZE"))}}));
    addObject(pathOf(d), device);
}

void FakeBluez::handleAdapter(const QDBusMessage& message)
{
    const QString member = message.member();
    if (member == "StartDiscovery") {
        if (!property(kAdapterPath, kAdapter, "Powered").toBool())
            return replyError(message, kNotReady, "Resource Not Ready");
        reply(message);
        setProperty(kAdapterPath, kAdapter, "Discovering", true);
        m_scanTimer.start();
        return QTimer::singleShot(10, this, &FakeBluez::hearDevices);
    }
    if (member == "StopDiscovery") {
        m_scanTimer.stop();
        setProperty(kAdapterPath, kAdapter, "Discovering", false);
    } else if (member == "RemoveDevice") {
        const QString device = qvariant_cast<QDBusObjectPath>(message.arguments().value(0)).path();
        if (device == m_gattPath)
            closeLink();
        removeTree(device);
    } // SetDiscoveryFilter and the rest are accepted as they come
    reply(message);
}

// The scan hears every device in range: a new one appears, a known one gets its RSSI, which
// moves by one on every other round.
void FakeBluez::hearDevices()
{
    if (!m_scanTimer.isActive())
        return;
    const int shift = m_rssiStep++ % 2;
    for (const Device& d : std::as_const(m_devices)) {
        if (d.rssi == 0)
            continue;
        if (m_objects.contains(pathOf(d)))
            setProperty(pathOf(d), kDevice, "RSSI", QVariant::fromValue(qint16(d.rssi - shift)));
        else
            addDevice(d, true);
    }
}

// Switching off ends the link and the scan first.
void FakeBluez::setPowered(bool on)
{
    if (!on) {
        m_scanTimer.stop();
        closeLink();
        setProperty(kAdapterPath, kAdapter, "Discovering", false);
    }
    setProperty(kAdapterPath, kAdapter, "Powered", on);
}

void FakeBluez::handleDevice(const QDBusMessage& message)
{
    if (message.member() == "Connect") {
        connectDevice(message);
    } else if (message.member() == "Disconnect") {
        if (m_options.ignoreDisconnect)
            return; // neither answered nor carried out
        closeLink();
        reply(message);
    } else {
        replyError(message, "org.bluez.Error.NotSupported", message.member());
    }
}

// In bluetoothd's order: Connected, the GATT objects, ServicesResolved, then the reply.
void FakeBluez::connectDevice(const QDBusMessage& message)
{
    auto device = std::find_if(m_devices.cbegin(), m_devices.cend(),
                               [&](auto& d) { return pathOf(d) == message.path(); });
    if (!property(kAdapterPath, kAdapter, "Powered").toBool())
        return replyError(message, kNotReady, "Resource Not Ready");
    if (!device->gauge || device->rssi == 0)
        return replyError(message, kFailed, "le-connection-abort-by-local");
    if (m_gattPath.isEmpty()) {
        setProperty(message.path(), kDevice, "Connected", true);
        m_gattPath = message.path();
        if (m_options.neverResolve) {
            m_pendingConnect = message; // answered only by a Disconnect
            return;
        }
        addGatt();
        setProperty(m_gattPath, kDevice, "ServicesResolved", true);
    }
    reply(message);
}

void FakeBluez::addGatt()
{
    const QString service = m_gattPath + "/service000a", trace = service + "/char000d";
    const QStringList rw{"read", "write", "write-without-response"};
    m_commandValue.clear();
    addObject(m_gattPath + "/service0001", gattObject(kGattService, kGenericAccess, m_gattPath));
    addObject(service, gattObject(kGattService, kGaugeService, m_gattPath));
    if (!m_options.noCommandChar)
        addObject(service + "/char000b", gattObject(kGattChar, kCommandChar, service, rw));
    addObject(trace, gattObject(kGattChar, kTraceChar, service, rw + QStringList{"notify"}));
    addObject(trace + "/desc000f", gattObject("org.bluez.GattDescriptor1", kCccd, trace, rw));
}

void FakeBluez::closeLink()
{
    if (m_gattPath.isEmpty())
        return;
    setProperty(m_gattPath, kDevice, "ServicesResolved", false);
    removeTree(m_gattPath + "/service0001");
    removeTree(m_gattPath + "/service000a");
    setProperty(m_gattPath, kDevice, "Connected", false);
    m_gattPath.clear();
    if (m_pendingConnect.type() == QDBusMessage::MethodCallMessage)
        replyError(m_pendingConnect, kFailed, "Operation canceled");
    m_pendingConnect = QDBusMessage();
}

QString FakeBluez::pathOf(const Device& device) const
{
    return kAdapterPath + "/dev_" + QString(device.address).replace(':', '_');
}
