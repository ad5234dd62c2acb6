// The gauge's GATT calls of the fake bluetoothd, and small helpers.
#include "sim/SimGauge.h"
#include "tests/bluez/fakebluez/FakeBluez.h"

namespace
{
const QString kGattChar = QStringLiteral("org.bluez.GattCharacteristic1");
const QString kValue = QStringLiteral("Value");
const QString kNotifying = QStringLiteral("Notifying");
} // namespace

void FakeBluez::handleGatt(const QDBusMessage& message)
{
    const QString member = message.member();
    if (member == QLatin1String("WriteValue")) {
        writeValue(message);
    } else if (member == QLatin1String("ReadValue")) {
        readValue(message);
    } else if (member.endsWith(QLatin1String("Notify")) && message.interface() == kGattChar) {
        setProperty(message.path(), kGattChar, kNotifying, member.startsWith("Start"));
        reply(message);
    } else {
        replyError(message, QStringLiteral("org.bluez.Error.NotSupported"), member);
    }
}

bool FakeBluez::isCommand(const QString& path) const
{
    return path.endsWith(QLatin1String("/char000b"));
}

void FakeBluez::writeValue(const QDBusMessage& message)
{
    const QByteArray value = message.arguments().value(0).toByteArray();
    if (!isCommand(message.path())) {
        setProperty(message.path(), message.interface(), kValue, value);
        return reply(message);
    }
    const SimReply answer = m_gauge.handleCommand(value);
    if (answer.dropLink) {
        closeLink();
        return replyError(message, QStringLiteral("org.bluez.Error.Failed"),
                          QStringLiteral("Not connected"));
    }
    m_commandValue = answer.value;
    afterOperation([this, message] { reply(message); });
}

void FakeBluez::readValue(const QDBusMessage& message)
{
    if (!isCommand(message.path()))
        return reply(message, {property(message.path(), message.interface(), kValue)});
    const QByteArray value = m_commandValue;
    afterOperation([this, message, value] { reply(message, {value}); });
}

// A notification on the trace characteristic, announced even if equal to the last one.
bool FakeBluez::sendTrace(const QByteArray& value)
{
    const QString trace = m_gattPath + QStringLiteral("/service000a/char000d");
    if (!property(trace, kGattChar, kNotifying).toBool())
        return false;
    setProperty(trace, kGattChar, kValue, value, true);
    return true;
}

void FakeBluez::afterOperation(std::function<void()> what)
{
    if (m_options.opDelayUs <= 0)
        return what();
    if (!m_clock.isValid())
        m_clock.start();
    const qint64 wantUs = qMax<qint64>(0, m_options.opDelayUs - m_lateUs);
    const qint64 startUs = m_clock.nsecsElapsed() / 1000;
    QTimer::singleShot(int((wantUs + 500) / 1000), Qt::PreciseTimer, this,
                       [this, what = std::move(what), wantUs, startUs] {
                           m_lateUs = m_clock.nsecsElapsed() / 1000 - startUs - wantUs;
                           what();
                       });
}

bool FakeBluez::powered() const
{
    return property(QStringLiteral("/org/bluez/hci0"), QStringLiteral("org.bluez.Adapter1"),
                    QStringLiteral("Powered"))
        .toBool();
}

QString FakeBluez::pathOf(const Device& device) const
{
    return QStringLiteral("/org/bluez/hci0/dev_") + QString(device.address).replace(':', '_');
}

const FakeBluez::Device* FakeBluez::deviceAt(const QString& path) const
{
    for (const Device& d : m_devices)
        if (pathOf(d) == path)
            return &d;
    return nullptr;
}
