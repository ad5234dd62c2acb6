#include "history/HistoryQueue.h"

#include <QDeadlineTimer>

bool HistoryQueue::push(HistoryReport report, bool& wake)
{
    const QMutexLocker lock(&m_mutex);
    wake = false;
    if (int(m_reports.size()) >= m_limit) {
        ++m_dropped;
        return false;
    }
    m_reports.push_back(std::move(report));
    ++m_pushed;
    wake = !std::exchange(m_running, true);
    return true;
}

std::optional<HistoryReport> HistoryQueue::take()
{
    const QMutexLocker lock(&m_mutex);
    if (m_reports.empty()) {
        m_running = false;
        m_progress.wakeAll();
        return std::nullopt;
    }
    HistoryReport report = std::move(m_reports.front());
    m_reports.pop_front();
    return report;
}

void HistoryQueue::done()
{
    const QMutexLocker lock(&m_mutex);
    ++m_done;
    m_progress.wakeAll();
}

bool HistoryQueue::waitDone(int ms)
{
    QDeadlineTimer deadline(ms);
    QMutexLocker lock(&m_mutex);
    const quint64 target = m_pushed;
    while (m_done < target) {
        if (!m_progress.wait(&m_mutex, deadline))
            return m_done >= target;
    }
    return true;
}

quint64 HistoryQueue::pushed() const
{
    const QMutexLocker lock(&m_mutex);
    return m_pushed;
}

bool HistoryQueue::isDone(quint64 n) const
{
    const QMutexLocker lock(&m_mutex);
    return m_done >= n;
}

int HistoryQueue::discard()
{
    const QMutexLocker lock(&m_mutex);
    const int left = int(m_reports.size());
    m_done += quint64(left);
    m_reports.clear();
    m_progress.wakeAll();
    return left;
}

int HistoryQueue::dropped() const
{
    const QMutexLocker lock(&m_mutex);
    return m_dropped;
}

void HistoryQueue::say(const QString& text, bool warn)
{
    const QMutexLocker lock(&m_mutex);
    m_messages.append({text, warn});
}

QList<HistoryQueue::Message> HistoryQueue::takeMessages()
{
    const QMutexLocker lock(&m_mutex);
    return std::exchange(m_messages, {});
}
