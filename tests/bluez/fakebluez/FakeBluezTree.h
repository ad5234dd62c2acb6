#pragma once

#include "tests/bluez/fakebluez/FakeBluezTypes.h"

#include <QDBusConnection>

// The objects the fake bluetoothd exports, with their interfaces and properties. Every change
// that a real bluetoothd would announce is announced on the bus here (PropertiesChanged,
// InterfacesAdded, InterfacesRemoved).
class FakeBluezTree
{
public:
    explicit FakeBluezTree(const QDBusConnection& bus) : m_bus(bus) {}

    bool contains(const QString& path, const QString& interface) const;
    QVariant property(const QString& path, const QString& interface, const QString& name) const;
    QVariantMap properties(const QString& path, const QString& interface) const;
    // Sets one property; announces it when the value changed (or always, for notifications).
    void setProperty(const QString& path, const QString& interface, const QString& name,
                     const QVariant& value, bool announceAlways = false);

    void addObject(const QString& path, const FakeInterfaceList& interfaces);
    // Removes path and every object below it, deepest first, announcing each.
    void removeTree(const QString& path);

    FakeManagedObjects managedObjects() const;
    // Names of the direct children of path (for Introspect).
    QStringList childNames(const QString& path) const;

private:
    QDBusConnection m_bus;
    QMap<QString, FakeInterfaceList> m_objects;
};
