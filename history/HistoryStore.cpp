#include "history/HistoryStore.h"

#include "history/HistoryConnection.h"
#include "history/HistoryStorePrivate.h"
#include "state/LogCategories.h"
#include "state/ProgramFiles.h"

#include <QAtomicInt>
#include <QHash>
#include <QSqlRecord>

namespace
{
QAtomicInt connectionCount;

const QString kGaugeColumns =
    QStringLiteral("g.id, g.serial, g.mac, g.hardware, g.controler, g.build, g.revision, "
                   "g.first_seen, g.last_seen, (SELECT COUNT(*) FROM visits v WHERE v.gauge_id "
                   "= g.id)");
const QString kEventColumns =
    QStringLiteral("e.id, e.visit_id, e.happened, e.kind, e.file, e.ok, e.detail, e.path, "
                   "e.bytes, e.differing_byte, COALESCE(e.snapshot_id, 0), e.gauge_time, "
                   "e.pc_time");

GaugeSummary gaugeFrom(const QSqlQuery& q)
{
    return {q.value(0).toLongLong(),
            q.value(1).toString(),
            q.value(2).toString(),
            q.value(3).toString(),
            q.value(4).toString(),
            q.value(5).toString(),
            q.value(6).toString(),
            historyTimeFromText(q.value(7).toString()),
            historyTimeFromText(q.value(8).toString()),
            q.value(9).toInt()};
}

QDateTime localTimeFrom(const QVariant& text)
{
    return QDateTime::fromString(text.toString(), Qt::ISODate);
}

HistoryEvent eventFrom(const QSqlQuery& q)
{
    HistoryEvent e;
    e.id = q.value(0).toLongLong();
    e.visitId = q.value(1).toLongLong();
    e.at = historyTimeFromText(q.value(2).toString());
    e.kind = historyEventKindFromName(q.value(3).toString()).value_or(HistoryEventKind::Identity);
    e.file = q.value(4).toString();
    e.ok = q.value(5).toInt() != 0;
    e.detail = q.value(6).toString();
    e.path = q.value(7).toString();
    e.bytes = q.value(8).toLongLong();
    e.differingByte = q.value(9).toInt();
    e.snapshotId = q.value(10).toLongLong();
    e.gaugeTime = localTimeFrom(q.value(11));
    e.pcTime = localTimeFrom(q.value(12));
    return e;
}

HistorySnapshot snapshotFrom(const QSqlQuery& q)
{
    return {q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
            q.value(3).toString(), historyTimeFromText(q.value(4).toString())};
}
} // namespace

HistoryStore::HistoryStore() : d(new Private) {}

HistoryStore::~HistoryStore()
{
    close();
    delete d;
}

QString HistoryStore::defaultLocation()
{
    return ProgramFiles::userDataFolder() + QStringLiteral("/history.sqlite");
}

HistoryOpenResult HistoryStore::open(const QString& location)
{
    return open(HistoryLocation::parse(location));
}

HistoryOpenResult HistoryStore::open(const HistoryLocation& location)
{
    if (!location.isValid()) {
        d->lastError = location.error.text();
        qCInfo(zvHistory) << "history not opened:" << d->lastError;
        return {false, d->lastError, {}};
    }
    // The new connection is made beside the one open now, which stays until it has succeeded.
    HistoryDb next;
    next.connectionName = QStringLiteral("zvhistory-%1").arg(connectionCount.fetchAndAddOrdered(1));
    next.postgres = location.isServer();
    next.location = location.displayText();
    HistoryOpenResult r;
    if (next.postgres) {
        r = HistoryConnection::openPostgres(next, *location.server);
    } else {
        next.location = next.location.isEmpty() ? defaultLocation() : next.location;
        r = HistoryConnection::openSqlite(next, next.location);
    }
    if (!r.ok) {
        d->lastError = r.error;
        return r;
    }
    close();
    static_cast<HistoryDb&>(*d) = next;
    d->open = true;
    d->lastError.clear();
    if (!d->postgres)
        d->pc = d->scalar(QStringLiteral("SELECT pc FROM sync_state")).toString();
    return r;
}

void HistoryStore::close()
{
    if (!QSqlDatabase::contains(d->connectionName))
        return;
    d->db().close();
    QSqlDatabase::removeDatabase(d->connectionName);
    d->open = false;
}

bool HistoryStore::isOpen() const
{
    return d->open;
}

QString HistoryStore::location() const
{
    return d->location;
}

QString HistoryStore::lastError() const
{
    return d->lastError;
}

QList<GaugeSummary> HistoryStore::gauges() const
{
    QList<GaugeSummary> list;
    QSqlQuery q(d->db());
    q.setForwardOnly(true);
    if (!d->exec(q, QStringLiteral("SELECT %1 FROM gauges g ORDER BY g.last_seen DESC, g.id DESC")
                        .arg(kGaugeColumns)))
        return list;
    while (q.next())
        list.append(gaugeFrom(q));
    return list;
}

std::optional<GaugeSummary> HistoryStore::gauge(const QString& serialOrMac) const
{
    const QString mac = QString(serialOrMac).remove(QLatin1Char(':')).toUpper();
    for (const auto& [column, value] : {std::pair{QStringLiteral("serial"), serialOrMac},
                                        std::pair{QStringLiteral("mac"), mac}}) {
        QSqlQuery q(d->db());
        if (!value.isEmpty() &&
            d->exec(q,
                    QStringLiteral("SELECT %1 FROM gauges g WHERE g.%2 = ? ORDER BY g.last_seen "
                                   "DESC, g.id DESC LIMIT 1")
                        .arg(kGaugeColumns, column),
                    {value}) &&
            q.next())
            return gaugeFrom(q);
    }
    return std::nullopt;
}

QList<VisitSummary> HistoryStore::visits(qint64 gaugeId) const
{
    QList<VisitSummary> list;
    QHash<qint64, qsizetype> byId;
    QSqlQuery q(d->db());
    if (!d->exec(q,
                 QStringLiteral("SELECT id, gauge_id, started, ended, program_version, computer, "
                                "user_name FROM visits WHERE gauge_id = ? ORDER BY started DESC, "
                                "id DESC"),
                 {gaugeId}))
        return list;
    while (q.next()) {
        byId.insert(q.value(0).toLongLong(), list.size());
        list.append({q.value(0).toLongLong(),
                     q.value(1).toLongLong(),
                     historyTimeFromText(q.value(2).toString()),
                     historyTimeFromText(q.value(3).toString()),
                     q.value(4).toString(),
                     q.value(5).toString(),
                     q.value(6).toString(),
                     {}});
    }
    QSqlQuery events(d->db());
    if (!d->exec(events,
                 QStringLiteral("SELECT %1 FROM events e JOIN visits v ON v.id = e.visit_id "
                                "WHERE v.gauge_id = ? ORDER BY e.happened, e.id")
                     .arg(kEventColumns),
                 {gaugeId}))
        return list;
    while (events.next()) {
        const HistoryEvent e = eventFrom(events);
        if (const auto at = byId.constFind(e.visitId); at != byId.cend())
            list[*at].events.append(e);
    }
    return list;
}

QList<HistorySnapshot> HistoryStore::snapshots(qint64 gaugeId) const
{
    QList<HistorySnapshot> list;
    QSqlQuery q(d->db());
    if (!d->exec(q,
                 QStringLiteral("SELECT id, gauge_id, file, hex, first_seen FROM snapshots WHERE "
                                "gauge_id = ? ORDER BY first_seen, id"),
                 {gaugeId}))
        return list;
    while (q.next())
        list.append(snapshotFrom(q));
    return list;
}

std::optional<HistorySnapshot> HistoryStore::snapshot(qint64 snapshotId) const
{
    QSqlQuery q(d->db());
    if (!d->exec(q,
                 QStringLiteral(
                     "SELECT id, gauge_id, file, hex, first_seen FROM snapshots WHERE id = ?"),
                 {snapshotId}) ||
        !q.next())
        return std::nullopt;
    return snapshotFrom(q);
}

qint64 HistoryStore::visitOfKey(const QString& key) const
{
    if (key.isEmpty())
        return 0;
    return d->scalar(QStringLiteral("SELECT id FROM visits WHERE key = ?"), {key}).toLongLong();
}

HistoryBacklog HistoryStore::backlog() const
{
    HistoryBacklog b;
    QSqlQuery q(d->db());
    if (d->postgres ||
        !d->exec(q, QStringLiteral("SELECT COUNT(*), MIN(happened) FROM events WHERE changed > "
                                   "pushed")) ||
        !q.next())
        return b;
    b.events = q.value(0).toInt();
    b.since = historyTimeFromText(q.value(1).toString());
    b.changes = d->scalar(QStringLiteral("SELECT (SELECT COUNT(*) FROM gauges WHERE changed > "
                                         "pushed) + (SELECT COUNT(*) FROM visits WHERE changed > "
                                         "pushed) + (SELECT COUNT(*) FROM snapshots WHERE changed "
                                         "> pushed)"))
                    .toInt();
    return b;
}
