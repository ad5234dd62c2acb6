#include "history/HistoryWrites.h"

#include "state/SharedState.h"

#include <QSysInfo>

namespace
{
qint64 idOf(const HistoryDb& d, const QString& sql, const QVariantList& values)
{
    return d.scalar(sql, values).toLongLong();
}

bool run(HistoryDb& d, const QString& sql, const QVariantList& values)
{
    QSqlQuery q(d.db());
    return d.exec(q, sql, values);
}

QString localTimeText(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) : QString();
}

qint64 newGauge(HistoryDb& d, const QString& serial, const QString& mac, const QDateTime& now)
{
    return idOf(d,
                QStringLiteral("INSERT INTO gauges (serial, mac, first_seen, last_seen) VALUES "
                               "(?, ?, ?, ?) RETURNING id"),
                {serial, mac, historyTimeText(now), historyTimeText(now)});
}

// Moves the snapshots of gauge `from` to gauge `to`, content already there once.
bool moveSnapshots(HistoryDb& d, qint64 from, qint64 to, const QDateTime& now)
{
    QSqlQuery q(d.db());
    if (!d.exec(q, QStringLiteral("SELECT id, file, hex FROM snapshots WHERE gauge_id = ?"),
                {from}))
        return false;
    while (q.next()) {
        const qint64 moved =
            HistoryWrites::snapshotFor(d, to, q.value(1).toString(), q.value(2).toString(), now);
        if (moved == 0 ||
            !run(d, QStringLiteral("UPDATE events SET snapshot_id = ? WHERE snapshot_id = ?"),
                 {moved, q.value(0)}))
            return false;
    }
    return run(d, QStringLiteral("DELETE FROM snapshots WHERE gauge_id = ?"), {from});
}

// A gauge known by its MAC alone turns out to be a known gauge: that one takes everything.
bool mergeInto(HistoryDb& d, qint64 from, qint64 to, const QDateTime& now)
{
    return run(d, QStringLiteral("UPDATE visits SET gauge_id = ? WHERE gauge_id = ?"),
               {to, from}) &&
           moveSnapshots(d, from, to, now) &&
           run(d,
               QStringLiteral("UPDATE gauges SET mac = (SELECT mac FROM gauges WHERE id = ?), "
                              "hardware = (SELECT hardware FROM gauges WHERE id = ?) WHERE id = ?"),
               {from, from, to}) &&
           run(d, QStringLiteral("DELETE FROM gauges WHERE id = ?"), {from});
}
} // namespace

namespace HistoryWrites
{

qint64 gaugeForMac(HistoryDb& d, const QString& mac, const QDateTime& now)
{
    const qint64 known = idOf(
        d, QStringLiteral("SELECT id FROM gauges WHERE mac = ? ORDER BY last_seen DESC LIMIT 1"),
        {mac});
    if (known == 0)
        return newGauge(d, QString(), mac, now);
    const bool touched = run(d, QStringLiteral("UPDATE gauges SET last_seen = ? WHERE id = ?"),
                             {historyTimeText(now), known});
    return touched ? known : 0;
}

qint64 startVisit(HistoryDb& d, qint64 gaugeId, const QString& key, const QDateTime& now,
                  const QString& programVersion)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return idOf(d,
                QStringLiteral("INSERT INTO visits (gauge_id, started, program_version, "
                               "computer, user_name, key, origin) VALUES (?, ?, ?, ?, ?, ?, ?) "
                               "RETURNING id"),
                {gaugeId, historyTimeText(now), programVersion, QSysInfo::machineHostName(), user,
                 key, d.pc});
}

bool endVisit(HistoryDb& d, qint64 visitId, const QDateTime& now)
{
    return run(d, QStringLiteral("UPDATE visits SET ended = ? WHERE id = ?"),
               {historyTimeText(now), visitId});
}

bool setIdentity(HistoryDb& d, qint64 gaugeId, const IdentityFields& identity)
{
    return run(d,
               QStringLiteral("UPDATE gauges SET hardware = ?, controler = ?, build = ?, "
                              "revision = ? WHERE id = ?"),
               {identity.Hardware, identity.Controler, identity.Build, identity.Revision, gaugeId});
}

qint64 gaugeForSerial(HistoryDb& d, qint64 gaugeId, qint64 visitId, const QString& serial,
                      const QDateTime& now)
{
    const QString current =
        d.scalar(QStringLiteral("SELECT serial FROM gauges WHERE id = ?"), {gaugeId}).toString();
    if (current == serial)
        return gaugeId;
    const qint64 known = idOf(
        d, QStringLiteral("SELECT id FROM gauges WHERE serial = ? ORDER BY id LIMIT 1"), {serial});
    if (current.isEmpty() && known == 0)
        return run(d, QStringLiteral("UPDATE gauges SET serial = ? WHERE id = ?"),
                   {serial, gaugeId})
                   ? gaugeId
                   : 0;
    if (current.isEmpty())
        return mergeInto(d, gaugeId, known, now) ? known : 0;
    const QString mac =
        d.scalar(QStringLiteral("SELECT mac FROM gauges WHERE id = ?"), {gaugeId}).toString();
    const qint64 target = known != 0 ? known : newGauge(d, serial, mac, now);
    const bool moved =
        target != 0 &&
        run(d, QStringLiteral("UPDATE visits SET gauge_id = ? WHERE id = ?"), {target, visitId}) &&
        run(d, QStringLiteral("UPDATE gauges SET last_seen = ? WHERE id = ?"),
            {historyTimeText(now), target});
    return moved ? target : 0;
}

qint64 snapshotFor(HistoryDb& d, qint64 gaugeId, const QString& file, const QString& hex,
                   const QDateTime& now)
{
    if (!run(d,
             QStringLiteral("INSERT INTO snapshots (gauge_id, file, hex, first_seen, key, origin) "
                            "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (gauge_id, file, hex) DO "
                            "NOTHING"),
             {gaugeId, file, hex, historyTimeText(now), historySnapshotKey(file, hex), d.pc}))
        return 0;
    return idOf(
        d, QStringLiteral("SELECT id FROM snapshots WHERE gauge_id = ? AND file = ? AND hex = ?"),
        {gaugeId, file, hex});
}

bool addEvent(HistoryDb& d, const HistoryEvent& e)
{
    return run(d,
               QStringLiteral("INSERT INTO events (visit_id, happened, kind, file, ok, detail, "
                              "path, bytes, differing_byte, snapshot_id, gauge_time, pc_time, "
                              "key, origin) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {e.visitId, historyTimeText(e.at), historyEventKindName(e.kind), e.file,
                e.ok ? 1 : 0, e.detail, e.path, e.bytes, e.differingByte,
                e.snapshotId > 0 ? QVariant(e.snapshotId) : QVariant(QMetaType::fromType<qint64>()),
                localTimeText(e.gaugeTime), localTimeText(e.pcTime), historyNewKey(), d.pc});
}

} // namespace HistoryWrites
