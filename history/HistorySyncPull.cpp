#include "history/HistorySyncPull.h"

#include "history/HistorySyncGauges.h"

#include <QHash>

namespace
{
const QString kGaugeColumns = QStringLiteral(
    "g.serial, g.mac, g.hardware, g.controler, g.build, g.revision, g.first_seen, g.last_seen");

enum class Pulled { Done, More, MissingParent, Failed };

// One table's pull: the server's query (change number first, then the row) and how a row
// goes into the file.
class TablePull
{
public:
    TablePull(HistoryDb& local, HistoryDb& server) : m_local(local), m_server(server) {}

    // One page of the table; Done when it was the last.
    Pulled page(const QString& table, int& pulled)
    {
        const qint64 from =
            m_local.scalar(QStringLiteral("SELECT %1_upto FROM sync_state").arg(table))
                .toLongLong();
        QSqlQuery q(m_server.db());
        q.setForwardOnly(true);
        const bool everyone = table == QLatin1String("gauges");
        if (!m_server.exec(q, selectOf(table),
                           everyone ? QVariantList{from} : QVariantList{from, m_local.pc}))
            return Pulled::Failed;
        int rows = 0;
        qint64 reached = from;
        Pulled outcome = Pulled::Done;
        const bool ok = m_local.inTransaction([&] {
            while (q.next()) {
                if (!apply(table, q, outcome)) {
                    if (outcome != Pulled::MissingParent)
                        return false;
                    break;
                }
                reached = q.value(0).toLongLong();
                ++rows;
            }
            QSqlQuery mark(m_local.db());
            return m_local.exec(
                mark, QStringLiteral("UPDATE sync_state SET %1_upto = ?").arg(table), {reached});
        });
        pulled += rows;
        if (!ok)
            return Pulled::Failed;
        if (outcome == Pulled::MissingParent)
            return outcome;
        return rows == HistorySyncPull::kPageRows ? Pulled::More : Pulled::Done;
    }

private:
    static QString selectOf(const QString& table)
    {
        const QString page = QStringLiteral(" ORDER BY 1 LIMIT %1").arg(HistorySyncPull::kPageRows);
        if (table == QLatin1String("gauges")) // every gauge: the server merges what PCs know
            return QStringLiteral("SELECT g.change_seq, g.id, %1 FROM gauges g WHERE g.change_seq "
                                  "> ?")
                       .arg(kGaugeColumns) +
                   page;
        if (table == QLatin1String("snapshots"))
            return QStringLiteral("SELECT x.change_seq, g.id, %1, x.file, x.hex, x.first_seen, "
                                  "x.key, x.origin FROM snapshots x JOIN gauges g ON g.id = "
                                  "x.gauge_id WHERE x.change_seq > ? AND x.changed_by <> ?")
                       .arg(kGaugeColumns) +
                   page;
        if (table == QLatin1String("visits"))
            return QStringLiteral("SELECT x.change_seq, g.id, %1, x.started, x.ended, "
                                  "x.program_version, x.computer, x.user_name, x.key, x.origin "
                                  "FROM visits x JOIN gauges g ON g.id = x.gauge_id WHERE "
                                  "x.change_seq > ? AND x.changed_by <> ?")
                       .arg(kGaugeColumns) +
                   page;
        return QStringLiteral("SELECT x.change_seq, v.key, x.happened, x.kind, x.file, x.ok, "
                              "x.detail, x.path, x.bytes, x.differing_byte, x.gauge_time, "
                              "x.pc_time, x.key, x.origin, COALESCE(s.key, '') FROM events x "
                              "JOIN visits v ON v.id = x.visit_id LEFT JOIN snapshots s ON s.id "
                              "= x.snapshot_id WHERE x.change_seq > ? AND x.changed_by <> ?") +
               page;
    }

    bool apply(const QString& table, const QSqlQuery& q, Pulled& outcome)
    {
        if (table == QLatin1String("gauges"))
            return localGauge(q) != 0;
        if (table == QLatin1String("snapshots"))
            return run(
                QStringLiteral("INSERT INTO snapshots (gauge_id, file, hex, first_seen, "
                               "key, origin, changed) VALUES (?, ?, ?, ?, ?, ?, 0) ON "
                               "CONFLICT (gauge_id, file, hex) DO NOTHING"),
                {localGauge(q), q.value(10), q.value(11), q.value(12), q.value(13), q.value(14)});
        if (table == QLatin1String("visits"))
            return run(QStringLiteral("INSERT INTO visits (gauge_id, started, ended, "
                                      "program_version, computer, user_name, key, origin, "
                                      "changed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0) ON CONFLICT "
                                      "(key) DO UPDATE SET gauge_id = excluded.gauge_id, ended = "
                                      "excluded.ended, changed = changed + 1, pushed = pushed + "
                                      "1 WHERE gauge_id <> excluded.gauge_id OR ended <> "
                                      "excluded.ended"),
                       {localGauge(q), q.value(10), q.value(11), q.value(12), q.value(13),
                        q.value(14), q.value(15), q.value(16)});
        return applyEvent(q, outcome);
    }

    // The file's gauge of the row's server gauge (id in column 1, its columns from 2 on).
    qint64 localGauge(const QSqlQuery& q)
    {
        const qint64 serverId = q.value(1).toLongLong();
        if (const auto known = m_gauges.constFind(serverId); known != m_gauges.cend())
            return *known;
        const qint64 id = HistorySyncGauges::resolve(m_local, HistorySyncGauges::Side::Local,
                                                     SyncGauge::from(q, 2), m_local.pc);
        if (id != 0)
            m_gauges.insert(serverId, id);
        return id;
    }

    bool applyEvent(const QSqlQuery& q, Pulled& outcome)
    {
        const QString visitSql = QStringLiteral("SELECT id, gauge_id FROM visits WHERE key = ?");
        QSqlQuery& visit = cached(visitSql);
        if (!m_local.exec(visit, visitSql, {q.value(1)}))
            return false;
        const bool visitKnown = visit.next();
        const QVariant visitId = visit.value(0), gauge = visit.value(1);
        visit.finish();
        const QString snapshotKey = q.value(14).toString();
        const QString snapshotSql = QStringLiteral(
            "SELECT id FROM snapshots WHERE key = ? ORDER BY gauge_id = ? DESC, id LIMIT 1");
        QSqlQuery& found = cached(snapshotSql);
        const qint64 snapshot = !snapshotKey.isEmpty() && visitKnown &&
                                        m_local.exec(found, snapshotSql, {snapshotKey, gauge}) &&
                                        found.next()
                                    ? found.value(0).toLongLong()
                                    : 0;
        found.finish();
        if (!visitKnown || (!snapshotKey.isEmpty() && snapshot == 0)) {
            outcome = Pulled::MissingParent; // it arrives with the next pass
            return false;
        }
        return run(QStringLiteral("INSERT INTO events (visit_id, happened, kind, file, ok, "
                                  "detail, path, bytes, differing_byte, gauge_time, pc_time, key, "
                                  "origin, snapshot_id, changed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
                                  "?, ?, ?, ?, ?, ?, 0) ON CONFLICT (key) DO UPDATE SET visit_id "
                                  "= excluded.visit_id, snapshot_id = excluded.snapshot_id, "
                                  "changed = changed + 1, pushed = pushed + 1 WHERE visit_id <> "
                                  "excluded.visit_id OR snapshot_id IS NOT excluded.snapshot_id"),
                   {visitId, q.value(2), q.value(3), q.value(4), q.value(5), q.value(6), q.value(7),
                    q.value(8), q.value(9), q.value(10), q.value(11), q.value(12), q.value(13),
                    snapshot > 0 ? QVariant(snapshot) : QVariant(QMetaType::fromType<qint64>())});
    }

    QSqlQuery& cached(const QString& sql)
    {
        auto query = m_queries.find(sql);
        if (query == m_queries.end())
            query = m_queries.insert(sql, QSqlQuery(m_local.db()));
        return *query;
    }

    bool run(const QString& sql, const QVariantList& values)
    {
        return m_local.exec(cached(sql), sql, values);
    }

    HistoryDb& m_local;
    HistoryDb& m_server;
    QHash<qint64, qint64> m_gauges;      // server id -> file id
    QHash<QString, QSqlQuery> m_queries; // prepared once per pull
};

// Every table once; MissingParent when events wait for rows that arrived meanwhile.
Pulled pass(TablePull& pull, const std::atomic_bool& stop, int& pulled)
{
    for (const char* table : {"gauges", "snapshots", "visits", "events"}) {
        Pulled page = Pulled::More;
        while (page == Pulled::More && !stop)
            page = pull.page(QString::fromLatin1(table), pulled);
        if (page != Pulled::Done && page != Pulled::More)
            return page;
    }
    return Pulled::Done;
}
} // namespace

namespace HistorySyncPull
{

bool run(HistoryDb& local, HistoryDb& server, const std::atomic_bool& stop, int& pulled)
{
    constexpr int kPasses = 3;
    TablePull pull(local, server);
    for (int i = 0; i < kPasses; ++i) {
        const Pulled outcome = pass(pull, stop, pulled);
        if (outcome == Pulled::Done)
            return true;
        if (outcome == Pulled::Failed)
            return false;
    }
    local.lastError = QStringLiteral("an event on the server whose visit or record is missing");
    return false;
}

} // namespace HistorySyncPull
