#pragma once

#include <QObject>
#include <QTimer>

class BLE;
class BLEClient;

// The steps of quitting the program: disconnect a connected gauge, wait until the link window
// reports the link down (at most the wait limit), pause, then finished(). Every step is a timer
// or a signal of the link window, so nothing nests an event loop, and a sequence whose owner is
// destroyed ends with it.
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
    void linkSettled();

    BLEClient* m_client;
    BLE* m_link;
    QTimer m_limit;
    QTimer m_pause;
    QMetaObject::Connection m_linkDown;
    bool m_running = false;
};
