#pragma once

#include "link/bluetooth/QtBleClient.h"
#include "tests/bluez/BleEventLog.h"
#include "tests/common/FakeBluezHarness.h"

#include <memory>

// What the QtBleClient tests and benchmarks share: the private bus and the fake, one client with
// its event log, and the usual steps (scan, connect, discover, one command round trip). Steps
// return "" on success and a reason otherwise.
class BleClientFixture
{
public:
    static constexpr int kEventWaitMs = 5000;
    static inline const QString kGaugeId = QStringLiteral("5A454C564F01");
    static inline const QString kServiceUuid =
        QStringLiteral("722383EA-0662-466F-B41F-0FD548267C10");

    // Once per process, before any Qt Bluetooth use.
    QString startBus();
    // A fresh fake with these options and a fresh client.
    QString start(const QStringList& fakeOptions);
    QString stop();
    // start(), connectGauge() and an empty event log.
    QString startConnected(const QStringList& fakeOptions);

    QString scanUntilSeen(const QString& serverId);
    // Scan, connect and discover.
    QString connectGauge(const QString& serviceFilter = kServiceUuid);
    // Write with response, then read back: the reply, or "<...>" naming what did not come.
    QByteArray roundTrip(const QByteArray& command);
    // Runs the event loop until an event starting with one of these names is logged (no
    // polling, so round trips can be timed), or until kEventWaitMs; false if none came.
    bool waitForEvent(const QStringList& names);
    // No Disconnected and no Error for a while.
    bool quiet();
    // Every command the gauge received.
    QStringList transcript() const { return harness.control("Transcript").value(0).toStringList(); }

    FakeBluezHarness harness;
    std::unique_ptr<QtBleClient> client;
    std::unique_ptr<BleEventLog> log;
    const QString serviceId = kServiceUuid;
    const QString commandId = kServiceUuid + "/000028CA-0000-1000-8000-00805F9B34FB";
    const QString traceId = kServiceUuid + "/CA28ED7B-0662-466F-B41F-0FD548267C10";
};
