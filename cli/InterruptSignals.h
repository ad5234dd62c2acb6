#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM for a program that runs an event loop. The handler only writes the
// signal's number into a socket pair; the event loop reads it and emits interrupted(), so the
// running sequence is cancelled as a closing window cancels it (it closes its device file while
// the link is up). A second signal ends the process at once with 128 + its number. One instance
// per process; the default handling is back once it is gone.
class InterruptSignals : public QObject
{
    Q_OBJECT
public:
    explicit InterruptSignals(QObject* parent = nullptr);
    ~InterruptSignals() override;

    // The first signal that arrived, 0 while none has.
    int received() const { return m_received; }
    // What the process exits with after it: 128 + the signal's number.
    int exitStatus() const { return 128 + m_received; }

signals:
    void interrupted(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};
