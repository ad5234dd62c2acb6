#pragma once

#include "link/BLEClient.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QObject>

// LE scanning that keeps running until stopped: the discovery agent works in periods, and a new
// period starts whenever one ends. Reports every sighting (new device or update) as device().
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
    void onDevice(const QBluetoothDeviceInfo& info);
    static BleResult resultOf(QBluetoothDeviceDiscoveryAgent::Error error, const QString& text);

    QBluetoothDeviceDiscoveryAgent* m_agent;
    int m_periodMs = kDefaultPeriodMs;
    bool m_wanted = false;
    bool m_starting = false;
};
