#include "history/HistorySchema.h"

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

bool run(QSqlDatabase& db, const QString& sql, QString& error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    error = q.lastError().text() + QStringLiteral(" (") + sql.left(60) + QLatin1Char(')');
    return false;
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
