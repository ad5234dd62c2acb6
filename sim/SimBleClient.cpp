#include "sim/SimBleClient.h"

#include "sim/SimGauge.h"
#include "state/LogCategories.h"

#include <algorithm>

namespace
{
const QString kServiceUuid = QStringLiteral("722383EA-0662-466F-B41F-0FD548267C10");
const QString kCommandUuid = QStringLiteral("000028CA-0000-1000-8000-00805F9B34FB");
const QString kTraceUuid = QStringLiteral("CA28ED7B-0662-466F-B41F-0FD548267C10");
const QString kOtherDeviceId = QStringLiteral("00A0C9147E21");
} // namespace

const QString SimBleClient::kServiceId = QStringLiteral("sim/service0010");
const QString SimBleClient::kCommandCharId = QStringLiteral("sim/service0010/char0011");
const QString SimBleClient::kTraceCharId = QStringLiteral("sim/service0010/char0014");

SimBleClient::SimBleClient(SimGauge* gauge, QObject* parent)
    : SimBleClient(gauge, Options(), parent)
{
}

SimBleClient::SimBleClient(SimGauge* gauge, const Options& options, QObject* parent)
    : BLEClient(parent), m_gauge(gauge), m_options(options)
{
    connect(&m_advertiseTimer, &QTimer::timeout, this, &SimBleClient::advertise);
}

// Timers run in whole milliseconds and fire a little late. Each delay is scheduled against an
// absolute due time, and how far the previous timed event missed its due time (rounding and
// lateness, at most 1 ms either way) is taken off the next one, so latencies such as 7.5 ms are
// honoured on average.
void SimBleClient::later(std::chrono::microseconds delay, std::function<void()> what)
{
    using namespace std::chrono;
    if (delay <= microseconds::zero()) {
        QTimer::singleShot(0, this, std::move(what));
        return;
    }
    const auto now = steady_clock::now();
    const auto due = now + delay - m_carry;
    const auto wait = duration_cast<microseconds>(due - now);
    const auto ms = milliseconds(std::max<qint64>(0, (wait.count() + 500) / 1000));
    QTimer::singleShot(ms, Qt::PreciseTimer, this, [this, due, what = std::move(what)] {
        constexpr microseconds kMaxCarry = milliseconds(1);
        m_carry = std::clamp(duration_cast<microseconds>(steady_clock::now() - due), -kMaxCarry,
                             kMaxCarry);
        what();
    });
}

BleResult SimBleClient::adapterCheck() const
{
    if (!m_options.adapterPresent)
        return BleResult::failure(BleNoAdapter, QStringLiteral("no Bluetooth adapter found"));
    if (!m_options.adapterPowered)
        return BleResult::failure(BleAdapterOff, QStringLiteral("Bluetooth is switched off"));
    return BleResult::success();
}

BleResult SimBleClient::linkCheck(const QString& serviceId, const QString& characteristicId) const
{
    if (!m_connected || !m_gauge)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    if (serviceId != kServiceId ||
        (characteristicId != kCommandCharId && characteristicId != kTraceCharId))
        return BleResult::failure(BleUnknownId,
                                  QStringLiteral("unknown service or characteristic"));
    return BleResult::success();
}

BleResult SimBleClient::Configure(const QString&)
{
    return BleResult::success();
}

BleResult SimBleClient::StartScanning(const QString& serviceUuidFilter)
{
    if (const BleResult r = adapterCheck(); !r.ok())
        return r;
    const QStringList uuids =
        serviceUuidFilter.isEmpty() ? QStringList() : QStringList{serviceUuidFilter};
    later({}, [this, uuids] { emit StartScan(uuids); });
    m_advertiseTimer.start(m_options.advertiseIntervalMs);
    later(std::chrono::milliseconds(1), [this] { advertise(); });
    return BleResult::success();
}

BleResult SimBleClient::StopScanning()
{
    m_advertiseTimer.stop();
    return BleResult::success();
}

void SimBleClient::advertise()
{
    if (!m_advertiseTimer.isActive() || !m_gauge)
        return;
    emit Advertisement(m_gauge->serverId(), m_gauge->name(), -67, 0, {kServiceUuid}, {}, {}, 0, {},
                       true, false);
    if (m_options.advertiseOtherDevice)
        emit Advertisement(kOtherDeviceId, QStringLiteral("Headset"), -80, 0, {}, {}, {}, 0, {},
                           true, false);
}

BleResult SimBleClient::ConnectDevice(const QString& serverId)
{
    if (const BleResult r = adapterCheck(); !r.ok())
        return r;
    if (m_connected || m_connecting)
        return BleResult::failure(BleOperationFailed, QStringLiteral("already connected"));
    if (!m_gauge || serverId != m_gauge->serverId())
        return BleResult::failure(BleOperationFailed,
                                  QStringLiteral("device %1 not found").arg(serverId));
    m_connecting = true;
    if (m_options.neverConnects)
        return BleResult::success();
    const quint64 generation = ++m_linkGeneration;
    later(std::chrono::milliseconds(m_options.connectLatencyMs), [this, generation] {
        if (generation != m_linkGeneration || !m_connecting)
            return;
        m_connecting = false;
        m_connected = true;
        m_commandValue.clear();
        emit Connected(0, QString());
    });
    return BleResult::success();
}

BleResult SimBleClient::DisconnectDevice()
{
    if (!m_connected && !m_connecting)
        return BleResult::success();
    dropLink(0, QString());
    return BleResult::success();
}

void SimBleClient::dropLink(qint16 status, const QString& description)
{
    ++m_linkGeneration; // pending writes and reads of this link are dropped
    m_connected = false;
    m_connecting = false;
    later({}, [this, status, description] { emit Disconnected(status, description); });
}

BleResult SimBleClient::Discover(const QString&, const QString&)
{
    if (!m_connected)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    const quint64 generation = m_linkGeneration;
    auto service = [this] { emit Discovered(0, kServiceId, {}, {}, kServiceUuid, {}); };
    auto characteristics = [this] {
        if (!m_options.omitCommandCharacteristic)
            emit Discovered(1, kServiceId, kCommandCharId, {}, kCommandUuid, {});
        emit Discovered(1, kServiceId, kTraceCharId, {}, kTraceUuid, {});
    };
    later(std::chrono::milliseconds(5), [=, this] {
        if (generation != m_linkGeneration)
            return;
        if (m_options.characteristicsFirst) {
            characteristics();
            service();
        } else {
            service();
            characteristics();
        }
    });
    return BleResult::success();
}

QString SimBleClient::uuidOf(const QString& characteristicId) const
{
    return characteristicId == kCommandCharId ? kCommandUuid : kTraceUuid;
}

BleResult SimBleClient::WriteValue(const QString& serviceId, const QString& characteristicId,
                                   const QString& descriptorId, const QByteArray& value)
{
    if (const BleResult r = linkCheck(serviceId, characteristicId); !r.ok())
        return r;
    const quint64 generation = m_linkGeneration;
    later(m_options.writeLatency, [=, this] {
        if (generation != m_linkGeneration || !m_gauge)
            return;
        bool dropAfterWrite = false;
        if (characteristicId == kCommandCharId) {
            const SimReply reply = m_gauge->handleCommand(value);
            if (reply.dropLink) {
                dropLink(8, QStringLiteral("connection lost"));
                return;
            }
            m_commandValue = reply.value;
            dropAfterWrite = reply.dropAfterWrite;
        }
        emit WriteResponse(serviceId, characteristicId, descriptorId, uuidOf(characteristicId), {});
        if (dropAfterWrite)
            dropLink(8, QStringLiteral("connection lost"));
    });
    return BleResult::success();
}

BleResult SimBleClient::PostValue(const QString& serviceId, const QString& characteristicId,
                                  const QByteArray& value)
{
    if (const BleResult r = linkCheck(serviceId, characteristicId); !r.ok())
        return r;
    const quint64 generation = m_linkGeneration;
    later(m_options.writeLatency, [=, this] {
        if (generation != m_linkGeneration || !m_gauge || characteristicId != kCommandCharId)
            return;
        const SimReply reply = m_gauge->handleCommand(value);
        if (reply.dropLink || reply.dropAfterWrite)
            dropLink(8, QStringLiteral("connection lost"));
        else
            m_commandValue = reply.value;
    });
    return BleResult::success();
}

BleResult SimBleClient::ReadValue(const QString& serviceId, const QString& characteristicId,
                                  const QString& descriptorId)
{
    if (const BleResult r = linkCheck(serviceId, characteristicId); !r.ok())
        return r;
    const quint64 generation = m_linkGeneration;
    later(m_options.readLatency, [=, this] {
        if (generation != m_linkGeneration)
            return;
        const QByteArray value = characteristicId == kCommandCharId ? m_commandValue : QByteArray();
        emit Value(serviceId, characteristicId, descriptorId, uuidOf(characteristicId), {}, value);
    });
    return BleResult::success();
}

BleResult SimBleClient::Subscribe(const QString& serviceId, const QString& characteristicId)
{
    if (const BleResult r = linkCheck(serviceId, characteristicId); !r.ok())
        return r;
    later({}, [=, this] {
        emit Subscribed(serviceId, characteristicId, uuidOf(characteristicId), {});
    });
    return BleResult::success();
}

BleResult SimBleClient::Unsubscribe(const QString& serviceId, const QString& characteristicId)
{
    if (const BleResult r = linkCheck(serviceId, characteristicId); !r.ok())
        return r;
    later({}, [=, this] {
        emit Unsubscribed(serviceId, characteristicId, uuidOf(characteristicId), {});
    });
    return BleResult::success();
}
