#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class CommandChannel;

// One line of the protocol trace: a command sent or a reply received.
struct TraceLine {
    enum class Direction { Sent, Received };
    Direction direction = Direction::Sent;
    QDateTime time;          // local wall-clock time
    QString text;            // the bytes read as Latin-1, control characters escaped (RadioText)
    qint64 roundTripMs = -1; // a reply: ms since the command it answers; -1 for none
};

// Records every command the channel sends and every reply it receives, with the time and, for
// a reply, the round-trip time since the command before it. It keeps the newest kMaxLines.
class ProtocolTrace : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxLines = 20000;

    explicit ProtocolTrace(QObject* parent = nullptr);

    // Records what this channel sends and receives from now on (one channel at a time).
    void attach(CommandChannel* channel);

    void recordSent(const QString& command);
    void recordReceived(const QByteArray& value);
    void clear();

    const QList<TraceLine>& lines() const { return m_lines; }
    // All lines, one per line of text, in the order they happened.
    QString text() const;

    // "hh:mm:ss.zzz  -> text" for a command, "hh:mm:ss.zzz  <- text  (RTT n ms)" for a reply.
    static QString formatLine(const TraceLine& line);

signals:
    void lineAdded(const TraceLine& line);
    void cleared();

private:
    void append(TraceLine line);

    QPointer<CommandChannel> m_channel;
    QList<TraceLine> m_lines;
    QElapsedTimer m_clock;
    qint64 m_pendingSinceMs = -1; // send time of the command not yet answered
};
