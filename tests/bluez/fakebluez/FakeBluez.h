#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTimer>
#include <QVariantMap>
#include <functional>

class SimGauge;

// The D-Bus shapes bluetoothd hands out: interfaces of one object (a{sa{sv}}), every object below
// "/" (a{oa{sa{sv}}}) and the manufacturer data of an advertisement (a{qv}).
using FakeInterfaceList = QMap<QString, QVariantMap>;
using FakeManagedObjects = QMap<QDBusObjectPath, FakeInterfaceList>;
using FakeManufacturerData = QMap<quint16, QDBusVariant>;
Q_DECLARE_METATYPE(FakeInterfaceList)
Q_DECLARE_METATYPE(FakeManagedObjects)
Q_DECLARE_METATYPE(FakeManufacturerData)

// The scenario the fake plays, chosen on its command line (see README.md).
struct FakeBluezOptions {
    bool noAdapter = false, poweredOff = false, neverResolve = false, ignoreDisconnect = false,
         noCommandChar = false;
    int disconnectAfter = 0, opDelayUs = 0;
    QString simDir, dumpDir;
    QStringList remembered;
};

// A bluetoothd stand-in on one bus: adapter hci0, the gauge and a device that is no gauge, and
// the gauge's GATT objects while it is connected. Every object below "/" is answered here; every
// change bluetoothd would announce is announced. Writes to the command characteristic go to the
// simulated gauge, the next read-back delivers its reply. Besides org.bluez it offers a control
// interface for the tests (Transcript, SendTrace, SetPowered).
class FakeBluez : public QDBusVirtualObject
{
    Q_OBJECT
public:
    FakeBluez(SimGauge& gauge, const FakeBluezOptions& options, const QDBusConnection& bus);

    bool start(QString& error);
    // Writes each device file of the gauge as one line of hex text plus CR LF into dir.
    bool dumpFiles(const QString& dir) const;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    struct Device { // rssi 0: out of range, never advertises
        QString address, name;
        qint16 rssi;
        bool gauge;
    };

    QVariant property(const QString& path, const QString& iface, const QString& name) const;
    void setProperty(const QString& path, const QString& iface, const QString& name,
                     const QVariant& value, bool announceAlways = false);
    void addObject(const QString& path, const FakeInterfaceList& interfaces);
    void removeTree(const QString& path);

    void handleProperties(const QDBusMessage& message);
    void handleControl(const QDBusMessage& message);
    void handleAdapter(const QDBusMessage& message);
    void handleDevice(const QDBusMessage& message);
    void handleGatt(const QDBusMessage& message);

    void addAdapter();
    void addDevice(const Device& device, bool withRssi);
    void hearDevices();
    void setPowered(bool on);
    void connectDevice(const QDBusMessage& message);
    void addGatt();
    void closeLink();
    void commandValue(const QDBusMessage& message);
    // Runs what after the command characteristic's operation delay (at once without one); the
    // lateness of each timer is taken off the next delay, so the mean delay holds.
    void afterOperation(std::function<void()> what);
    QString pathOf(const Device& device) const;
    void reply(const QDBusMessage& message, const QVariantList& arguments = {});
    void replyError(const QDBusMessage& message, const QString& name, const QString& text);

    SimGauge& m_gauge;
    FakeBluezOptions m_options;
    QDBusConnection m_bus;
    QMap<QString, FakeInterfaceList> m_objects;
    QList<Device> m_devices;
    QTimer m_scanTimer;
    int m_rssiStep = 0;
    QDBusMessage m_pendingConnect; // a Connect that has not been answered (never resolving)
    QString m_gattPath;            // the connected gauge's path; empty without a link
    QByteArray m_commandValue;     // what the next read-back of the command characteristic gives
    QElapsedTimer m_clock;
    qint64 m_lateUs = 0;
};
