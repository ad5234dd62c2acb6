#pragma once

#include "history/HistoryQueue.h"
#include "history/HistoryStore.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <qcoro/qcorotask.h>

class HistoryApplier;

// The history's writer thread, as seen from the thread that owns it: reports go into a bounded
// queue and never wait; one thread with its own connection and event loop writes them into the
// PC's file in order. Its warnings arrive on the owner's thread (service log, warning callback).
class HistoryWriter : public QObject
{
    Q_OBJECT
public:
    using Warning = std::function<void(const QString& text)>;
    static constexpr int kQueueLimit = 10000;

    explicit HistoryWriter(Warning warning, QObject* parent = nullptr);
    ~HistoryWriter() override; // finish(0)

    // Writes what is queued into the file open until now, then opens file; the caller waits.
    HistoryOpenResult open(const QString& file);
    // Queues the report; never waits. After finish() reports are ignored.
    void enqueue(HistoryReport report);
    // Waits until what is queued now is written, at most ms; true when it is.
    bool flush(int ms);
    // The same without blocking: ends once what is queued now is written (true), or after ms.
    QCoro::Task<bool> writtenUpToNow(int ms);
    // Program end: flushes for at most ms, drops the rest and stops the thread; the number of
    // reports that were not written (dropped at the limit or left at the end).
    int finish(int ms);

signals:
    // Reports were written (on the owner's thread).
    void written();

private:
    void deliverMessages();

    Warning m_warning;
    HistoryQueue m_queue{kQueueLimit};
    QThread m_thread;
    HistoryApplier* m_applier = nullptr;
    bool m_finished = false;
};
