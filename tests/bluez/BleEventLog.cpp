#include "tests/bluez/BleEventLog.h"

BleEventLog::BleEventLog(BLEClient* client) : QObject(client)
{
    connect(client, &BLEClient::Advertisement, this,
            [this](const QString& id, const QString& name, qint16 rssi, qint16, const QStringList&,
                   const QStringList&, const QStringList&, qint16, const QByteArray&, bool, bool) {
                add(QStringLiteral("Advertisement"), {id, name, int(rssi)});
            });
    connect(client, &BLEClient::StartScan, this,
            [this](const QStringList& uuids) { add(QStringLiteral("StartScan"), {uuids}); });
    connect(client, &BLEClient::Connected, this, [this](qint16 status, const QString& text) {
        add(QStringLiteral("Connected"), {int(status), text});
    });
    connect(client, &BLEClient::Disconnected, this, [this](qint16 status, const QString& text) {
        add(QStringLiteral("Disconnected"), {int(status), text});
    });
    connect(client, &BLEClient::Discovered, this,
            [this](qint16 type, const QString& s, const QString& c, const QString& d,
                   const QString& uuid, const QString&) {
                add(QStringLiteral("Discovered"), {int(type), s, c, d, uuid});
            });
    connect(client, &BLEClient::Error, this, [this](qint16 code, const QString& text) {
        add(QStringLiteral("Error"), {int(code), text});
    });
    connect(client, &BLEClient::WriteResponse, this,
            [this](const QString& s, const QString& c, const QString& d, const QString& uuid,
                   const QString&) {
                add(QStringLiteral("WriteResponse"), {s, c, d, uuid});
            });
    connect(client, &BLEClient::Value, this,
            [this](const QString& s, const QString& c, const QString& d, const QString& uuid,
                   const QString&, const QByteArray& value) {
                add(QStringLiteral("Value"), {s, c, d, uuid, value});
            });
    connect(client, &BLEClient::Subscribed, this,
            [this](const QString& s, const QString& c, const QString& uuid, const QString&) {
                add(QStringLiteral("Subscribed"), {s, c, uuid});
            });
    connect(client, &BLEClient::Unsubscribed, this,
            [this](const QString& s, const QString& c, const QString& uuid, const QString&) {
                add(QStringLiteral("Unsubscribed"), {s, c, uuid});
            });
}

QList<BleEventLog::Event> BleEventLog::named(const QString& name) const
{
    QList<Event> found;
    for (const Event& e : m_events)
        if (e.name == name)
            found.append(e);
    return found;
}

int BleEventLog::find(const QString& name, int index, const QVariant& value) const
{
    for (int i = 0; i < m_events.size(); ++i)
        if (m_events[i].name == name && m_events[i].args.value(index) == value)
            return i;
    return -1;
}

QString BleEventLog::dump() const
{
    QStringList lines;
    for (const Event& e : m_events) {
        QStringList args;
        for (const QVariant& a : e.args)
            args.append(a.toString());
        lines.append(e.name + QLatin1Char(' ') + args.join(QLatin1Char('|')));
    }
    return lines.join(QLatin1Char('\n'));
}
