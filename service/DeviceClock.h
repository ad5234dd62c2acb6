#pragma once

#include "link/ReplyWait.h"

#include <QObject>
#include <QTimer>

class CommandChannel;

// Keeps reading the gauge's clock: one "$glt!" at a time, the next one a pause after the previous
// reply. A read that gets no reply within the limit is reported and the polling goes on; a
// late reply never starts a second read, so requests cannot pile up. While a long device sequence
// owns the channel (DeviceBusy) the reads are held.
class DeviceClock : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPauseMs = 100;    // after a reply, before the next read
    static constexpr int kSetPauseMs = 200; // after setting the clock, before the next read

    explicit DeviceClock(CommandChannel& channel, QObject* parent = nullptr);

    // Starts (or restarts) the polling: StopRefresh becomes false.
    void start();
    // Stops the polling: no further read goes out; a reply still under way is not shown.
    void stop();
    bool StopRefresh() const { return m_stopped; }
    // A read is under way.
    bool waiting() const { return m_waiting; }

    // Sets the gauge's clock to the computer's time (once any read under way has ended), then
    // resumes the polling after kSetPauseMs.
    void setTime();

    void setPauseMs(int ms) { m_pauseMs = ms; }
    // How long a read waits for its reply; <= 0: the channel's default limit.
    void setReplyLimitMs(int ms) { m_limitMs = ms; }

signals:
    // The gauge's time text as it may be shown (control characters spelled out).
    void timeRead(const QString& text);
    // A read got no reply in time (TimedOut) or could not go out / lost the link (LinkLost).
    void readFailed(WaitResult why);
    // The set command went out with this time text (YYYY-MM-DD/hh:mm:ss).
    void timeSet(const QString& timeText);

private:
    void readNext();
    void onValue(const QByteArray& value);
    void onReplyHandled();
    void onLimit();
    void onLinkLost();
    void afterRead();
    void sendSetTime();
    void schedule(int ms);

    CommandChannel& m_channel;
    QTimer m_next;
    QTimer m_limit;
    bool m_stopped = true;
    bool m_waiting = false;
    bool m_setPending = false;
    bool m_timeReply = false;
    bool m_journalNextRead = false; // the first read after a start or a set goes to the journal
    int m_pauseMs = kPauseMs;
    int m_limitMs = -1;
};
