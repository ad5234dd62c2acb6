#include "history/HistorySchema.h"

#include "history/HistoryStorePrivate.h"

#include <QSqlError>
#include <QSqlQuery>

namespace
{
constexpr qint64 kMigrationLock = 0x5a56'4849'5354; // any number the program owns

QStringList version1(const QString& key)
{
    return {
        QStringLiteral("CREATE TABLE gauges (id %1, serial TEXT NOT NULL DEFAULT '', "
                       "mac TEXT NOT NULL DEFAULT '', hardware TEXT NOT NULL DEFAULT '', "
                       "controler TEXT NOT NULL DEFAULT '', build TEXT NOT NULL DEFAULT '', "
                       "revision TEXT NOT NULL DEFAULT '', first_seen TEXT NOT NULL, "
                       "last_seen TEXT NOT NULL)")
            .arg(key),
        QStringLiteral("CREATE TABLE visits (id %1, gauge_id BIGINT NOT NULL REFERENCES "
                       "gauges(id), started TEXT NOT NULL, ended TEXT NOT NULL DEFAULT '', "
                       "program_version TEXT NOT NULL DEFAULT '', computer TEXT NOT NULL "
                       "DEFAULT '', user_name TEXT NOT NULL DEFAULT '')")
            .arg(key),
        QStringLiteral("CREATE TABLE snapshots (id %1, gauge_id BIGINT NOT NULL REFERENCES "
                       "gauges(id), file TEXT NOT NULL, hex TEXT NOT NULL, first_seen TEXT NOT "
                       "NULL, UNIQUE (gauge_id, file, hex))")
            .arg(key),
        QStringLiteral("CREATE TABLE events (id %1, visit_id BIGINT NOT NULL REFERENCES "
                       "visits(id), happened TEXT NOT NULL, kind TEXT NOT NULL, file TEXT NOT "
                       "NULL DEFAULT '', ok INTEGER NOT NULL DEFAULT 1, detail TEXT NOT NULL "
                       "DEFAULT '', path TEXT NOT NULL DEFAULT '', bytes BIGINT NOT NULL DEFAULT "
                       "-1, differing_byte INTEGER NOT NULL DEFAULT -1, snapshot_id BIGINT "
                       "REFERENCES snapshots(id), gauge_time TEXT NOT NULL DEFAULT '', pc_time "
                       "TEXT NOT NULL DEFAULT '')")
            .arg(key),
    };
}

// The lists and the gauge look-ups by serial or MAC stay fast with thousands of gauges.
QStringList version2()
{
    return {
        QStringLiteral("CREATE INDEX gauges_by_serial ON gauges (serial)"),
        QStringLiteral("CREATE INDEX gauges_by_mac ON gauges (mac)"),
        QStringLiteral("CREATE INDEX gauges_by_last_seen ON gauges (last_seen)"),
        QStringLiteral("CREATE INDEX visits_by_gauge ON visits (gauge_id, started)"),
        QStringLiteral("CREATE INDEX events_by_visit ON events (visit_id, happened)"),
    };
}

// A version 4 UUID made by SQLite, for rows of a file from before the keys.
const QString kSqliteUuid = QStringLiteral(
    "lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || "
    "substr(hex(randomblob(2)), 2) || '-' || substr('89ab', 1 + abs(random()) % 4, 1) || "
    "substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))");
const QStringList kKeyedTables = {QStringLiteral("snapshots"), QStringLiteral("visits"),
                                  QStringLiteral("events")};

// Keys unique across PCs, and the bookkeeping of the synchronisation: in a PC's file each row
// counts its local changes (changed) and what of them the server has (pushed); triggers count
// the updates, so a row is waiting for the server while changed > pushed. A row copied from the
// server arrives with both at 0.
QStringList version3Local()
{
    QStringList steps = {
        QStringLiteral("ALTER TABLE gauges ADD COLUMN changed INTEGER NOT NULL DEFAULT 1"),
        QStringLiteral("ALTER TABLE gauges ADD COLUMN pushed INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("CREATE TABLE sync_state (pc TEXT NOT NULL, server TEXT NOT NULL DEFAULT "
                       "'', gauges_upto BIGINT NOT NULL DEFAULT 0, snapshots_upto BIGINT NOT "
                       "NULL DEFAULT 0, visits_upto BIGINT NOT NULL DEFAULT 0, events_upto "
                       "BIGINT NOT NULL DEFAULT 0)"),
        QStringLiteral("INSERT INTO sync_state (pc) VALUES (%1)").arg(kSqliteUuid),
    };
    for (const QString& t : kKeyedTables) {
        steps
            << QStringLiteral("ALTER TABLE %1 ADD COLUMN key TEXT").arg(t)
            << QStringLiteral("ALTER TABLE %1 ADD COLUMN origin TEXT NOT NULL DEFAULT ''").arg(t)
            << QStringLiteral("ALTER TABLE %1 ADD COLUMN changed INTEGER NOT NULL DEFAULT 1").arg(t)
            << QStringLiteral("ALTER TABLE %1 ADD COLUMN pushed INTEGER NOT NULL DEFAULT 0").arg(t)
            << QStringLiteral("UPDATE %1 SET origin = (SELECT pc FROM sync_state)").arg(t);
    }
    steps << QStringLiteral("UPDATE visits SET key = %1").arg(kSqliteUuid)
          << QStringLiteral("UPDATE events SET key = %1").arg(kSqliteUuid);
    const QList<QPair<QString, QString>> updatable = {
        {QStringLiteral("gauges"), QStringLiteral("serial, mac, hardware, controler, build, "
                                                  "revision, first_seen, last_seen")},
        {QStringLiteral("snapshots"), QStringLiteral("gauge_id")},
        {QStringLiteral("visits"), QStringLiteral("gauge_id, ended")},
        {QStringLiteral("events"), QStringLiteral("visit_id, snapshot_id")}};
    for (const auto& [t, columns] : updatable) {
        steps << QStringLiteral("CREATE INDEX %1_waiting ON %1 (id) WHERE changed > pushed").arg(t)
              << QStringLiteral("CREATE TRIGGER %1_changed AFTER UPDATE OF %2 ON %1 WHEN "
                                "NEW.changed = OLD.changed BEGIN UPDATE %1 SET changed = "
                                "changed + 1 WHERE id = NEW.id; END")
                     .arg(t, columns);
    }
    return steps;
}

// The server's side of the same: every row carries the number of its last change from one
// sequence (a PC pulls what changed after the last number it has) and the PC that made it.
QStringList version3Server()
{
    QStringList steps = {
        QStringLiteral("CREATE SEQUENCE history_changes"),
        QStringLiteral("CREATE TABLE history_server (id TEXT NOT NULL)"),
        QStringLiteral("INSERT INTO history_server (id) VALUES (gen_random_uuid()::text)"),
    };
    for (const QString& t : QStringList{QStringLiteral("gauges")} + kKeyedTables) {
        if (t != QLatin1String("gauges"))
            steps << QStringLiteral("ALTER TABLE %1 ADD COLUMN key TEXT").arg(t)
                  << QStringLiteral("ALTER TABLE %1 ADD COLUMN origin TEXT NOT NULL DEFAULT ''")
                         .arg(t);
        steps << QStringLiteral("ALTER TABLE %1 ADD COLUMN change_seq BIGINT NOT NULL DEFAULT "
                                "nextval('history_changes')")
                     .arg(t)
              << QStringLiteral("ALTER TABLE %1 ADD COLUMN changed_by TEXT NOT NULL DEFAULT ''")
                     .arg(t)
              << QStringLiteral("CREATE INDEX %1_by_change ON %1 (change_seq)").arg(t);
    }
    steps << QStringLiteral("UPDATE visits SET key = gen_random_uuid()::text")
          << QStringLiteral("UPDATE events SET key = gen_random_uuid()::text");
    return steps;
}

QStringList version3Keys()
{
    return {QStringLiteral("CREATE UNIQUE INDEX visits_by_key ON visits (key)"),
            QStringLiteral("CREATE UNIQUE INDEX events_by_key ON events (key)"),
            QStringLiteral("CREATE INDEX snapshots_by_key ON snapshots (key)")};
}

bool run(QSqlDatabase& db, const QString& sql, QString& error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    error = q.lastError().text() + QStringLiteral(" (") + sql.left(60) + QLatin1Char(')');
    return false;
}

// Record contents get their key from the content, which SQL cannot compute here.
bool keySnapshots(QSqlDatabase& db, QString& error)
{
    QSqlQuery rows(db), update(db);
    if (!rows.exec(QStringLiteral("SELECT id, file, hex FROM snapshots")) ||
        !update.prepare(QStringLiteral("UPDATE snapshots SET key = ? WHERE id = ?"))) {
        error = rows.lastError().text() + update.lastError().text();
        return false;
    }
    while (rows.next()) {
        update.addBindValue(historySnapshotKey(rows.value(1).toString(), rows.value(2).toString()));
        update.addBindValue(rows.value(0));
        if (!update.exec()) {
            error = update.lastError().text();
            return false;
        }
    }
    return true;
}

bool applySteps(QSqlDatabase& db, bool postgres, QString& error, int target)
{
    if (postgres &&
        !run(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kMigrationLock), error))
        return false;
    // Created only where missing: PostgreSQL would print a notice for IF NOT EXISTS.
    if (!db.tables().contains(QStringLiteral("schema_version")) &&
        !run(db, QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"), error))
        return false;
    const int from = HistorySchema::versionOf(db);
    for (int v = from + 1; v <= target; ++v) {
        for (const QString& step : HistorySchema::stepsOf(v, postgres)) {
            if (!run(db, step, error))
                return false;
        }
        if (v == 3 && !keySnapshots(db, error))
            return false;
    }
    if (from >= target)
        return true;
    return run(db, QStringLiteral("DELETE FROM schema_version"), error) &&
           run(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(target),
               error);
}
} // namespace

namespace HistorySchema
{

QStringList stepsOf(int version, bool postgres)
{
    const QString key = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                 : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    switch (version) {
    case 1:
        return version1(key);
    case 2:
        return version2();
    case 3:
        return (postgres ? version3Server() : version3Local()) + version3Keys();
    default:
        return {};
    }
}

int versionOf(const QSqlDatabase& db)
{
    if (!db.tables().contains(QStringLiteral("schema_version")))
        return 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !q.next())
        return 0;
    return q.value(0).toInt();
}

bool migrate(QSqlDatabase& db, bool postgres, QString& error, int target)
{
    const QString begin = postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
    if (!run(db, begin, error))
        return false;
    if (applySteps(db, postgres, error, target) && run(db, QStringLiteral("COMMIT"), error))
        return true;
    QString ignored;
    run(db, QStringLiteral("ROLLBACK"), ignored);
    return false;
}

} // namespace HistorySchema
