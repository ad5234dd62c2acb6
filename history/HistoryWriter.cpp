#include "history/HistoryWriter.h"

#include "history/HistoryApplier.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"

#include <QDeadlineTimer>
#include <qcoro/qcorosignal.h>

HistoryWriter::HistoryWriter(Warning warning, QObject* parent)
    : QObject(parent), m_warning(std::move(warning)), m_applier(new HistoryApplier(m_queue))
{
    m_thread.setObjectName(QStringLiteral("zvhistory-writer"));
    m_applier->moveToThread(&m_thread);
    connect(m_applier, &HistoryApplier::drained, this, [this] {
        deliverMessages();
        emit written();
    });
    m_thread.start();
}

HistoryWriter::~HistoryWriter()
{
    finish(0);
}

HistoryOpenResult HistoryWriter::open(const QString& file)
{
    HistoryOpenResult result;
    if (m_finished)
        return result;
    QMetaObject::invokeMethod(
        m_applier, [this, &file] { return m_applier->open(file); }, Qt::BlockingQueuedConnection,
        &result);
    deliverMessages();
    return result;
}

void HistoryWriter::enqueue(HistoryReport report)
{
    if (m_finished)
        return;
    bool wake = false;
    if (m_queue.push(std::move(report), wake) && wake)
        QMetaObject::invokeMethod(m_applier, &HistoryApplier::drain, Qt::QueuedConnection);
}

bool HistoryWriter::flush(int ms)
{
    const bool done = m_queue.waitDone(ms);
    deliverMessages();
    return done;
}

// written() follows every run of the writer that emptied the queue, so each report done after
// the check below is heard of.
QCoro::Task<bool> HistoryWriter::writtenUpToNow(int ms)
{
    const quint64 target = m_queue.pushed();
    const QDeadlineTimer deadline(ms);
    while (!m_queue.isDone(target)) {
        if (m_finished || deadline.hasExpired())
            co_return false;
        co_await qCoro(this, &HistoryWriter::written,
                       std::chrono::milliseconds(deadline.remainingTime()));
    }
    co_return true;
}

int HistoryWriter::finish(int ms)
{
    if (std::exchange(m_finished, true))
        return 0;
    m_queue.waitDone(ms);
    const int left = m_queue.discard() + m_queue.dropped();
    // The report under way ends first: at most one statement's busy timeout.
    QMetaObject::invokeMethod(m_applier, &HistoryApplier::close, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_applier;
    m_applier = nullptr;
    deliverMessages();
    return left;
}

void HistoryWriter::deliverMessages()
{
    for (const HistoryQueue::Message& m : m_queue.takeMessages()) {
        AppendServiceLog(QStringLiteral("History: ") + m.text);
        if (m.warn && m_warning)
            m_warning(m.text);
    }
}
