#pragma once

#include <QBluetoothAddress>
#include <QBluetoothUuid>
#include <QString>

// The text identifiers the Qt Bluetooth back end hands out, and their parsing. All functions
// accept any input: what cannot be parsed gives an empty / null result.
namespace BleText
{

// "5A:45:4C:56:4F:01" -> "5A454C564F01"; a null address gives "".
QString serverIdOf(const QBluetoothAddress& address);
// "5A454C564F01" (case-insensitive) -> the address; anything but 12 hex digits gives null.
QBluetoothAddress addressOf(const QString& serverId);

// Upper-case hyphenated 36-character text; 16-bit UUIDs come expanded in the base UUID.
// A null UUID gives "".
QString uuidText(const QBluetoothUuid& uuid);
// Parses a UUID in any usual notation (with or without braces, 4 / 8 hex digits for short
// forms); gives a null UUID for anything else.
QBluetoothUuid uuidFrom(const QString& text);

// Identifiers: service "S", characteristic "S/C", descriptor "S/C/D" (each part a uuidText).
QString characteristicId(const QBluetoothUuid& service, const QBluetoothUuid& characteristic);
QString descriptorId(const QBluetoothUuid& service, const QBluetoothUuid& characteristic,
                     const QBluetoothUuid& descriptor);

// The parts of an identifier; null UUIDs where a part is missing or malformed.
struct IdParts {
    QBluetoothUuid service;
    QBluetoothUuid characteristic;
    QBluetoothUuid descriptor;
};
IdParts splitId(const QString& id);

} // namespace BleText
