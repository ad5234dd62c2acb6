#include "link/bluetooth/BleText.h"

#include <QStringList>

#include <cctype>

namespace BleText
{
namespace
{
constexpr int kServerIdLength = 12;
constexpr int kShortUuidLength = 4;
constexpr int kMediumUuidLength = 8;
constexpr int kMaxIdParts = 3;

bool isHex(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7f || !std::isxdigit(static_cast<unsigned char>(c.unicode())))
            return false;
    return !text.isEmpty();
}
} // namespace

QString serverIdOf(const QBluetoothAddress& address)
{
    if (address.isNull())
        return {};
    return address.toString().remove(QLatin1Char(':')).toUpper();
}

QBluetoothAddress addressOf(const QString& serverId)
{
    if (serverId.size() != kServerIdLength || !isHex(serverId))
        return {};
    bool ok = false;
    const quint64 value = serverId.toULongLong(&ok, 16);
    return ok ? QBluetoothAddress(value) : QBluetoothAddress();
}

QString uuidText(const QBluetoothUuid& uuid)
{
    if (uuid.isNull())
        return {};
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

QBluetoothUuid uuidFrom(const QString& text)
{
    const QString t = text.trimmed();
    if ((t.size() == kShortUuidLength || t.size() == kMediumUuidLength) && isHex(t)) {
        bool ok = false;
        const quint32 value = t.toUInt(&ok, 16);
        return ok ? QBluetoothUuid(value) : QBluetoothUuid();
    }
    return QBluetoothUuid(QUuid::fromString(t));
}

QString characteristicId(const QBluetoothUuid& service, const QBluetoothUuid& characteristic)
{
    return uuidText(service) + QLatin1Char('/') + uuidText(characteristic);
}

QString descriptorId(const QBluetoothUuid& service, const QBluetoothUuid& characteristic,
                     const QBluetoothUuid& descriptor)
{
    return characteristicId(service, characteristic) + QLatin1Char('/') + uuidText(descriptor);
}

IdParts splitId(const QString& id)
{
    const QStringList parts = id.split(QLatin1Char('/'));
    IdParts result;
    if (parts.size() > kMaxIdParts)
        return result;
    result.service = uuidFrom(parts.value(0));
    if (parts.size() > 1)
        result.characteristic = uuidFrom(parts.value(1));
    if (parts.size() > 2)
        result.descriptor = uuidFrom(parts.value(2));
    return result;
}

} // namespace BleText
