#include "history/HistorySyncPush.h"

#include "history/HistorySyncGauges.h"

#include <QHash>
#include <QSqlRecord>

namespace
{
using Row = QVariantList;

// One page of waiting rows, read in one snapshot of the file.
struct Page {
    QList<Row> gauges;    // id, serial ... last_seen, changed
    QList<Row> snapshots; // id, gauge_id, file, hex, first_seen, key, origin, changed
    QList<Row> visits; // id, gauge_id, started, ended, program_version, computer, user_name, key,
                       // origin, changed
    QList<Row> events; // id, visit key, happened ... pc_time, key, origin, changed, snapshot key
    bool empty() const
    {
        return gauges.isEmpty() && snapshots.isEmpty() && visits.isEmpty() && events.isEmpty();
    }
};

// What a page changed on the server: per table the rows copied (id, changed).
struct Copied {
    QList<QPair<QString, Row>> rows;
    int events = 0;
};

bool readRows(HistoryDb& d, const QString& sql, QList<Row>& rows)
{
    QSqlQuery q(d.db());
    q.setForwardOnly(true);
    if (!d.exec(q, sql))
        return false;
    while (q.next()) {
        Row row;
        for (int c = 0; c < q.record().count(); ++c)
            row << q.value(c);
        rows << row;
    }
    return true;
}

bool readPage(HistoryDb& d, Page& page)
{
    const QString limit = QStringLiteral(" LIMIT %1").arg(HistorySyncPush::kPageRows);
    QSqlQuery q(d.db());
    if (!d.exec(q, QStringLiteral("BEGIN"))) // one snapshot of the file for all four
        return false;
    const bool read =
        readRows(d,
                 QStringLiteral("SELECT id, serial, mac, hardware, controler, build, revision, "
                                "first_seen, last_seen, changed FROM gauges WHERE changed > "
                                "pushed") +
                     limit,
                 page.gauges) &&
        readRows(d,
                 QStringLiteral("SELECT id, gauge_id, file, hex, first_seen, key, origin, "
                                "changed FROM snapshots WHERE changed > pushed") +
                     limit,
                 page.snapshots) &&
        readRows(d,
                 QStringLiteral("SELECT id, gauge_id, started, ended, program_version, computer, "
                                "user_name, key, origin, changed FROM visits WHERE changed > "
                                "pushed") +
                     limit,
                 page.visits) &&
        readRows(d,
                 QStringLiteral("SELECT e.id, v.key, e.happened, e.kind, e.file, e.ok, e.detail, "
                                "e.path, e.bytes, e.differing_byte, e.gauge_time, e.pc_time, "
                                "e.key, e.origin, e.changed, COALESCE(s.key, '') FROM events e "
                                "JOIN visits v ON v.id = e.visit_id LEFT JOIN snapshots s ON "
                                "s.id = e.snapshot_id WHERE e.changed > e.pushed") +
                     limit,
                 page.events);
    QSqlQuery(d.db()).exec(QStringLiteral("COMMIT"));
    return read;
}

// Writes one page into the server inside its transaction, with the ids of both sides matched.
class PageCopy
{
public:
    PageCopy(HistoryDb& local, HistoryDb& server) : m_local(local), m_server(server) {}

    bool copy(const Page& page, Copied& copied)
    {
        for (const Row& g : page.gauges) {
            if (serverGauge(g[0].toLongLong()) == 0)
                return false;
            copied.rows.append({QStringLiteral("gauges"), {g[0], g.last()}});
        }
        for (const Row& s : page.snapshots) {
            if (!copySnapshot(s))
                return false;
            copied.rows.append({QStringLiteral("snapshots"), {s[0], s.last()}});
        }
        for (const Row& v : page.visits) {
            if (!copyVisit(v))
                return false;
            copied.rows.append({QStringLiteral("visits"), {v[0], v.last()}});
        }
        for (const Row& e : page.events) {
            bool skipped = false;
            if (!copyEvent(e, skipped))
                return false;
            if (!skipped) {
                copied.rows.append({QStringLiteral("events"), {e[0], e[14]}});
                ++copied.events;
            }
        }
        return true;
    }

private:
    // The server's id of the file's gauge, resolved (and brought up to date) once per page.
    qint64 serverGauge(qint64 localId)
    {
        if (const auto known = m_gauges.constFind(localId); known != m_gauges.cend())
            return *known;
        QSqlQuery q(m_local.db());
        if (!m_local.exec(q,
                          QStringLiteral("SELECT serial, mac, hardware, controler, build, "
                                         "revision, first_seen, last_seen FROM gauges WHERE id = "
                                         "?"),
                          {localId}) ||
            !q.next())
            return 0;
        const qint64 id = HistorySyncGauges::resolve(m_server, HistorySyncGauges::Side::Server,
                                                     SyncGauge::from(q, 0), m_local.pc);
        if (id != 0)
            m_gauges.insert(localId, id);
        return id;
    }

    bool run(const QString& sql, const QVariantList& values)
    {
        auto query = m_queries.find(sql);
        if (query == m_queries.end())
            query = m_queries.insert(sql, QSqlQuery(m_server.db()));
        return m_server.exec(*query, sql, values);
    }

    bool copySnapshot(const Row& s)
    {
        const qint64 gauge = serverGauge(s[1].toLongLong());
        return gauge != 0 &&
               run(QStringLiteral("INSERT INTO snapshots (gauge_id, file, hex, first_seen, key, "
                                  "origin, changed_by) VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT "
                                  "(gauge_id, file, hex) DO NOTHING"),
                   {gauge, s[2], s[3], s[4], s[5], s[6], m_local.pc});
    }

    bool copyVisit(const Row& v)
    {
        const qint64 gauge = serverGauge(v[1].toLongLong());
        return gauge != 0 &&
               run(QStringLiteral("INSERT INTO visits (gauge_id, started, ended, "
                                  "program_version, computer, user_name, key, origin, "
                                  "changed_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT "
                                  "(key) DO UPDATE SET gauge_id = EXCLUDED.gauge_id, ended = "
                                  "EXCLUDED.ended, changed_by = EXCLUDED.changed_by, change_seq = "
                                  "nextval('history_changes') WHERE visits.gauge_id <> "
                                  "EXCLUDED.gauge_id OR visits.ended <> EXCLUDED.ended"),
                   {gauge, v[2], v[3], v[4], v[5], v[6], v[7], v[8], m_local.pc});
    }

    // The server's visit (id, gauge) of a key; ids 0 when it has none.
    QPair<qint64, qint64> serverVisit(const QString& key)
    {
        if (const auto known = m_visits.constFind(key); known != m_visits.cend())
            return *known;
        QSqlQuery q(m_server.db());
        if (!m_server.exec(q, QStringLiteral("SELECT id, gauge_id FROM visits WHERE key = ?"),
                           {key}))
            return {-1, -1};
        const QPair<qint64, qint64> visit =
            q.next() ? qMakePair(q.value(0).toLongLong(), q.value(1).toLongLong())
                     : qMakePair(qint64(0), qint64(0));
        if (visit.first > 0)
            m_visits.insert(key, visit);
        return visit;
    }

    // The server's snapshot of this content, of the visit's gauge where it has one there.
    qint64 serverSnapshot(const QString& key, qint64 gauge)
    {
        const auto known = m_snapshots.constFind({key, gauge});
        if (known != m_snapshots.cend())
            return *known;
        const qint64 id =
            m_server
                .scalar(QStringLiteral("SELECT id FROM snapshots WHERE key = ? ORDER BY gauge_id "
                                       "= ? DESC, id LIMIT 1"),
                        {key, gauge})
                .toLongLong();
        if (id != 0)
            m_snapshots.insert({key, gauge}, id);
        return id;
    }

    // An event whose visit or content the server does not have yet waits for a later page.
    bool copyEvent(const Row& e, bool& skipped)
    {
        const auto [visit, gauge] = serverVisit(e[1].toString());
        if (visit < 0)
            return false;
        const QString snapshotKey = e[15].toString();
        const qint64 snapshot =
            visit == 0 || snapshotKey.isEmpty() ? 0 : serverSnapshot(snapshotKey, gauge);
        skipped = visit == 0 || (!snapshotKey.isEmpty() && snapshot == 0);
        if (skipped)
            return true;
        return run(QStringLiteral("INSERT INTO events (visit_id, happened, kind, file, ok, "
                                  "detail, path, bytes, differing_byte, gauge_time, pc_time, key, "
                                  "origin, snapshot_id, changed_by) VALUES (?, ?, ?, ?, ?, ?, ?, "
                                  "?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (key) DO UPDATE SET "
                                  "visit_id = EXCLUDED.visit_id, snapshot_id = "
                                  "EXCLUDED.snapshot_id, changed_by = EXCLUDED.changed_by, "
                                  "change_seq = nextval('history_changes') WHERE events.visit_id "
                                  "<> EXCLUDED.visit_id OR events.snapshot_id IS DISTINCT FROM "
                                  "EXCLUDED.snapshot_id"),
                   {visit, e[2], e[3], e[4], e[5], e[6], e[7], e[8], e[9], e[10], e[11], e[12],
                    e[13],
                    snapshot > 0 ? QVariant(snapshot) : QVariant(QMetaType::fromType<qint64>()),
                    m_local.pc});
    }

    HistoryDb& m_local;
    HistoryDb& m_server;
    QHash<qint64, qint64> m_gauges;
    QHash<QString, QPair<qint64, qint64>> m_visits;
    QHash<QPair<QString, qint64>, qint64> m_snapshots;
    QHash<QString, QSqlQuery> m_queries; // prepared once per page
};

// The server has the rows: they no longer wait (unless they changed again meanwhile).
bool markCopied(HistoryDb& local, const Copied& copied)
{
    QHash<QString, QSqlQuery> queries;
    return local.inTransaction([&] {
        for (const auto& [table, row] : copied.rows) {
            auto query = queries.find(table);
            if (query == queries.end())
                query = queries.insert(table, QSqlQuery(local.db()));
            if (!local.exec(*query,
                            QStringLiteral("UPDATE %1 SET pushed = ? WHERE id = ?").arg(table),
                            {row[1], row[0]}))
                return false;
        }
        return true;
    });
}
} // namespace

namespace HistorySyncPush
{

bool run(HistoryDb& local, HistoryDb& server, const std::atomic_bool& stop, int& pushed)
{
    while (!stop) {
        Page page;
        if (!readPage(local, page))
            return false;
        if (page.empty())
            return true;
        Copied copied;
        PageCopy copy(local, server);
        if (!server.inTransaction([&] { return copy.copy(page, copied); }))
            return false;
        if (!markCopied(local, copied))
            return false;
        pushed += copied.events;
        if (copied.rows.isEmpty()) { // only events whose visit the server lacks: stuck
            server.lastError = QStringLiteral("events without their visit on the server");
            return false;
        }
    }
    return true;
}

} // namespace HistorySyncPush
