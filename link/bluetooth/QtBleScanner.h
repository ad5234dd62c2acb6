#pragma once

#include "link/BLEClient.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QObject>
#include <QSet>

// LE scanning that keeps running until stopped: the discovery agent works in periods, and a new
// period starts whenever one ends. Reports every sighting (new device or update) of a device this
// scan has heard as device(). The stack also reports the devices it remembers from earlier, the
// moment a scan starts and with RSSI 0, whether they are in range or not: such a device counts as
// heard only once it is found with an RSSI or its RSSI is updated during the scan.
class QtBleScanner : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultPeriodMs = 20000;

    explicit QtBleScanner(QObject* parent = nullptr);

    // Checks that an adapter is there and switched on.
    static BleResult adapterCheck();

    BleResult start();
    void stop();
    bool isScanning() const { return m_wanted; }
    void setPeriod(int ms) { m_periodMs = ms; }

signals:
    void device(const QBluetoothDeviceInfo& info);
    // Scanning stopped by itself (adapter gone or switched off, ...).
    void failed(qint16 code, const QString& description);

private:
    void onError(QBluetoothDeviceDiscoveryAgent::Error error);
    void onFinished();
    void onDiscovered(const QBluetoothDeviceInfo& info);
    void onUpdated(const QBluetoothDeviceInfo& info, QBluetoothDeviceInfo::Fields fields);
    void report(const QBluetoothDeviceInfo& info);
    static QString keyOf(const QBluetoothDeviceInfo& info);
    static BleResult resultOf(QBluetoothDeviceDiscoveryAgent::Error error, const QString& text);

    QBluetoothDeviceDiscoveryAgent* m_agent;
    int m_periodMs = kDefaultPeriodMs;
    bool m_wanted = false;
    bool m_starting = false;
    QSet<QString> m_heard; // devices heard since start()
};
