// Synchronising this PC's history file with a shared PostgreSQL server (a throwaway one):
//  - 10,000 events recorded while no server was set reach a new server (target under 10 s);
//  - the first start of a PC against a server holding 10,000 gauges with 10 visits each: the
//    first synchronisation fills the PC's new file (target under 10 s), and the file then lists
//    its 10,000 gauges (target under 200 ms).
// Both times include making the connection and the server's schema.
// Prints: sync_push <s> s; sync_first_start <s> s; sync_list <ms> ms
#include "history/HistoryService.h"
#include "tests/common/ThrowawayServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace
{
constexpr int kEvents = 10000;
constexpr int kGauges = 10000;
constexpr int kVisitsPerGauge = 10;
constexpr int kBoundMs = 120000;

void warn(const QString& text)
{
    std::fprintf(stderr, "bench_history_sync: %s\n", qPrintable(text));
}

int count(const QSqlDatabase& db, const QString& table)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)) && q.next()
               ? q.value(0).toInt()
               : -1;
}

bool push(const ThrowawayServer& server, const QString& file)
{
    {
        HistoryService history(warn);
        if (!history.open(file).ok)
            return false;
        history.journal().visitStarted(QStringLiteral("5A454C564F01"));
        for (int i = 0; i < kEvents; ++i)
            history.journal().batteryRead(i);
        if (!history.flush(kBoundMs))
            return false;
    }
    const QString url = server.newDatabase(QStringLiteral("push"));
    QElapsedTimer t;
    t.start();
    HistorySync sync(file, *HistoryLocation::parse(url).server);
    const bool ok = sync.syncNow(kBoundMs);
    const double s = double(t.elapsed()) / 1000.0;
    sync.stop(kBoundMs);
    const int events = count(server.direct(QStringLiteral("push")), QStringLiteral("events"));
    std::printf("sync_push %.2f s for %d waiting events (on the server: %d; target < 10 s)\n", s,
                kEvents, events);
    return ok && events == kEvents;
}

// A server as other PCs left it: every gauge with its visits.
bool fillServer(const ThrowawayServer& server, const QString& url)
{
    {
        HistoryStore schema;
        if (!schema.open(url).ok)
            return false;
    }
    QSqlQuery q(server.direct(QStringLiteral("shop")));
    return q.exec(QStringLiteral(
                      "INSERT INTO gauges (serial, mac, first_seen, last_seen, changed_by) SELECT "
                      "(1000000 + g)::text, '5A454C' || lpad(to_hex(g), 6, '0'), "
                      "'2026-01-01T00:00:00.000Z', '2026-0' || (1 + g % 9) || '-01T00:00:00.000Z', "
                      "'other' FROM generate_series(1, %1) g")
                      .arg(kGauges)) &&
           q.exec(QStringLiteral(
                      "INSERT INTO visits (gauge_id, started, ended, computer, key, origin, "
                      "changed_by) SELECT g.id, g.last_seen, g.last_seen, 'other', "
                      "gen_random_uuid()::text, 'other', 'other' FROM gauges g, "
                      "generate_series(1, %1)")
                      .arg(kVisitsPerGauge));
}

bool firstStart(const ThrowawayServer& server, const QString& file)
{
    const QString url = server.newDatabase(QStringLiteral("shop"));
    if (!fillServer(server, url))
        return false;
    HistoryService history(warn);
    QElapsedTimer t;
    t.start();
    const bool ok = history.open(url, file).ok && history.synchronise(kBoundMs);
    const double s = double(t.elapsed()) / 1000.0;
    t.restart();
    const qsizetype gauges = history.store().gauges().size();
    const double listMs = double(t.nsecsElapsed()) / 1e6;
    std::printf("sync_first_start %.2f s for %d gauges with %d visits each (in the file: %lld "
                "gauges; target < 10 s)\n",
                s, kGauges, kVisitsPerGauge, qlonglong(gauges));
    std::printf("sync_list %.1f ms for the %lld gauges of the file (target < 200 ms)\n", listMs,
                qlonglong(gauges));
    return ok && gauges == kGauges;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    ThrowawayServer server;
    if (const QString why = server.prepare(); !why.isEmpty() || !server.start()) {
        std::printf("bench_history_sync: skipped: %s\n",
                    qPrintable(why.isEmpty() ? server.log : why));
        return 0;
    }
    QTemporaryDir dir;
    const bool ok = push(server, dir.filePath(QStringLiteral("push.sqlite"))) &&
                    firstStart(server, dir.filePath(QStringLiteral("first.sqlite")));
    server.stop();
    return ok ? 0 : 1;
}
