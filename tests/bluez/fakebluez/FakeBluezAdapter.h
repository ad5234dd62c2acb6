#pragma once

#include "tests/bluez/fakebluez/FakeBluezOptions.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QTimer>

class FakeBluezGatt;
class FakeBluezTree;
class SimGauge;

// The adapter hci0 and the devices it finds: the gauge and one device that is not a gauge.
// Scanning makes the devices appear and their RSSI move; connecting the gauge exports its GATT
// objects in bluetoothd's order (Connected, the objects, ServicesResolved, then the reply).
// A remembered device is known before any scan, without RSSI: the gauge then gets its RSSI once
// the scan hears it; any other remembered address is a gauge that is out of range and never
// advertises.
class FakeBluezAdapter : public QObject
{
    Q_OBJECT
public:
    FakeBluezAdapter(FakeBluezTree& tree, FakeBluezGatt& gatt, SimGauge& gauge,
                     const FakeBluezOptions& options, const QDBusConnection& bus);

    void addAdapter();
    // Answers an Adapter1 / Device1 call; false if it is not one.
    bool handle(const QDBusMessage& message);
    // The gauge drops the link (no reply to whatever is pending).
    void dropLink();
    // The radio is switched off or on: switching off ends links and discovery first.
    void setPowered(bool on);

private:
    struct FakeDevice {
        QString address;
        QString name;
        qint16 rssi;
        bool gauge;
        bool inRange;
    };
    void startDiscovery(const QDBusMessage& message);
    void stopDiscovery(const QDBusMessage& message);
    void addRemembered(const QStringList& ids);
    void addDevice(const FakeDevice& device, bool withRssi);
    void announceDevices();
    void moveRssi();
    void connectDevice(const QDBusMessage& message);
    void disconnectDevice(const QDBusMessage& message);
    void closeLink();
    void removeDevice(const QDBusMessage& message);
    bool powered() const;
    QString pathOf(const FakeDevice& device) const;
    const FakeDevice* deviceAt(const QString& path) const;
    void sendError(const QDBusMessage& message, const QString& name, const QString& text);

    FakeBluezTree& m_tree;
    FakeBluezGatt& m_gatt;
    FakeBluezOptions m_options;
    QDBusConnection m_bus;
    QList<FakeDevice> m_devices;
    QTimer m_rssiTimer;
    QDBusMessage m_pendingConnect; // a Connect that has not been answered (never resolving)
    int m_rssiStep = 0;
};
