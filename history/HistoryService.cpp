#include "history/HistoryService.h"

#include "state/LogCategories.h"
#include "state/ServiceLog.h"

namespace
{
// A server statement under way for longer than this at the end: the server is not answering.
constexpr qint64 kNotAnsweringMs = 250;

// This PC's file: the history when it is a file, else the local file named (the default one
// when none is); an error when the local file is named by a URL or by a wrong text.
HistoryLocation localOf(const HistoryLocation& history, const QString& localFile)
{
    HistoryLocation local = history.isServer() ? HistoryLocation::parse(localFile) : history;
    if (local.isServer()) {
        local.server.reset();
        local.error = {LocationError::Kind::NotAFile, QStringLiteral("this PC's history")};
    }
    if (local.isValid() && local.sqlitePath.isEmpty())
        local.sqlitePath = HistoryStore::defaultLocation();
    return local;
}
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

HistoryOpenResult HistoryService::open(const QString& history, const QString& localFile)
{
    return open(HistoryLocation::parse(history), localFile);
}

HistoryOpenResult HistoryService::open(const HistoryLocation& history, const QString& localFile)
{
    const HistoryLocation local = localOf(history, localFile);
    const LocationError wrong = history.isValid() ? local.error : history.error;
    if (wrong.isError()) {
        warn(QStringLiteral("no history: %1; the service work goes on without it")
                 .arg(wrong.text()));
        return {false, wrong.text(), {}};
    }
    stopSync();
    m_recorder.endVisitForNewHistory();
    m_location = history.isServer() ? history.displayText() : local.sqlitePath;
    const HistoryOpenResult r = m_writer.open(local.sqlitePath);
    if (!r.movedAside.isEmpty())
        warn(QStringLiteral("the history was damaged: moved to %1, a new one started")
                 .arg(r.movedAside));
    if (!r.ok)
        warn(QStringLiteral("no history: %1; the service work goes on without it").arg(r.error));
    m_store.open(local);
    if (r.ok && history.isServer()) {
        m_sync = std::make_unique<HistorySync>(local.sqlitePath, *history.server);
        connect(m_sync.get(), &HistorySync::statusChanged, this, &HistoryService::changed);
    }
    emit changed();
    return r;
}

void HistoryService::stopSync()
{
    if (m_sync)
        m_sync->stop(kStopBoundMs);
    m_sync.reset();
}

HistorySyncStatus HistoryService::syncStatus() const
{
    return m_sync ? m_sync->status() : HistorySyncStatus();
}

bool HistoryService::flush(int ms)
{
    return m_writer.flush(ms);
}

QCoro::Task<qint64> HistoryService::currentVisit(int ms)
{
    const QString key = m_recorder.visitKey();
    if (key.isEmpty() || !co_await m_writer.writtenUpToNow(ms))
        co_return 0;
    co_return m_store.visitOfKey(key);
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
