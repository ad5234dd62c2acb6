#include "history/HistoryService.h"

#include "history/HistoryConnection.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"

namespace
{
// A server statement under way for longer than this at the end: the server is not answering.
constexpr qint64 kNotAnsweringMs = 250;
} // namespace

HistoryService::HistoryService(Warning warning, QObject* parent)
    : QObject(parent), m_warning(std::move(warning)), m_writer(m_warning)
{
    connect(&m_writer, &HistoryWriter::written, this, [this] {
        if (m_sync)
            m_sync->nudge();
        emit changed();
    });
}

HistoryService::~HistoryService()
{
    finish();
}

QString HistoryService::localFileFor(const QString& history, const QString& localFile)
{
    if (!history.isEmpty() && !HistoryConnection::isPostgresUrl(history))
        return history;
    return localFile.isEmpty() ? HistoryStore::defaultLocation() : localFile;
}

HistoryOpenResult HistoryService::open(const QString& history, const QString& localFile)
{
    if (m_sync)
        m_sync->stop(kStopBoundMs);
    m_sync.reset();
    m_recorder.endVisitForNewHistory();
    m_location = history;
    const QString file = localFileFor(history, localFile);
    const HistoryOpenResult r = m_writer.open(file);
    if (!r.movedAside.isEmpty())
        warn(QStringLiteral("the history was damaged: moved to %1, a new one started")
                 .arg(r.movedAside));
    if (!r.ok)
        warn(QStringLiteral("no history: %1; the service work goes on without it").arg(r.error));
    m_store.open(file);
    if (r.ok && HistoryConnection::isPostgresUrl(history)) {
        m_sync = std::make_unique<HistorySync>(file, history);
        connect(m_sync.get(), &HistorySync::statusChanged, this, &HistoryService::changed);
    }
    emit changed();
    return r;
}

HistorySyncStatus HistoryService::syncStatus() const
{
    return m_sync ? m_sync->status() : HistorySyncStatus();
}

bool HistoryService::flush(int ms)
{
    return m_writer.flush(ms);
}

bool HistoryService::synchronise(int ms)
{
    return m_sync && m_sync->syncNow(ms);
}

void HistoryService::finish()
{
    if (std::exchange(m_finished, true))
        return;
    m_recorder.endVisitForNewHistory();
    if (const int lost = m_writer.finish(kFlushBoundMs); lost > 0)
        warn(QStringLiteral("%1 reports could not be written into the history before the end")
                 .arg(lost));
    if (!m_sync)
        return;
    // A server that keeps the synchroniser waiting already is not waited for again.
    if (m_sync->waitingForServerMs() < kNotAnsweringMs)
        m_sync->syncNow(kLastPushBoundMs);
    m_sync->stop(kStopBoundMs);
    sayWhatStays();
}

void HistoryService::sayWhatStays()
{
    const HistoryBacklog waiting = m_store.backlog();
    if (waiting.events + waiting.changes == 0)
        return;
    warn(QStringLiteral("%1 events and %2 other changes are not on the server yet; they stay in "
                        "%3 for the next time")
             .arg(waiting.events)
             .arg(waiting.changes)
             .arg(m_store.location()));
}

void HistoryService::warn(const QString& text)
{
    qCInfo(zvHistory) << text;
    AppendServiceLog(QStringLiteral("History: ") + text);
    if (m_warning)
        m_warning(text);
}
