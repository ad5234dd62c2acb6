#pragma once

#include <QObject>
#include <QTimer>

class BLE;
class BLEClient;

// The steps of quitting the program: wait until a device sequence that runs has ended (its
// owner has cancelled it; it closes its device file while the link is up and says what became of
// it), disconnect a connected gauge, wait until the link window reports the link down (at most
// the wait limit), pause, then finished(). Every step is a timer or a signal, so nothing nests an
// event loop, and a sequence whose owner is destroyed ends with it.
class QuitSequence : public QObject
{
    Q_OBJECT
public:
    QuitSequence(BLEClient* client, BLE* link, QObject* parent);

    void start(int waitLimitMs, int pauseMs);

signals:
    // The pause after the disconnection is over: the program may end now.
    void finished();

private:
    void disconnectGauge();
    void linkSettled();

    BLEClient* m_client;
    BLE* m_link;
    QTimer m_limit;
    QTimer m_pause;
    QMetaObject::Connection m_linkDown;
    QMetaObject::Connection m_sequenceEnded;
    bool m_running = false;
};
