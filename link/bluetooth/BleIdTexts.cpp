#include "link/bluetooth/BleIdTexts.h"

#include "link/bluetooth/BleText.h"

QString BleIdTexts::uuidText(const QBluetoothUuid& uuid)
{
    auto it = m_uuidTexts.constFind(uuid);
    if (it == m_uuidTexts.cend())
        it = m_uuidTexts.insert(uuid, BleText::uuidText(uuid));
    return *it;
}

QString BleIdTexts::characteristicId(const QBluetoothUuid& service,
                                     const QBluetoothUuid& characteristic)
{
    const std::pair key(service, characteristic);
    auto it = m_characteristicIds.constFind(key);
    if (it == m_characteristicIds.cend())
        it = m_characteristicIds.insert(key, uuidText(service) + QLatin1Char('/') +
                                                 uuidText(characteristic));
    return *it;
}

QString BleIdTexts::descriptorId(const QBluetoothUuid& service,
                                 const QBluetoothUuid& characteristic,
                                 const QBluetoothUuid& descriptor)
{
    return characteristicId(service, characteristic) + QLatin1Char('/') + uuidText(descriptor);
}

void BleIdTexts::clear()
{
    m_uuidTexts.clear();
    m_characteristicIds.clear();
}
