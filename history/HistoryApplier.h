#pragma once

#include "history/HistoryQueue.h"
#include "history/HistoryStore.h"

#include <QObject>
#include <functional>
#include <memory>

// The history's writer, on its own thread with its own connection to the PC's file: takes the
// reports from the queue in order and writes each in its own transaction, working out the gauge
// and visit it belongs to. A report that cannot be written is logged; the first of a run of
// failures is also a warning. Messages go back through the queue.
class HistoryApplier : public QObject
{
    Q_OBJECT
public:
    explicit HistoryApplier(HistoryQueue& queue);
    ~HistoryApplier() override;

    // Writes what is queued into the file open until now, then opens file (on this thread).
    HistoryOpenResult open(const QString& file);
    // Writes what is queued.
    void drain();
    // Closes the file (on this thread).
    void close();

signals:
    // The queue ran empty after reports were written.
    void drained();

private:
    void apply(const HistoryReport& report);
    void record(const QString& what, const std::function<bool()>& step);
    bool ensureVisit(const HistoryReport& report);
    bool settleGauge(const HistoryReport& report);
    bool adoptSerialOf(const QString& hex, const QDateTime& at);
    bool addEvent(HistoryEvent event, const HistoryReport& report);
    bool recordIdentity(const HistoryReport& report);
    bool recordContent(const HistoryReport& report);
    bool endVisit(const HistoryReport& report);

    HistoryQueue& m_queue;
    std::unique_ptr<HistoryStore> m_store;
    QString m_visitKey; // the visit the ids below belong to
    qint64 m_gaugeId = 0;
    qint64 m_visitId = 0;
    bool m_serialSettled = false; // the visit's gauge is known for good (by serial or address)
    bool m_failing = false;
};
