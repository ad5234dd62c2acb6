#pragma once

#include "tests/bluez/fakebluez/FakeBluezAdapter.h"
#include "tests/bluez/fakebluez/FakeBluezGatt.h"
#include "tests/bluez/fakebluez/FakeBluezOptions.h"
#include "tests/bluez/fakebluez/FakeBluezTree.h"

#include <QDBusVirtualObject>

class SimGauge;

// A bluetoothd stand-in on one bus: every object below "/" is answered here. Calls are kept and
// answered later where bluetoothd would answer later (a connect that never resolves, a slow
// reply). Besides org.bluez it offers its own control interface for the tests (kControl).
class FakeBluez : public QDBusVirtualObject
{
    Q_OBJECT
public:
    FakeBluez(SimGauge& gauge, const FakeBluezOptions& options, const QDBusConnection& bus);

    // Exports the adapter; false with a reason if the bus refused.
    bool start(QString& error);
    // Writes each device file of the gauge as one line of hex text plus CR LF into dir.
    bool dumpFiles(const QString& dir) const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void handleProperties(const QDBusMessage& message);
    void handleControl(const QDBusMessage& message);
    void reply(const QDBusMessage& message, const QVariantList& arguments = {});
    void replyError(const QDBusMessage& message, const QString& name, const QString& text);

    SimGauge& m_gauge;
    FakeBluezOptions m_options;
    QDBusConnection m_bus;
    FakeBluezTree m_tree;
    FakeBluezGatt m_gatt;
    FakeBluezAdapter m_adapter;
};
