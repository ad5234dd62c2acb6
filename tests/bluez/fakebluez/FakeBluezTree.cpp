#include "tests/bluez/fakebluez/FakeBluezTree.h"

#include <QDBusMessage>
#include <algorithm>

using namespace FakeBluezNames;

bool FakeBluezTree::contains(const QString& path, const QString& interface) const
{
    return m_objects.value(path).contains(interface);
}

QVariant FakeBluezTree::property(const QString& path, const QString& interface,
                                 const QString& name) const
{
    return m_objects.value(path).value(interface).value(name);
}

QVariantMap FakeBluezTree::properties(const QString& path, const QString& interface) const
{
    return m_objects.value(path).value(interface);
}

void FakeBluezTree::setProperty(const QString& path, const QString& interface, const QString& name,
                                const QVariant& value, bool announceAlways)
{
    auto object = m_objects.find(path);
    if (object == m_objects.end() || !object->contains(interface))
        return;
    QVariantMap& props = (*object)[interface];
    if (!announceAlways && props.contains(name) && props.value(name) == value)
        return;
    props.insert(name, value);
    QDBusMessage signal =
        QDBusMessage::createSignal(path, kProperties, QStringLiteral("PropertiesChanged"));
    signal << interface << QVariantMap{{name, value}} << QStringList();
    m_bus.send(signal);
}

void FakeBluezTree::addObject(const QString& path, const FakeInterfaceList& interfaces)
{
    m_objects.insert(path, interfaces);
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager,
                                                     QStringLiteral("InterfacesAdded"));
    signal << QVariant::fromValue(QDBusObjectPath(path)) << QVariant::fromValue(interfaces);
    m_bus.send(signal);
}

void FakeBluezTree::removeTree(const QString& path)
{
    QStringList doomed;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it)
        if (it.key() == path || it.key().startsWith(path + QLatin1Char('/')))
            doomed.append(it.key());
    // Deepest first: descriptors, then characteristics, then services.
    std::sort(doomed.begin(), doomed.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& p : std::as_const(doomed)) {
        const QStringList interfaces = m_objects.take(p).keys();
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager,
                                                         QStringLiteral("InterfacesRemoved"));
        signal << QVariant::fromValue(QDBusObjectPath(p)) << interfaces;
        m_bus.send(signal);
    }
}

FakeManagedObjects FakeBluezTree::managedObjects() const
{
    FakeManagedObjects all;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it)
        all.insert(QDBusObjectPath(it.key()), it.value());
    return all;
}

QStringList FakeBluezTree::childNames(const QString& path) const
{
    const QString prefix = path == QLatin1String("/") ? path : path + QLatin1Char('/');
    QStringList names;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it) {
        if (!it.key().startsWith(prefix) || it.key() == path)
            continue;
        const QString child = it.key().mid(prefix.size()).section(QLatin1Char('/'), 0, 0);
        if (!child.isEmpty() && !names.contains(child))
            names.append(child);
    }
    return names;
}
