#pragma once

#include "history/HistoryReport.h"

#include <QMutex>
#include <QStringList>
#include <QWaitCondition>
#include <deque>
#include <optional>

// The reports between the threads that make them and the history's writer thread. Bounded: a
// report beyond the limit is dropped and counted (the sequences never wait; a writer that far
// behind is stuck on its file). Also carries the writer's messages back to the owner's thread.
class HistoryQueue
{
public:
    struct Message {
        QString text;
        bool warn = false; // for the user; else for the service log only
    };

    explicit HistoryQueue(int limit) : m_limit(limit) {}

    // Adds the report; wake is set when the writer has to be woken for it. False: dropped.
    bool push(HistoryReport report, bool& wake);
    // The next report (the writer then is busy with it), or nothing: the writer goes idle.
    std::optional<HistoryReport> take();
    // The report taken last is written (or has failed).
    void done();
    // Waits until every report pushed so far is done, at most ms; true when they are.
    bool waitDone(int ms);
    // How many reports were pushed so far; whether the first n of them are done.
    quint64 pushed() const;
    bool isDone(quint64 n) const;
    // Empties the queue; the number of reports it held.
    int discard();
    int dropped() const;

    void say(const QString& text, bool warn);
    QList<Message> takeMessages();

private:
    mutable QMutex m_mutex;
    QWaitCondition m_progress;
    std::deque<HistoryReport> m_reports;
    QList<Message> m_messages;
    const int m_limit;
    quint64 m_pushed = 0;
    quint64 m_done = 0;
    int m_dropped = 0;
    bool m_running = false; // the writer is woken or busy
};
