#pragma once

#include "tests/bluez/fakebluez/FakeBluezOptions.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

class FakeBluezTree;
class SimGauge;

// The gauge's GATT database as bluetoothd exports it once a link is up: a generic access
// service and the gauge's custom service with its command and trace characteristics. Writes to
// the command characteristic go to the simulated gauge; the next read-back delivers its reply.
class FakeBluezGatt : public QObject
{
    Q_OBJECT
public:
    FakeBluezGatt(FakeBluezTree& tree, SimGauge& gauge, const FakeBluezOptions& options,
                  const QDBusConnection& bus);

    // Called when the gauge drops the link instead of answering.
    std::function<void()> onLinkDropped;

    void addObjects(const QString& devicePath);
    void removeObjects();
    // Answers a GattCharacteristic1 / GattDescriptor1 call; false if it is not one.
    bool handle(const QDBusMessage& message);
    // Sends a notification on the trace characteristic (if notifications are on).
    bool sendTrace(const QByteArray& value);

private:
    void writeValue(const QDBusMessage& message);
    void readValue(const QDBusMessage& message);
    void startNotify(const QDBusMessage& message, bool on);
    void replyLater(const QDBusMessage& message, const QByteArray& value, int delayMs);
    // Runs what after the command characteristic's operation delay (at once without one); the
    // lateness of each timer is taken off the next delay, so the mean delay holds.
    void afterOperation(std::function<void()> what);
    void sendError(const QDBusMessage& message, const QString& name, const QString& text);

    FakeBluezTree& m_tree;
    SimGauge& m_gauge;
    FakeBluezOptions m_options;
    QDBusConnection m_bus;
    QString m_devicePath;
    QString m_commandPath;
    QString m_tracePath;
    QByteArray m_commandValue; // what the next read-back of the command characteristic delivers
    quint64 m_linkGeneration = 0;
    QTimer m_traceTimer;
    QElapsedTimer m_clock;
    qint64 m_lateUs = 0;
    int m_traceCount = 0;
};
