#pragma once

#include <QMutex>
#include <QSqlDatabase>

// The shared server's connection of one synchroniser, watched from another thread: a statement
// that has been under way for too long (the server or the network stalled with the connection
// left open) or one under way when the synchroniser has to stop is ended by shutting the
// connection's socket, so the statement fails at once. The server rolls back what it had begun.
class HistoryServerWatch
{
public:
    // The synchroniser's thread: the connection is open / about to close.
    void connected(const QSqlDatabase& db);
    void disconnected();
    // The synchroniser's thread, around every statement (and around making the connection).
    void statementStarted();
    void statementEnded();

    // Any thread: how long the statement under way has run; 0 when none is.
    qint64 busyMs();
    // Any thread: ends the statement under way when it has run longer than ms; true when it did.
    bool endIfLongerThan(qint64 ms);
    // Any thread: ends the statement under way and every later one, for good (the end).
    void endNow();

private:
    void shutDownLocked();

    QMutex m_mutex;
    int m_socket = -1;
    qint64 m_startedMs = -1; // monotonic clock; -1 when no statement is under way
    bool m_ended = false;
};
