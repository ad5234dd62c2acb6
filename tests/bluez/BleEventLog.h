#pragma once

#include "link/BLEClient.h"

#include <QStringList>
#include <QVariant>

// Records every event of a BLEClient in arrival order, one line each: the event name, a blank
// and its arguments joined by '|' (byte values as Latin-1 text), e.g. "Connected 0|".
class BleEventLog : public QObject
{
    Q_OBJECT
public:
    explicit BleEventLog(BLEClient* client);

    QStringList lines;
    int size() const { return int(lines.size()); }
    void clear() { lines.clear(); }
    // Lines starting with this text (an event name, or name and leading arguments).
    QStringList named(const QString& start) const
    {
        QStringList found;
        for (const QString& line : lines) {
            if (line.startsWith(start))
                found.append(line);
        }
        return found;
    }
    int count(const QString& start) const { return int(named(start).size()); }
    QString dump() const { return lines.join(QLatin1Char('\n')); }

signals:
    void recorded();

private:
    template <typename... Args> void add(const char* name, const Args&... args)
    {
        QStringList texts{QVariant(args).toString()...};
        lines.append(QLatin1String(name) + QLatin1Char(' ') + texts.join(QLatin1Char('|')));
        emit recorded();
    }
};
