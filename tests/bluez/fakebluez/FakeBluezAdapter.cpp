#include "tests/bluez/fakebluez/FakeBluezAdapter.h"

#include "sim/SimGauge.h"
#include "tests/bluez/fakebluez/FakeBluezGatt.h"
#include "tests/bluez/fakebluez/FakeBluezTree.h"
#include "tests/bluez/fakebluez/FakeBluezTypes.h"

#include <algorithm>
#include <iterator>

using namespace FakeBluezNames;

namespace
{
const QString kAdapterAddress = QStringLiteral("00:1A:7D:DA:71:13");
const QString kOtherAddress = QStringLiteral("00:A0:C9:14:7E:21");
const QString kAbsentGaugeName = QStringLiteral("ZE-200");
const QString kGaugeServiceUuid = QStringLiteral("722383ea-0662-466f-b41f-0fd548267c10");
constexpr qint16 kGaugeRssi = -67;
constexpr qint16 kOtherRssi = -80;
constexpr int kRssiIntervalMs = 300;
constexpr int kAnnounceDelayMs = 10;
constexpr quint16 kGaugeCompanyId = 0x0059;

// "5A454C564F01" -> "5A:45:4C:56:4F:01"; anything else that is not 12 characters stays as is.
QString colonAddress(const QString& serverId)
{
    if (serverId.size() != 12)
        return serverId;
    QStringList pairs;
    for (int i = 0; i < serverId.size(); i += 2)
        pairs.append(serverId.mid(i, 2).toUpper());
    return pairs.join(QLatin1Char(':'));
}
} // namespace

FakeBluezAdapter::FakeBluezAdapter(FakeBluezTree& tree, FakeBluezGatt& gatt, SimGauge& gauge,
                                   const FakeBluezOptions& options, const QDBusConnection& bus)
    : m_tree(tree), m_gatt(gatt), m_options(options), m_bus(bus)
{
    m_devices.append({colonAddress(gauge.serverId()), gauge.name(), kGaugeRssi, true, true});
    m_devices.append({kOtherAddress, QStringLiteral("Headset"), kOtherRssi, false, true});
    m_rssiTimer.setInterval(kRssiIntervalMs);
    connect(&m_rssiTimer, &QTimer::timeout, this, &FakeBluezAdapter::moveRssi);
}

void FakeBluezAdapter::addAdapter()
{
    if (m_options.noAdapter)
        return;
    const QVariantMap props{{QStringLiteral("Address"), kAdapterAddress},
                            {QStringLiteral("AddressType"), QStringLiteral("public")},
                            {QStringLiteral("Name"), QStringLiteral("fakehci")},
                            {QStringLiteral("Alias"), QStringLiteral("fakehci")},
                            {QStringLiteral("Class"), quint32(0)},
                            {QStringLiteral("Powered"), !m_options.poweredOff},
                            {QStringLiteral("Discoverable"), false},
                            {QStringLiteral("DiscoverableTimeout"), quint32(180)},
                            {QStringLiteral("Pairable"), true},
                            {QStringLiteral("PairableTimeout"), quint32(0)},
                            {QStringLiteral("Discovering"), false},
                            {QStringLiteral("UUIDs"), QStringList()},
                            {QStringLiteral("Modalias"), QStringLiteral("usb:v1D6Bp0246d0542")}};
    m_tree.addObject(kAdapterPath, {{kAdapter, props}});
    addRemembered(m_options.remembered);
}

void FakeBluezAdapter::addRemembered(const QStringList& ids)
{
    for (const QString& id : ids) {
        const QString address = colonAddress(id);
        auto known = std::find_if(m_devices.cbegin(), m_devices.cend(),
                                  [&](const FakeDevice& d) { return d.address == address; });
        if (known == m_devices.cend()) {
            m_devices.append({address, kAbsentGaugeName, 0, false, false});
            known = std::prev(m_devices.cend());
        }
        addDevice(*known, false);
    }
}

bool FakeBluezAdapter::powered() const
{
    return m_tree.property(kAdapterPath, kAdapter, QStringLiteral("Powered")).toBool();
}

QString FakeBluezAdapter::pathOf(const FakeDevice& device) const
{
    return kAdapterPath + QStringLiteral("/dev_") + QString(device.address).replace(':', '_');
}

const FakeBluezAdapter::FakeDevice* FakeBluezAdapter::deviceAt(const QString& path) const
{
    for (const FakeDevice& d : m_devices)
        if (pathOf(d) == path)
            return &d;
    return nullptr;
}

bool FakeBluezAdapter::handle(const QDBusMessage& message)
{
    const QString member = message.member();
    if (message.interface() == kAdapter && m_tree.contains(message.path(), kAdapter)) {
        if (member == QLatin1String("StartDiscovery"))
            startDiscovery(message);
        else if (member == QLatin1String("StopDiscovery"))
            stopDiscovery(message);
        else if (member == QLatin1String("RemoveDevice"))
            removeDevice(message);
        else if (member == QLatin1String("GetDiscoveryFilters"))
            m_bus.send(message.createReply(QStringList{QStringLiteral("Transport")}));
        else // SetDiscoveryFilter and the rest are accepted as they come
            m_bus.send(message.createReply());
        return true;
    }
    if (message.interface() == kDevice && m_tree.contains(message.path(), kDevice)) {
        if (member == QLatin1String("Connect"))
            connectDevice(message);
        else if (member == QLatin1String("Disconnect"))
            disconnectDevice(message);
        else
            sendError(message, QStringLiteral("org.bluez.Error.NotSupported"),
                      QStringLiteral("not supported"));
        return true;
    }
    return false;
}

void FakeBluezAdapter::startDiscovery(const QDBusMessage& message)
{
    if (!powered()) {
        sendError(message, QStringLiteral("org.bluez.Error.NotReady"),
                  QStringLiteral("Resource Not Ready"));
        return;
    }
    m_bus.send(message.createReply());
    m_tree.setProperty(kAdapterPath, kAdapter, QStringLiteral("Discovering"), true);
    QTimer::singleShot(kAnnounceDelayMs, this, &FakeBluezAdapter::announceDevices);
    m_rssiTimer.start();
}

void FakeBluezAdapter::stopDiscovery(const QDBusMessage& message)
{
    m_rssiTimer.stop();
    m_bus.send(message.createReply());
    m_tree.setProperty(kAdapterPath, kAdapter, QStringLiteral("Discovering"), false);
}

void FakeBluezAdapter::announceDevices()
{
    if (!m_rssiTimer.isActive())
        return;
    for (const FakeDevice& d : std::as_const(m_devices)) {
        if (!d.inRange)
            continue;
        if (m_tree.contains(pathOf(d), kDevice)) // known already: the scan hears it now
            m_tree.setProperty(pathOf(d), kDevice, QStringLiteral("RSSI"),
                               QVariant::fromValue(d.rssi));
        else
            addDevice(d, true);
    }
}

void FakeBluezAdapter::addDevice(const FakeDevice& d, bool withRssi)
{
    FakeManufacturerData maker;
    maker.insert(kGaugeCompanyId, QDBusVariant(QByteArray::fromHex("5a45")));
    QVariantMap props{
        {QStringLiteral("Address"), d.address},
        {QStringLiteral("AddressType"), QStringLiteral("public")},
        {QStringLiteral("Name"), d.name},
        {QStringLiteral("Alias"), d.name},
        {QStringLiteral("Adapter"), QVariant::fromValue(QDBusObjectPath(kAdapterPath))},
        {QStringLiteral("Paired"), false},
        {QStringLiteral("Trusted"), false},
        {QStringLiteral("Blocked"), false},
        {QStringLiteral("LegacyPairing"), false},
        {QStringLiteral("Connected"), false},
        {QStringLiteral("ServicesResolved"), false},
        {QStringLiteral("UUIDs"), d.gauge ? QStringList{kGaugeServiceUuid} : QStringList()}};
    if (withRssi)
        props.insert(QStringLiteral("RSSI"), QVariant::fromValue(d.rssi));
    if (d.gauge)
        props.insert(QStringLiteral("ManufacturerData"), QVariant::fromValue(maker));
    m_tree.addObject(pathOf(d), {{kDevice, props}});
}

void FakeBluezAdapter::moveRssi()
{
    ++m_rssiStep;
    for (const FakeDevice& d : std::as_const(m_devices)) {
        if (d.inRange)
            m_tree.setProperty(pathOf(d), kDevice, QStringLiteral("RSSI"),
                               QVariant::fromValue(qint16(d.rssi - (m_rssiStep % 2))));
    }
}

void FakeBluezAdapter::connectDevice(const QDBusMessage& message)
{
    const FakeDevice* device = deviceAt(message.path());
    if (!powered()) {
        sendError(message, QStringLiteral("org.bluez.Error.NotReady"),
                  QStringLiteral("Resource Not Ready"));
        return;
    }
    if (!device || !device->gauge) {
        sendError(message, QStringLiteral("org.bluez.Error.Failed"),
                  QStringLiteral("le-connection-abort-by-local"));
        return;
    }
    const QString path = message.path();
    if (m_tree.property(path, kDevice, QStringLiteral("ServicesResolved")).toBool()) {
        m_bus.send(message.createReply());
        return;
    }
    m_tree.setProperty(path, kDevice, QStringLiteral("Connected"), true);
    if (m_options.neverResolve) {
        m_pendingConnect = message; // answered only by a Disconnect
        return;
    }
    m_gatt.addObjects(path);
    m_tree.setProperty(path, kDevice, QStringLiteral("ServicesResolved"), true);
    m_bus.send(message.createReply());
}

void FakeBluezAdapter::disconnectDevice(const QDBusMessage& message)
{
    if (m_options.ignoreDisconnect)
        return; // neither answered nor carried out
    if (deviceAt(message.path()) && deviceAt(message.path())->gauge)
        closeLink();
    m_bus.send(message.createReply());
}

void FakeBluezAdapter::dropLink()
{
    closeLink();
}

void FakeBluezAdapter::setPowered(bool on)
{
    if (!on) {
        m_rssiTimer.stop();
        closeLink();
        m_tree.setProperty(kAdapterPath, kAdapter, QStringLiteral("Discovering"), false);
    }
    m_tree.setProperty(kAdapterPath, kAdapter, QStringLiteral("Powered"), on);
}

void FakeBluezAdapter::closeLink()
{
    for (const FakeDevice& d : std::as_const(m_devices)) {
        if (!d.gauge)
            continue;
        const QString path = pathOf(d);
        m_tree.setProperty(path, kDevice, QStringLiteral("ServicesResolved"), false);
        m_gatt.removeObjects();
        m_tree.setProperty(path, kDevice, QStringLiteral("Connected"), false);
    }
    if (m_pendingConnect.type() == QDBusMessage::MethodCallMessage) {
        sendError(m_pendingConnect, QStringLiteral("org.bluez.Error.Failed"),
                  QStringLiteral("Operation canceled"));
        m_pendingConnect = QDBusMessage();
    }
}

void FakeBluezAdapter::removeDevice(const QDBusMessage& message)
{
    const QString path = qvariant_cast<QDBusObjectPath>(message.arguments().value(0)).path();
    if (const FakeDevice* d = deviceAt(path); d && d->gauge)
        closeLink();
    m_tree.removeTree(path);
    m_bus.send(message.createReply());
}

void FakeBluezAdapter::sendError(const QDBusMessage& message, const QString& name,
                                 const QString& text)
{
    m_bus.send(message.createErrorReply(name, text));
}
