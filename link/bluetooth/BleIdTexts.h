#pragma once

#include <QBluetoothUuid>
#include <QHash>
#include <QString>
#include <utility>

// The identifier texts of BleText for one connection's services, each made once and then kept:
// the events of every command carry the same few identifiers, and making one anew is most of
// what an event costs the back end. clear() when the connection ends.
class BleIdTexts
{
public:
    QString uuidText(const QBluetoothUuid& uuid);
    QString characteristicId(const QBluetoothUuid& service, const QBluetoothUuid& characteristic);
    QString descriptorId(const QBluetoothUuid& service, const QBluetoothUuid& characteristic,
                         const QBluetoothUuid& descriptor);
    void clear();

private:
    QHash<QBluetoothUuid, QString> m_uuidTexts;
    QHash<std::pair<QBluetoothUuid, QBluetoothUuid>, QString> m_characteristicIds;
};
