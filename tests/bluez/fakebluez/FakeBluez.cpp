#include "tests/bluez/fakebluez/FakeBluez.h"

#include "sim/SimGauge.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace
{
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
} // namespace

bool FakeBluez::start(QString& error)
{
    if (!m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath))
        error = QStringLiteral("cannot export objects: %1").arg(m_bus.lastError().message());
    else if (addAdapter(); !m_bus.registerService(QStringLiteral("org.bluez")))
        error = QStringLiteral("cannot own org.bluez: %1").arg(m_bus.lastError().message());
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
    else if (iface == kObjectManager && message.member() == QLatin1String("GetManagedObjects")) {
        FakeManagedObjects all;
        for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it)
            all.insert(QDBusObjectPath(it.key()), it.value());
        reply(message, {QVariant::fromValue(all)});
    } else if (iface == QLatin1String("com.zelvo.FakeBluez1"))
        handleControl(message);
    else if (known && iface == QLatin1String("org.bluez.Adapter1"))
        handleAdapter(message);
    else if (known && iface == QLatin1String("org.bluez.Device1"))
        handleDevice(message);
    else if (known && iface.startsWith(QLatin1String("org.bluez.Gatt")))
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
    if (object == m_objects.end() || !object->contains(iface))
        return;
    QVariantMap& props = (*object)[iface];
    if (!announceAlways && props.value(name) == value)
        return;
    props.insert(name, value);
    QDBusMessage signal =
        QDBusMessage::createSignal(path, kProperties, QStringLiteral("PropertiesChanged"));
    signal << iface << QVariantMap{{name, value}} << QStringList();
    m_bus.send(signal);
}

void FakeBluez::addObject(const QString& path, const FakeInterfaceList& interfaces)
{
    m_objects.insert(path, interfaces);
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager,
                                                     QStringLiteral("InterfacesAdded"));
    signal << QVariant::fromValue(QDBusObjectPath(path)) << QVariant::fromValue(interfaces);
    m_bus.send(signal);
}

// Removes path and every object below it, deepest first, announcing each.
void FakeBluez::removeTree(const QString& path)
{
    QStringList doomed;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it)
        if (it.key() == path || it.key().startsWith(path + QLatin1Char('/')))
            doomed.append(it.key());
    std::sort(doomed.begin(), doomed.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& p : std::as_const(doomed)) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager,
                                                         QStringLiteral("InterfacesRemoved"));
        signal << QVariant::fromValue(QDBusObjectPath(p)) << QStringList(m_objects.take(p).keys());
        m_bus.send(signal);
    }
}

void FakeBluez::handleProperties(const QDBusMessage& message)
{
    const QVariantList args = message.arguments();
    const QVariantMap props = m_objects.value(message.path()).value(args.value(0).toString());
    const QString name = args.value(1).toString();
    if (message.member() == QLatin1String("GetAll") && !props.isEmpty())
        reply(message, {props});
    else if (message.member() == QLatin1String("Get") && props.contains(name))
        reply(message, {QVariant::fromValue(QDBusVariant(props.value(name)))});
    else
        replyError(message, kInvalidArgs, QStringLiteral("no such interface or property"));
}

void FakeBluez::handleControl(const QDBusMessage& message)
{
    const QString member = message.member();
    const QVariant argument = message.arguments().value(0);
    if (member == QLatin1String("Transcript")) {
        QStringList lines;
        for (const QByteArray& c : m_gauge.transcript())
            lines.append(QString::fromLatin1(c));
        reply(message, {lines});
    } else if (member == QLatin1String("SetPowered")) {
        setPowered(argument.toBool());
        reply(message);
    } else if (member == QLatin1String("SendTrace")) {
        reply(message, {sendTrace(argument.toByteArray())});
    } else {
        replyError(message, kUnknownMethod, member);
    }
}

void FakeBluez::reply(const QDBusMessage& message, const QVariantList& arguments)
{
    m_bus.send(message.createReply(arguments));
}

void FakeBluez::replyError(const QDBusMessage& message, const QString& name, const QString& text)
{
    m_bus.send(message.createErrorReply(name, text));
}
