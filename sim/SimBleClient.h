#pragma once

#include "link/BLEClient.h"

#include <QPointer>
#include <QTimer>
#include <chrono>

class SimGauge;

// A BLEClient back end that runs the simulated gauge in process. Every event goes through the
// event loop (queued or timed), never from inside the call that caused it.
class SimBleClient : public BLEClient
{
    Q_OBJECT
public:
    struct Options {
        std::chrono::microseconds writeLatency{0}; // write with response until WriteResponse
        std::chrono::microseconds readLatency{0};  // read until Value
        int connectLatencyMs = 20;
        int advertiseIntervalMs = 100;
        bool adapterPresent = true;
        bool adapterPowered = true;
        bool neverConnects = false;        // ConnectDevice raises no event at all
        bool characteristicsFirst = false; // discovery reports characteristics before the service
        bool omitCommandCharacteristic = false;
        bool advertiseOtherDevice = true; // a second, non-gauge device advertises as well
    };

    explicit SimBleClient(SimGauge* gauge, QObject* parent = nullptr);
    SimBleClient(SimGauge* gauge, const Options& options, QObject* parent = nullptr);

    Options& options() { return m_options; }
    SimGauge* gauge() const { return m_gauge; }
    bool isConnected() const { return m_connected; }

    BleResult Configure(const QString& setting) override;
    BleResult StartScanning(const QString& serviceUuidFilter) override;
    BleResult StopScanning() override;
    BleResult ConnectDevice(const QString& serverId) override;
    BleResult DisconnectDevice() override;
    BleResult Discover(const QString& serviceUuidFilter,
                       const QString& characteristicUuidFilter) override;
    BleResult WriteValue(const QString& serviceId, const QString& characteristicId,
                         const QString& descriptorId, const QByteArray& value) override;
    BleResult PostValue(const QString& serviceId, const QString& characteristicId,
                        const QByteArray& value) override;
    BleResult ReadValue(const QString& serviceId, const QString& characteristicId,
                        const QString& descriptorId) override;
    BleResult Subscribe(const QString& serviceId, const QString& characteristicId) override;
    BleResult Unsubscribe(const QString& serviceId, const QString& characteristicId) override;

    // Identifiers this back end hands out.
    static const QString kServiceId;
    static const QString kCommandCharId;
    static const QString kTraceCharId;

private:
    BleResult adapterCheck() const;
    BleResult linkCheck(const QString& serviceId, const QString& characteristicId) const;
    void advertise();
    void later(std::chrono::microseconds delay, std::function<void()> what);
    void dropLink(qint16 status, const QString& description);
    QString uuidOf(const QString& characteristicId) const;

    QPointer<SimGauge> m_gauge;
    Options m_options;
    QTimer m_advertiseTimer;
    QByteArray m_commandValue; // value a read-back of the command characteristic delivers
    bool m_connected = false;
    bool m_connecting = false;
    quint64 m_linkGeneration = 0;
    std::chrono::microseconds m_carry{0}; // how late the last timed event fired (see later())
};
