#pragma once

#include "link/ConditionWait.h"

#include <QCoroTask>
#include <QObject>

class BleLink;

// The steps of quitting the program, as one coroutine: wait until a device sequence that runs
// has ended (its owner has cancelled it; it closes its device file while the link is up and
// says what became of it), disconnect a connected gauge and wait until the link is down (at most
// the wait limit), pause, then finished(). Nothing nests an event loop; the sequence ends with
// its owner.
class QuitSequence : public QObject
{
    Q_OBJECT
public:
    QuitSequence(BleLink& link, QObject* parent);
    ~QuitSequence() override;

    // Runs the steps once.
    void start(int waitLimitMs, int pauseMs);

signals:
    // The pause after the disconnection is over: the program may end now.
    void finished();

private:
    QCoro::Task<> run(int waitLimitMs, int pauseMs);

    BleLink& m_link;
    ConditionWait m_wait;
    bool m_running = false;
};
