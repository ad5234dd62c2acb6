#pragma once

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// The D-Bus shapes bluetoothd hands out: interfaces of one object (a{sa{sv}}), every object below
// "/" (a{oa{sa{sv}}}) and the manufacturer data of an advertisement (a{qv}).
using FakeInterfaceList = QMap<QString, QVariantMap>;
using FakeManagedObjects = QMap<QDBusObjectPath, FakeInterfaceList>;
using FakeManufacturerData = QMap<quint16, QDBusVariant>;

Q_DECLARE_METATYPE(FakeInterfaceList)
Q_DECLARE_METATYPE(FakeManagedObjects)
Q_DECLARE_METATYPE(FakeManufacturerData)

namespace FakeBluezNames
{
inline const QString kService = QStringLiteral("org.bluez");
inline const QString kAdapterPath = QStringLiteral("/org/bluez/hci0");
inline const QString kAdapter = QStringLiteral("org.bluez.Adapter1");
inline const QString kDevice = QStringLiteral("org.bluez.Device1");
inline const QString kGattService = QStringLiteral("org.bluez.GattService1");
inline const QString kGattChar = QStringLiteral("org.bluez.GattCharacteristic1");
inline const QString kGattDesc = QStringLiteral("org.bluez.GattDescriptor1");
inline const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
inline const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
inline const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");
// The fake's own control interface (dump, transcript, trace values) at kControlPath.
inline const QString kControl = QStringLiteral("com.zelvo.FakeBluez1");
inline const QString kControlPath = QStringLiteral("/com/zelvo/fakebluez");
} // namespace FakeBluezNames

// Registers the types above with QtDBus (once per process).
void registerFakeBluezTypes();
