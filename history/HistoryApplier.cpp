#include "history/HistoryApplier.h"

#include "history/HistoryStorePrivate.h"
#include "history/HistoryWrites.h"
#include "info/RecordDecoder.h"
#include "state/LogCategories.h"

namespace
{
QString whatOf(const HistoryReport& r)
{
    switch (r.kind) {
    case HistoryReport::Kind::VisitStart:
        return QStringLiteral("visit");
    case HistoryReport::Kind::VisitEnd:
        return QStringLiteral("visit end");
    case HistoryReport::Kind::Identity:
        return QStringLiteral("identity");
    case HistoryReport::Kind::Read:
        return QStringLiteral("read");
    case HistoryReport::Kind::WriteStarting:
    case HistoryReport::Kind::Write:
        return QStringLiteral("write");
    case HistoryReport::Kind::Event:
        break;
    }
    return historyEventKindName(r.event.kind);
}
} // namespace

HistoryApplier::HistoryApplier(HistoryQueue& queue) : m_queue(queue) {}

HistoryApplier::~HistoryApplier() = default;

HistoryOpenResult HistoryApplier::open(const QString& file)
{
    drain();
    m_store = std::make_unique<HistoryStore>();
    m_visitKey.clear();
    m_visitId = m_gaugeId = 0;
    return m_store->open(file);
}

void HistoryApplier::close()
{
    m_store.reset();
}

void HistoryApplier::drain()
{
    bool wrote = false;
    while (const std::optional<HistoryReport> report = m_queue.take()) {
        apply(*report);
        m_queue.done();
        wrote = true;
    }
    if (wrote)
        emit drained();
}

void HistoryApplier::apply(const HistoryReport& r)
{
    if (!m_store || !m_store->isOpen())
        return;
    switch (r.kind) {
    case HistoryReport::Kind::VisitStart:
        m_visitKey.clear();
        return record(whatOf(r), [&] { return ensureVisit(r); });
    case HistoryReport::Kind::VisitEnd:
        record(whatOf(r), [&] { return endVisit(r); });
        m_store->d->checkpoint();
        return;
    case HistoryReport::Kind::Identity:
        return record(whatOf(r), [&] { return recordIdentity(r); });
    case HistoryReport::Kind::WriteStarting:
        return record(whatOf(r), [&] { return settleGauge(r); });
    case HistoryReport::Kind::Read:
    case HistoryReport::Kind::Write:
        return record(whatOf(r), [&] { return recordContent(r); });
    case HistoryReport::Kind::Event:
        return record(whatOf(r), [&] { return ensureVisit(r) && addEvent(r.event, r); });
    }
}

void HistoryApplier::record(const QString& what, const std::function<bool()>& step)
{
    const QString key = m_visitKey;
    const qint64 gauge = m_gaugeId, visit = m_visitId;
    const bool settled = m_serialSettled;
    if (m_store->d->inTransaction(step)) {
        m_failing = false;
        return;
    }
    m_visitKey = key; // what the failed transaction made is gone
    m_gaugeId = gauge;
    m_visitId = visit;
    m_serialSettled = settled;
    const QString text =
        QStringLiteral("%1 not recorded in the history: %2").arg(what, m_store->lastError());
    qCInfo(zvHistory) << text;
    m_queue.say(text, !std::exchange(m_failing, true));
}

// The visit of the report's key, started for the gauge at its MAC when it is new.
bool HistoryApplier::ensureVisit(const HistoryReport& r)
{
    if (m_visitId != 0 && m_visitKey == r.visitKey)
        return true;
    HistoryDb& d = *m_store->d;
    m_visitKey = r.visitKey;
    m_serialSettled = false;
    QSqlQuery known(d.db());
    if (d.exec(known, QStringLiteral("SELECT id, gauge_id FROM visits WHERE key = ?"),
               {r.visitKey}) &&
        known.next()) {
        m_visitId = known.value(0).toLongLong();
        m_gaugeId = known.value(1).toLongLong();
        return true;
    }
    m_gaugeId = HistoryWrites::gaugeForMac(d, r.mac, r.at);
    m_visitId = m_gaugeId == 0
                    ? 0
                    : HistoryWrites::startVisit(d, m_gaugeId, r.visitKey, r.at, r.programVersion);
    return m_visitId != 0;
}

bool HistoryApplier::endVisit(const HistoryReport& r)
{
    if (m_visitKey != r.visitKey) { // the visit's start was not written: nothing to end
        m_visitKey = r.visitKey;
        m_visitId =
            m_store->d->scalar(QStringLiteral("SELECT id FROM visits WHERE key = ?"), {r.visitKey})
                .toLongLong();
    }
    return HistoryWrites::endVisit(*m_store->d, m_visitId, r.at);
}

bool HistoryApplier::addEvent(HistoryEvent event, const HistoryReport& r)
{
    event.visitId = m_visitId;
    event.at = r.at;
    return HistoryWrites::addEvent(*m_store->d, event);
}

bool HistoryApplier::recordIdentity(const HistoryReport& r)
{
    const IdentityFields& id = r.identity;
    return ensureVisit(r) && HistoryWrites::setIdentity(*m_store->d, m_gaugeId, id) &&
           addEvent(r.event, r);
}

bool HistoryApplier::recordContent(const HistoryReport& r)
{
    if (!ensureVisit(r) || (r.probe && !adoptSerialOf(r.hex, r.at)))
        return false;
    HistoryEvent e = r.event;
    e.snapshotId = HistoryWrites::snapshotFor(*m_store->d, m_gaugeId, e.file, r.hex, r.at);
    return e.snapshotId != 0 && addEvent(e, r);
}

// A write of the probe file settles the visit's gauge as it is now: by the serial read before
// it, else by the gauge's address.
bool HistoryApplier::settleGauge(const HistoryReport& r)
{
    if (!ensureVisit(r))
        return false;
    m_serialSettled = true;
    return true;
}

// The first probe record read in a visit names the gauge, unless the probe file was written
// before: that record (a read-back) carries the data written, perhaps another gauge's serial
// after a Yes, but the visit is still with the gauge that is connected. Later records do not
// name it either.
bool HistoryApplier::adoptSerialOf(const QString& hex, const QDateTime& at)
{
    if (m_serialSettled)
        return true;
    DeviceRecordValues values;
    if (!decodeRecord(hex, values).ok || values.SerialNumber == 0)
        return true;
    const qint64 gauge = HistoryWrites::gaugeForSerial(*m_store->d, m_gaugeId, m_visitId,
                                                       QString::number(values.SerialNumber), at);
    if (gauge != 0)
        m_gaugeId = gauge;
    m_serialSettled = gauge != 0;
    return gauge != 0;
}
