#include "tests/bluez/BleClientFixture.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

QString BleClientFixture::startBus()
{
    if (harness.startBus())
        harness.applyToThisProcess();
    return harness.errorText();
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

QString BleClientFixture::startConnected(const QStringList& fakeOptions)
{
    QString e = start(fakeOptions);
    if (e.isEmpty() && (e = connectGauge()).isEmpty())
        log->clear();
    return e;
}

bool BleClientFixture::quiet()
{
    QSignalSpy error(client.get(), &BLEClient::Error);
    return !QSignalSpy(client.get(), &BLEClient::Disconnected).wait(400) && error.isEmpty();
}

QString BleClientFixture::scanUntilSeen(const QString& serverId)
{
    if (const BleResult scan = client->StartScanning(QString()); !scan.ok())
        return "scan refused: " + scan.description;
    const QString seen = "Advertisement " + serverId;
    const bool wasSeen = QTest::qWaitFor([&] { return log->count(seen) > 0; }, kEventWaitMs);
    client->StopScanning();
    return wasSeen ? QString() : serverId + " not seen:\n" + log->dump();
}

QString BleClientFixture::connectGauge(const QString& serviceFilter)
{
    if (const QString e = scanUntilSeen(kGaugeId); !e.isEmpty())
        return e;
    if (!client->ConnectDevice(kGaugeId).ok())
        return "connect refused";
    if (!waitForEvent({"Connected"}))
        return "no Connected event:\n" + log->dump();
    const int before = log->size();
    if (!client->Discover(serviceFilter, QString()).ok() || log->size() != before)
        return "discover refused, or an event arrived inside Discover()";
    if (!waitForEvent({"Discovered 1|" + serviceId + '|' + traceId}))
        return "trace characteristic not discovered:\n" + log->dump();
    return {};
}

QByteArray BleClientFixture::roundTrip(const QByteArray& command)
{
    log->clear();
    if (!client->WriteValue(serviceId, commandId, QString(), command).ok() || log->size() != 0)
        return "<write refused, or an event inside WriteValue>";
    if (waitForEvent({"WriteResponse", "Disconnected"}), !log->count("WriteResponse"))
        return "<no write response>";
    const int before = log->size();
    if (!client->ReadValue(serviceId, commandId, QString()).ok() || log->size() != before)
        return "<read refused, or an event inside ReadValue>";
    waitForEvent({"Value", "Disconnected"});
    const QStringList values = log->named("Value ");
    return values.isEmpty() ? "<no value>" : values.first().section('|', 4).toLatin1();
}

bool BleClientFixture::waitForEvent(const QStringList& names)
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
    return seen();
}
