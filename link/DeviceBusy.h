#pragma once

#include <QObject>

// Whether a long device sequence (a file transfer of any window) owns the command channel. The
// channel has no queue, so while this is set no window may send: the windows disable their device
// buttons and the clock poller holds its reads.
class DeviceBusy : public QObject
{
    Q_OBJECT
public:
    bool isBusy() const { return m_depth > 0; }

    // Marks the channel busy for the lifetime of a Guard.
    class Guard
    {
    public:
        Guard();
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
    };

signals:
    void busyChanged(bool busy);

private:
    void enter();
    void leave();
    int m_depth = 0;
};

// The one instance of the process.
DeviceBusy& deviceBusy();
