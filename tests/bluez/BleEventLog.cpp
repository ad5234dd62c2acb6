#include "tests/bluez/BleEventLog.h"

BleEventLog::BleEventLog(BLEClient* client) : QObject(client)
{
    connect(client, &BLEClient::Advertisement, this,
            [this](const QString& id, const QString& name, qint16 rssi, qint16,
                   const QStringList& uuids, const QStringList&, const QStringList&, qint16 maker,
                   const QByteArray& makerData, bool, bool) {
                add("Advertisement", id, name, rssi, uuids.join(','), maker, makerData.toHex());
            });
    connect(client, &BLEClient::StartScan, this,
            [this](const QStringList& uuids) { add("StartScan", uuids.join(',')); });
    connect(client, &BLEClient::Connected, this,
            [this](qint16 status, const QString& text) { add("Connected", status, text); });
    connect(client, &BLEClient::Disconnected, this,
            [this](qint16 status, const QString& text) { add("Disconnected", status, text); });
    connect(client, &BLEClient::Error, this,
            [this](qint16 code, const QString& text) { add("Error", code, text); });
    connect(client, &BLEClient::Discovered, this,
            [this](qint16 type, const QString& s, const QString& c, const QString& d,
                   const QString& uuid,
                   const QString&) { add("Discovered", type, s, c, d, uuid); });
    connect(client, &BLEClient::WriteResponse, this,
            [this](const QString& s, const QString& c, const QString& d, const QString& uuid,
                   const QString&) { add("WriteResponse", s, c, d, uuid); });
    connect(client, &BLEClient::Value, this,
            [this](const QString& s, const QString& c, const QString& d, const QString& uuid,
                   const QString&,
                   const QByteArray& v) { add("Value", s, c, d, uuid, QString::fromLatin1(v)); });
    connect(client, &BLEClient::Subscribed, this,
            [this](const QString& s, const QString& c, const QString& uuid, const QString&) {
                add("Subscribed", s, c, uuid);
            });
    connect(client, &BLEClient::Unsubscribed, this,
            [this](const QString& s, const QString& c, const QString& uuid, const QString&) {
                add("Unsubscribed", s, c, uuid);
            });
}
