#pragma once

#include "link/CancelToken.h"
#include "link/ConditionWait.h"
#include "link/DeviceOutcome.h"

#include <QCoroTask>
#include <QObject>

class BleLink;
class GaugeSession;

// Keeps reading the gauge's clock, as one loop: read ("$glt!"), show, pause, read again; a set of
// the clock is a request to the loop, sent once the read under way has ended, followed by a
// longer pause. A read that gets no reply within the limit is reported and the loop goes on; a
// late reply never starts a second read. While a device sequence owns the connected gauge's
// channel the reads are held. The loop reads from whichever gauge the link has connected, and
// ends with this object.
class DeviceClock : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPauseMs = 100;    // after a reply, before the next read
    static constexpr int kSetPauseMs = 200; // after setting the clock, before the next read

    explicit DeviceClock(BleLink& link, QObject* parent = nullptr);
    ~DeviceClock() override;

    // Starts (or restarts at once) the reads: StopRefresh becomes false.
    void start();
    // Stops the reads: no further read goes out; a reply still under way is not shown.
    void stop();
    bool StopRefresh() const { return m_stopped; }
    // A read is under way.
    bool waiting() const { return m_waiting; }

    // Sets the gauge's clock to the computer's time (once any read under way has ended), then
    // resumes the reads after kSetPauseMs.
    void setTime();

    void setPauseMs(int ms) { m_pauseMs = ms; }
    // How long a read waits for its reply; <= 0: the channel's default limit.
    void setReplyLimitMs(int ms) { m_limitMs = ms; }

    // One read of the gauge's clock: its time text as the gauge sent it.
    static QCoro::Task<DeviceResult<QString>>
    readClock(GaugeSession& session, const CancelToken* cancel, int limitMs = -1);
    // Sets the gauge's clock to the computer's local time (WriteTime; no reply is awaited): the
    // time text sent.
    static DeviceResult<QString> setClock(GaugeSession& session);

signals:
    // The gauge's time text as it may be shown (control characters spelled out).
    void timeRead(const QString& text);
    // A read got no reply in time, a garbled one, or could not go out (no link).
    void readFailed(const DeviceOutcome& outcome);
    // The set command went out with this time text (YYYY-MM-DD/hh:mm:ss).
    void timeSet(const QString& timeText);

private:
    QCoro::Task<> loop();
    QCoro::Task<> readOnce();
    QCoro::Task<> sendSetTime();
    QCoro::Task<> pause(int ms);
    void ensureRunning();

    BleLink& m_link;
    CancelToken m_ending; // cancels a read under way when this object goes
    ConditionWait m_wake;
    bool m_running = false;
    bool m_ended = false;
    bool m_stopped = true;
    bool m_readNow = false;
    bool m_waiting = false;
    bool m_setPending = false;
    bool m_journalNextRead = false; // the first read after a start or a set goes to the journal
    int m_pauseMs = kPauseMs;
    int m_limitMs = -1;
};
