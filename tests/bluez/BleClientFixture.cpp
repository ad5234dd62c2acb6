#include "tests/bluez/BleClientFixture.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

namespace
{
constexpr int kScanPeriodMs = 2000;
constexpr int kUuidArg = 4;  // of Discovered
constexpr int kValueArg = 4; // of Value
} // namespace

QString BleClientFixture::startBus()
{
    if (!harness.startBus())
        return harness.errorText();
    harness.applyToThisProcess();
    return {};
}

QString BleClientFixture::start(const QStringList& fakeOptions)
{
    if (!harness.startFake(fakeOptions))
        return harness.errorText();
    client = std::make_unique<QtBleClient>();
    client->setScanPeriod(kScanPeriodMs);
    log = std::make_unique<BleEventLog>(client.get());
    serviceId.clear();
    commandId.clear();
    traceId.clear();
    return {};
}

QString BleClientFixture::stop()
{
    log.reset();
    client.reset();
    return harness.stopFake() ? QString() : harness.errorText();
}

QString BleClientFixture::scanUntilSeen(const QString& serverId)
{
    const BleResult scan = client->StartScanning(QString());
    if (!scan.ok())
        return QStringLiteral("scan refused: ") + scan.description;
    const bool seen = QTest::qWaitFor(
        [&] { return log->find(QStringLiteral("Advertisement"), 0, serverId) >= 0; }, kEventWaitMs);
    client->StopScanning();
    return seen ? QString() : QStringLiteral("%1 not seen:\n%2").arg(serverId, log->dump());
}

QString BleClientFixture::connectGauge(const QString& serviceFilter)
{
    if (const QString e = scanUntilSeen(kGaugeId); !e.isEmpty())
        return e;
    const BleResult connected = client->ConnectDevice(kGaugeId);
    if (!connected.ok())
        return QStringLiteral("connect refused: ") + connected.description;
    if (!QTest::qWaitFor([&] { return log->count(QStringLiteral("Connected")) > 0; }, kEventWaitMs))
        return QStringLiteral("no Connected event:\n") + log->dump();
    const int before = log->size();
    if (!client->Discover(serviceFilter, QString()).ok())
        return QStringLiteral("discover refused");
    if (log->size() != before)
        return QStringLiteral("an event arrived inside Discover()");
    const QString discovered = QStringLiteral("Discovered");
    if (!QTest::qWaitFor([&] { return log->find(discovered, kUuidArg, kTraceUuid) >= 0; },
                         kEventWaitMs))
        return QStringLiteral("trace characteristic not discovered:\n") + log->dump();
    const int service = log->find(discovered, kUuidArg, kServiceUuid);
    const int command = log->find(discovered, kUuidArg, kCommandUuid);
    const int trace = log->find(discovered, kUuidArg, kTraceUuid);
    if (service < 0)
        return QStringLiteral("service not discovered");
    serviceId = log->events()[service].args.value(1).toString();
    commandId = command < 0 ? QString() : log->events()[command].args.value(2).toString();
    traceId = log->events()[trace].args.value(2).toString();
    return {};
}

QByteArray BleClientFixture::roundTrip(const QByteArray& command)
{
    log->clear();
    if (!client->WriteValue(serviceId, commandId, QString(), command).ok())
        return "<write refused>";
    if (log->size() != 0)
        return "<event inside WriteValue>";
    waitForEvent({QStringLiteral("WriteResponse"), QStringLiteral("Disconnected")});
    if (log->count(QStringLiteral("WriteResponse")) == 0)
        return "<no write response>";
    const int before = log->size();
    if (!client->ReadValue(serviceId, commandId, QString()).ok())
        return "<read refused>";
    if (log->size() != before)
        return "<event inside ReadValue>";
    waitForEvent({QStringLiteral("Value"), QStringLiteral("Disconnected")});
    if (log->count(QStringLiteral("Value")) == 0)
        return "<no value>";
    return log->named(QStringLiteral("Value")).first().args.value(kValueArg).toByteArray();
}

// Runs the event loop until one of these events is in the log (no polling, so round trips can
// be timed), or until kEventWaitMs.
void BleClientFixture::waitForEvent(const QStringList& names)
{
    auto seen = [&] {
        for (const QString& n : names)
            if (log->count(n) > 0)
                return true;
        return false;
    };
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(log.get(), &BleEventLog::recorded, &loop, [&] {
        if (seen())
            loop.quit();
    });
    if (seen())
        return;
    limit.start(kEventWaitMs);
    loop.exec();
}
