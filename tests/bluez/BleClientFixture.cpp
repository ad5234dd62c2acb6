#include "tests/bluez/BleClientFixture.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

namespace
{
// The characteristic id of the first characteristic with this UUID (field 2 of Discovered).
QString characteristicOf(const BleEventLog& log, const QString& uuid)
{
    const QStringList found = log.named("Discovered 1|").filter(uuid);
    return found.isEmpty() ? QString() : found.first().section('|', 2, 2);
}
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
    client->setScanPeriod(2000);
    log = std::make_unique<BleEventLog>(client.get());
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
    if (const BleResult scan = client->StartScanning(QString()); !scan.ok())
        return "scan refused: " + scan.description;
    const QString seen = "Advertisement " + serverId;
    QTest::qWaitFor([&] { return log->count(seen) > 0; }, kEventWaitMs);
    client->StopScanning();
    return log->count(seen) ? QString() : serverId + " not seen:\n" + log->dump();
}

QString BleClientFixture::connectGauge(const QString& serviceFilter)
{
    if (const QString e = scanUntilSeen(kGaugeId); !e.isEmpty())
        return e;
    if (!client->ConnectDevice(kGaugeId).ok())
        return "connect refused";
    waitForEvent({"Connected"});
    if (log->count("Connected") == 0)
        return "no Connected event:\n" + log->dump();
    const int before = log->size();
    if (!client->Discover(serviceFilter, QString()).ok() || log->size() != before)
        return "discover refused, or an event arrived inside Discover()";
    serviceId = kServiceUuid;
    traceId = kServiceUuid + "/CA28ED7B-0662-466F-B41F-0FD548267C10";
    if (!QTest::qWaitFor([&] { return log->count("Discovered 1|" + serviceId + '|' + traceId); },
                         kEventWaitMs))
        return "trace characteristic not discovered:\n" + log->dump();
    commandId = characteristicOf(*log, "000028CA-0000-1000-8000-00805F9B34FB");
    return {};
}

QByteArray BleClientFixture::roundTrip(const QByteArray& command)
{
    log->clear();
    if (!client->WriteValue(serviceId, commandId, QString(), command).ok() || log->size() != 0)
        return "<write refused, or an event inside WriteValue>";
    waitForEvent({"WriteResponse", "Disconnected"});
    if (log->count("WriteResponse") == 0)
        return "<no write response>";
    const int before = log->size();
    if (!client->ReadValue(serviceId, commandId, QString()).ok() || log->size() != before)
        return "<read refused, or an event inside ReadValue>";
    waitForEvent({"Value", "Disconnected"});
    const QStringList values = log->named("Value ");
    return values.isEmpty() ? "<no value>" : values.first().section('|', 4).toLatin1();
}

void BleClientFixture::waitForEvent(const QStringList& names)
{
    auto seen = [&] {
        return std::any_of(names.begin(), names.end(), [&](auto& n) { return log->count(n); });
    };
    QEventLoop loop;
    QTimer::singleShot(kEventWaitMs, &loop, &QEventLoop::quit);
    QObject::connect(log.get(), &BleEventLog::recorded, &loop, [&] {
        if (seen())
            loop.quit();
    });
    if (!seen())
        loop.exec();
}
