#include "tests/bluez/fakebluez/FakeBluez.h"

#include "sim/SimGauge.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace
{
const QString kProperties = "org.freedesktop.DBus.Properties";
const QString kObjectManager = "org.freedesktop.DBus.ObjectManager";
const QString kUnknownMethod = "org.freedesktop.DBus.Error.UnknownMethod";
const QString kGattChar = "org.bluez.GattCharacteristic1";
} // namespace

bool FakeBluez::start(QString& error)
{
    if (!m_bus.registerVirtualObject("/", this, QDBusConnection::SubPath))
        error = "cannot export objects: " + m_bus.lastError().message();
    else if (addAdapter(); !m_bus.registerService("org.bluez"))
        error = "cannot own org.bluez: " + m_bus.lastError().message();
    return error.isEmpty();
}

bool FakeBluez::dumpFiles(const QString& dir) const
{
    const QMap<QString, QByteArray> files = m_gauge.files();
    bool ok = QDir().mkpath(dir);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(QDir(dir).filePath(it.key()));
        ok = file.open(QIODevice::WriteOnly) &&
             file.write(it.value().toHex().toUpper() + "\r\n") >= 0 && ok;
    }
    return ok;
}

bool FakeBluez::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    const QString iface = message.interface();
    const bool known = m_objects.value(message.path()).contains(iface);
    if (iface == kProperties)
        handleProperties(message);
    else if (iface == kObjectManager && message.member() == "GetManagedObjects") {
        FakeManagedObjects all;
        for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it)
            all.insert(QDBusObjectPath(it.key()), it.value());
        reply(message, {QVariant::fromValue(all)});
    } else if (iface == "com.zelvo.FakeBluez1")
        handleControl(message);
    else if (known && iface == "org.bluez.Adapter1")
        handleAdapter(message);
    else if (known && iface == "org.bluez.Device1")
        handleDevice(message);
    else if (known && iface.startsWith("org.bluez.Gatt"))
        handleGatt(message);
    else
        replyError(message, kUnknownMethod, iface + '.' + message.member());
    return true;
}

QVariant FakeBluez::property(const QString& path, const QString& iface, const QString& name) const
{
    return m_objects.value(path).value(iface).value(name);
}

// Announces the change (PropertiesChanged) if the value changed, or always for notifications.
void FakeBluez::setProperty(const QString& path, const QString& iface, const QString& name,
                            const QVariant& value, bool announceAlways)
{
    auto object = m_objects.find(path);
    if (object == m_objects.end() || !object->contains(iface) ||
        (!announceAlways && (*object)[iface].value(name) == value))
        return;
    (*object)[iface].insert(name, value);
    QDBusMessage signal = QDBusMessage::createSignal(path, kProperties, "PropertiesChanged");
    signal << iface << QVariantMap{{name, value}} << QStringList();
    m_bus.send(signal);
}

void FakeBluez::addObject(const QString& path, const FakeInterfaceList& interfaces)
{
    m_objects.insert(path, interfaces);
    QDBusMessage signal = QDBusMessage::createSignal("/", kObjectManager, "InterfacesAdded");
    signal << QVariant::fromValue(QDBusObjectPath(path)) << QVariant::fromValue(interfaces);
    m_bus.send(signal);
}

// Removes path and every object below it, deepest first, announcing each.
void FakeBluez::removeTree(const QString& path)
{
    QStringList doomed = m_objects.keys().filter(
        QRegularExpression('^' + QRegularExpression::escape(path) + "(/|$)"));
    std::sort(doomed.begin(), doomed.end(), [](auto& a, auto& b) { return a.size() > b.size(); });
    for (const QString& p : std::as_const(doomed)) {
        QDBusMessage signal = QDBusMessage::createSignal("/", kObjectManager, "InterfacesRemoved");
        signal << QVariant::fromValue(QDBusObjectPath(p)) << QStringList(m_objects.take(p).keys());
        m_bus.send(signal);
    }
}

void FakeBluez::handleProperties(const QDBusMessage& message)
{
    const QVariantList args = message.arguments();
    const QVariantMap props = m_objects.value(message.path()).value(args.value(0).toString());
    const QString name = args.value(1).toString();
    if (message.member() == "GetAll" && !props.isEmpty())
        reply(message, {props});
    else if (message.member() == "Get" && props.contains(name))
        reply(message, {QVariant::fromValue(QDBusVariant(props.value(name)))});
    else
        replyError(message, "org.freedesktop.DBus.Error.InvalidArgs", "no such property");
}

void FakeBluez::handleControl(const QDBusMessage& message)
{
    const QString member = message.member();
    const QVariant argument = message.arguments().value(0);
    const QString trace = m_gattPath + "/service000a/char000d";
    if (member == "Transcript") {
        QStringList lines;
        for (const QByteArray& c : m_gauge.transcript())
            lines.append(QString::fromLatin1(c));
        reply(message, {lines});
    } else if (member == "SetPowered") {
        setPowered(argument.toBool());
        reply(message);
    } else if (member == "SendTrace") { // a notification, announced even if equal to the last
        const bool on = property(trace, kGattChar, "Notifying").toBool();
        if (on)
            setProperty(trace, kGattChar, "Value", argument.toByteArray(), true);
        reply(message, {on});
    } else {
        replyError(message, kUnknownMethod, member);
    }
}

void FakeBluez::handleGatt(const QDBusMessage& message)
{
    const QString member = message.member();
    const QByteArray value = message.arguments().value(0).toByteArray();
    if (message.path().endsWith("/char000b") && member.endsWith("Value")) {
        commandValue(message);
    } else if (member == "WriteValue") {
        setProperty(message.path(), message.interface(), "Value", value);
        reply(message);
    } else if (member == "ReadValue") {
        reply(message, {property(message.path(), message.interface(), "Value")});
    } else if (member.endsWith("Notify") && message.interface() == kGattChar) {
        setProperty(message.path(), kGattChar, "Notifying", member.startsWith("Start"));
        reply(message);
    } else {
        replyError(message, "org.bluez.Error.NotSupported", member);
    }
}

// A write of the command characteristic goes to the gauge; a read gives its last reply.
void FakeBluez::commandValue(const QDBusMessage& message)
{
    if (message.member() == "ReadValue")
        return afterOperation([this, message, v = m_commandValue] { reply(message, {v}); });
    const SimReply answer = m_gauge.handleCommand(message.arguments().value(0).toByteArray());
    if (answer.dropLink) {
        closeLink();
        return replyError(message, "org.bluez.Error.Failed", "Not connected");
    }
    m_commandValue = answer.value;
    afterOperation([this, message] { reply(message); });
}

void FakeBluez::afterOperation(std::function<void()> what)
{
    if (m_options.opDelayUs <= 0)
        return what();
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

void FakeBluez::reply(const QDBusMessage& message, const QVariantList& arguments)
{
    m_bus.send(message.createReply(arguments));
}

void FakeBluez::replyError(const QDBusMessage& message, const QString& name, const QString& text)
{
    m_bus.send(message.createErrorReply(name, text));
}
