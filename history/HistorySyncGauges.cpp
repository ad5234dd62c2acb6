#include "history/HistorySyncGauges.h"

namespace
{
const QString kColumns =
    QStringLiteral("id, serial, mac, hardware, controler, build, revision, first_seen, last_seen");

QVariantList valuesOf(const SyncGauge& g)
{
    return {g.serial, g.mac, g.hardware, g.controler, g.build, g.revision, g.firstSeen, g.lastSeen};
}

// The gauge of d the rule names for g: id 0 when none, -1 when d cannot say.
qint64 find(HistoryDb& d, const SyncGauge& g, SyncGauge& found)
{
    const QString select = QStringLiteral("SELECT %1 FROM gauges WHERE ").arg(kColumns);
    QList<QPair<QString, QVariantList>> tries;
    if (!g.serial.isEmpty())
        tries = {{QStringLiteral("serial = ? ORDER BY id LIMIT 1"), {g.serial}},
                 {QStringLiteral("serial = '' AND mac = ? ORDER BY last_seen DESC, id LIMIT 1"),
                  {g.mac}}};
    else
        tries = {{QStringLiteral("mac = ? ORDER BY last_seen DESC, id LIMIT 1"), {g.mac}}};
    for (const auto& [where, values] : tries) {
        QSqlQuery q(d.db());
        if (!d.exec(q, select + where, values))
            return -1;
        if (q.next()) {
            found = SyncGauge::from(q, 1);
            return q.value(0).toLongLong();
        }
    }
    return 0;
}

qint64 insert(HistoryDb& d, HistorySyncGauges::Side side, const SyncGauge& g, const QString& pc)
{
    const bool local = side == HistorySyncGauges::Side::Local;
    QVariantList values = valuesOf(g);
    if (!local)
        values << pc;
    return d
        .scalar(QStringLiteral("INSERT INTO gauges (serial, mac, hardware, controler, build, "
                               "revision, first_seen, last_seen, %1) VALUES (?, ?, ?, ?, ?, ?, ?, "
                               "?, %2) RETURNING id")
                    .arg(local ? QStringLiteral("changed") : QStringLiteral("changed_by"),
                         local ? QStringLiteral("0") : QStringLiteral("?")),
                values)
        .toLongLong();
}

bool update(HistoryDb& d, HistorySyncGauges::Side side, qint64 id, const SyncGauge& g,
            const QString& pc)
{
    const bool local = side == HistorySyncGauges::Side::Local;
    QVariantList values = valuesOf(g);
    if (!local)
        values << pc;
    values << id;
    QSqlQuery q(d.db());
    return d.exec(q,
                  QStringLiteral("UPDATE gauges SET serial = ?, mac = ?, hardware = ?, controler "
                                 "= ?, build = ?, revision = ?, first_seen = ?, last_seen = ?, %1 "
                                 "WHERE id = ?")
                      .arg(local ? QStringLiteral("changed = changed + 1, pushed = pushed + 1")
                                 : QStringLiteral("change_seq = nextval('history_changes'), "
                                                  "changed_by = ?")),
                  values);
}

QString earlier(const QString& a, const QString& b)
{
    return a.isEmpty() || (!b.isEmpty() && b < a) ? b : a;
}

QString either(const QString& preferred, const QString& other)
{
    return preferred.isEmpty() ? other : preferred;
}
} // namespace

SyncGauge SyncGauge::from(const QSqlQuery& q, int first)
{
    return {q.value(first).toString(),     q.value(first + 1).toString(),
            q.value(first + 2).toString(), q.value(first + 3).toString(),
            q.value(first + 4).toString(), q.value(first + 5).toString(),
            q.value(first + 6).toString(), q.value(first + 7).toString()};
}

namespace HistorySyncGauges
{

SyncGauge merged(const SyncGauge& known, const SyncGauge& arriving)
{
    const bool later = arriving.lastSeen > known.lastSeen;
    const SyncGauge& newer = later ? arriving : known;
    const SyncGauge& older = later ? known : arriving;
    return {either(known.serial, arriving.serial),
            either(known.mac, arriving.mac),
            either(newer.hardware, older.hardware),
            either(newer.controler, older.controler),
            either(newer.build, older.build),
            either(newer.revision, older.revision),
            earlier(known.firstSeen, arriving.firstSeen),
            newer.lastSeen};
}

qint64 resolve(HistoryDb& d, Side side, const SyncGauge& g, const QString& pc)
{
    SyncGauge known;
    const qint64 id = find(d, g, known);
    if (id < 0)
        return 0;
    if (id == 0)
        return insert(d, side, g, pc);
    const SyncGauge both = merged(known, g);
    if (both == known)
        return id;
    return update(d, side, id, both, pc) ? id : 0;
}

} // namespace HistorySyncGauges
