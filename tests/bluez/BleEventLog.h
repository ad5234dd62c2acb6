#pragma once

#include "link/BLEClient.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Records every event of a BLEClient in arrival order, as the event name plus its arguments.
class BleEventLog : public QObject
{
    Q_OBJECT
public:
    struct Event {
        QString name;
        QVariantList args;
    };

    explicit BleEventLog(BLEClient* client);

    const QList<Event>& events() const { return m_events; }
    int size() const { return int(m_events.size()); }
    void clear() { m_events.clear(); }
    // Events with this name, in order.
    QList<Event> named(const QString& name) const;
    int count(const QString& name) const { return int(named(name).size()); }
    // Index of the first event with this name whose argument at position index equals value;
    // -1 if there is none.
    int find(const QString& name, int index, const QVariant& value) const;
    // One line per event (for failure messages).
    QString dump() const;

signals:
    void recorded();

private:
    void add(const QString& name, const QVariantList& args)
    {
        m_events.append({name, args});
        emit recorded();
    }

    QList<Event> m_events;
};
