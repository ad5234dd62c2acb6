#include "tests/bluez/fakebluez/FakeBluezGatt.h"

#include "sim/SimGauge.h"
#include "tests/bluez/fakebluez/FakeBluezTree.h"
#include "tests/bluez/fakebluez/FakeBluezTypes.h"

using namespace FakeBluezNames;

namespace
{
const QString kGenericAccessUuid = QStringLiteral("00001800-0000-1000-8000-00805f9b34fb");
const QString kDeviceNameUuid = QStringLiteral("00002a00-0000-1000-8000-00805f9b34fb");
const QString kGaugeServiceUuid = QStringLiteral("722383ea-0662-466f-b41f-0fd548267c10");
const QString kCommandUuid = QStringLiteral("000028ca-0000-1000-8000-00805f9b34fb");
const QString kTraceUuid = QStringLiteral("ca28ed7b-0662-466f-b41f-0fd548267c10");
const QString kCccdUuid = QStringLiteral("00002902-0000-1000-8000-00805f9b34fb");
const QString kErrorFailed = QStringLiteral("org.bluez.Error.Failed");
const QString kErrorNotSupported = QStringLiteral("org.bluez.Error.NotSupported");
constexpr int kTraceIntervalMs = 500;

QVariantMap serviceProps(const QString& uuid, const QString& devicePath)
{
    return {{QStringLiteral("UUID"), uuid},
            {QStringLiteral("Primary"), true},
            {QStringLiteral("Device"), QVariant::fromValue(QDBusObjectPath(devicePath))},
            {QStringLiteral("Includes"), QVariant::fromValue(QList<QDBusObjectPath>())}};
}

QVariantMap charProps(const QString& uuid, const QString& servicePath, const QStringList& flags)
{
    return {{QStringLiteral("UUID"), uuid},
            {QStringLiteral("Service"), QVariant::fromValue(QDBusObjectPath(servicePath))},
            {QStringLiteral("Value"), QByteArray()},
            {QStringLiteral("Notifying"), false},
            {QStringLiteral("Flags"), flags}};
}

QVariantMap descProps(const QString& uuid, const QString& charPath)
{
    return {
        {QStringLiteral("UUID"), uuid},
        {QStringLiteral("Characteristic"), QVariant::fromValue(QDBusObjectPath(charPath))},
        {QStringLiteral("Value"), QByteArray()},
        {QStringLiteral("Flags"), QStringList{QStringLiteral("read"), QStringLiteral("write")}}};
}
} // namespace

FakeBluezGatt::FakeBluezGatt(FakeBluezTree& tree, SimGauge& gauge, const FakeBluezOptions& options,
                             const QDBusConnection& bus)
    : m_tree(tree), m_gauge(gauge), m_options(options), m_bus(bus)
{
    m_traceTimer.setInterval(kTraceIntervalMs);
    connect(&m_traceTimer, &QTimer::timeout, this,
            [this] { sendTrace("$trace?" + QByteArray::number(++m_traceCount) + "!"); });
}

void FakeBluezGatt::addObjects(const QString& devicePath)
{
    ++m_linkGeneration;
    m_devicePath = devicePath;
    m_commandValue.clear();
    const QString gap = devicePath + QStringLiteral("/service0001");
    m_tree.addObject(gap, {{kGattService, serviceProps(kGenericAccessUuid, devicePath)}});
    m_tree.addObject(gap + QStringLiteral("/char0002"),
                     {{kGattChar, charProps(kDeviceNameUuid, gap, {QStringLiteral("read")})}});
    const QString service = devicePath + QStringLiteral("/service000a");
    m_tree.addObject(service, {{kGattService, serviceProps(kGaugeServiceUuid, devicePath)}});
    m_commandPath = service + QStringLiteral("/char000b");
    if (!m_options.noCommandChar)
        m_tree.addObject(m_commandPath,
                         {{kGattChar, charProps(kCommandUuid, service,
                                                {QStringLiteral("read"), QStringLiteral("write"),
                                                 QStringLiteral("write-without-response")})}});
    m_tracePath = service + QStringLiteral("/char000d");
    m_tree.addObject(m_tracePath,
                     {{kGattChar, charProps(kTraceUuid, service,
                                            {QStringLiteral("read"), QStringLiteral("notify")})}});
    m_tree.addObject(m_tracePath + QStringLiteral("/desc000f"),
                     {{kGattDesc, descProps(kCccdUuid, m_tracePath)}});
}

void FakeBluezGatt::removeObjects()
{
    ++m_linkGeneration;
    m_traceTimer.stop();
    if (m_devicePath.isEmpty())
        return;
    m_tree.removeTree(m_devicePath + QStringLiteral("/service0001"));
    m_tree.removeTree(m_devicePath + QStringLiteral("/service000a"));
    m_devicePath.clear();
}

bool FakeBluezGatt::handle(const QDBusMessage& message)
{
    const QString iface = message.interface();
    if (iface != kGattChar && iface != kGattDesc)
        return false;
    if (!m_tree.contains(message.path(), iface)) {
        sendError(message, QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                  QStringLiteral("no such attribute"));
        return true;
    }
    const QString member = message.member();
    if (member == QLatin1String("WriteValue"))
        writeValue(message);
    else if (member == QLatin1String("ReadValue"))
        readValue(message);
    else if (member == QLatin1String("StartNotify") && iface == kGattChar)
        startNotify(message, true);
    else if (member == QLatin1String("StopNotify") && iface == kGattChar)
        startNotify(message, false);
    else
        sendError(message, kErrorNotSupported, QStringLiteral("not supported"));
    return true;
}

void FakeBluezGatt::writeValue(const QDBusMessage& message)
{
    const QByteArray value = message.arguments().value(0).toByteArray();
    if (message.path() != m_commandPath) {
        m_tree.setProperty(message.path(), message.interface(), QStringLiteral("Value"), value);
        m_bus.send(message.createReply());
        return;
    }
    const SimReply reply = m_gauge.handleCommand(value);
    if (reply.dropLink) {
        if (onLinkDropped)
            onLinkDropped();
        sendError(message, kErrorFailed, QStringLiteral("Not connected"));
        return;
    }
    m_commandValue = reply.value;
    afterOperation([this, message] { m_bus.send(message.createReply()); });
}

void FakeBluezGatt::readValue(const QDBusMessage& message)
{
    if (message.path() == m_commandPath) {
        const QByteArray value = m_commandValue;
        afterOperation([this, message, value] {
            replyLater(message, value, m_options.replyDelayMs);
        });
        return;
    }
    const QByteArray value =
        m_tree.property(message.path(), message.interface(), QStringLiteral("Value")).toByteArray();
    m_bus.send(message.createReply(QVariant(value)));
}

void FakeBluezGatt::replyLater(const QDBusMessage& message, const QByteArray& value, int delayMs)
{
    if (delayMs <= 0) {
        m_bus.send(message.createReply(QVariant(value)));
        return;
    }
    const quint64 generation = m_linkGeneration;
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this, message, value, generation] {
        if (generation != m_linkGeneration)
            sendError(message, kErrorFailed, QStringLiteral("Not connected"));
        else
            m_bus.send(message.createReply(QVariant(value)));
    });
}

void FakeBluezGatt::afterOperation(std::function<void()> what)
{
    if (m_options.opDelayUs <= 0) {
        what();
        return;
    }
    if (!m_clock.isValid())
        m_clock.start();
    const qint64 wantUs = qMax<qint64>(0, m_options.opDelayUs - m_lateUs);
    const qint64 startUs = m_clock.nsecsElapsed() / 1000;
    QTimer::singleShot(int((wantUs + 500) / 1000), Qt::PreciseTimer, this,
                       [this, what = std::move(what), wantUs, startUs] {
                           m_lateUs = m_clock.nsecsElapsed() / 1000 - startUs - wantUs;
                           what();
                       });
}

void FakeBluezGatt::startNotify(const QDBusMessage& message, bool on)
{
    const bool canNotify = m_tree.property(message.path(), kGattChar, QStringLiteral("Flags"))
                               .toStringList()
                               .contains(QStringLiteral("notify"));
    if (!canNotify) {
        sendError(message, kErrorNotSupported, QStringLiteral("Operation is not supported"));
        return;
    }
    m_tree.setProperty(message.path(), kGattChar, QStringLiteral("Notifying"), on);
    m_bus.send(message.createReply());
    if (on && message.path() == m_tracePath) {
        QTimer::singleShot(20, this, [this] { sendTrace("$trace?0!"); });
        m_traceTimer.start();
    } else if (!on) {
        m_traceTimer.stop();
    }
}

bool FakeBluezGatt::sendTrace(const QByteArray& value)
{
    if (m_devicePath.isEmpty() ||
        !m_tree.property(m_tracePath, kGattChar, QStringLiteral("Notifying")).toBool())
        return false;
    // Every notification is announced, even one equal to the last.
    m_tree.setProperty(m_tracePath, kGattChar, QStringLiteral("Value"), value, true);
    return true;
}

void FakeBluezGatt::sendError(const QDBusMessage& message, const QString& name, const QString& text)
{
    m_bus.send(message.createErrorReply(name, text));
}
