#include "tests/bluez/fakebluez/FakeBluezTypes.h"

#include <QDBusMetaType>

void registerFakeBluezTypes()
{
    qDBusRegisterMetaType<FakeInterfaceList>();
    qDBusRegisterMetaType<FakeManagedObjects>();
    qDBusRegisterMetaType<FakeManufacturerData>();
    qDBusRegisterMetaType<QList<QDBusObjectPath>>();
}
