#include "tests/bluez/BleEventLog.h"

BleEventLog::BleEventLog(BLEClient* client) : QObject(client)
{
    // Events of the same shape, recorded under their own names.
    auto status = [this](const char* name) {
        return [this, name](qint16 code, const QString& text) { add(name, code, text); };
    };
    auto subscription = [this](const char* name) {
        return [this, name](const QString& s, const QString& c, const QString& uuid,
                            const QString&) { add(name, s, c, uuid); };
    };
    connect(client, &BLEClient::Advertisement, this,
            [this](const QString& id, const QString& name, qint16 rssi, qint16,
                   const QStringList& uuids, const QStringList&, const QStringList&, qint16 maker,
                   const QByteArray& makerData, bool, bool) {
                add("Advertisement", id, name, rssi, uuids.join(','), maker, makerData.toHex());
            });
    connect(client, &BLEClient::StartScan, this,
            [this](const QStringList& uuids) { add("StartScan", uuids.join(',')); });
    connect(client, &BLEClient::Connected, this, status("Connected"));
    connect(client, &BLEClient::Disconnected, this, status("Disconnected"));
    connect(client, &BLEClient::Error, this, status("Error"));
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
    connect(client, &BLEClient::Subscribed, this, subscription("Subscribed"));
    connect(client, &BLEClient::Unsubscribed, this, subscription("Unsubscribed"));
}
