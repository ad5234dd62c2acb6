// The shared history: PCs recording into files of their own, synchronised through a throwaway
// PostgreSQL server behind a relay that stalls and cuts.
#include "history/HistorySchema.h"
#include "history/HistoryTexts.h"
#include "tests/cli/ZvctlProcess.h"
#include "tests/common/HistoryRecording.h"
#include "tests/common/TcpStallProxy.h"
#include "tests/common/ThrowawayServer.h"

#include <QElapsedTimer>
#include <QSqlRecord>
#include <QtTest>

namespace
{
// Gauges, visits, events, snapshots; the events' distinct keys.
const char* kCounts =
    "SELECT (SELECT COUNT(*) FROM gauges), (SELECT COUNT(*) FROM visits), (SELECT "
    "COUNT(*) FROM events), (SELECT COUNT(*) FROM snapshots), (SELECT "
    "COUNT(DISTINCT key) FROM events)";

QList<int> countsIn(const QSqlDatabase& db, const char* sql = kCounts)
{
    QSqlQuery q(db);
    QList<int> values;
    if (q.exec(sql) && q.next())
        for (int c = 0; c < q.record().count(); ++c)
            values << q.value(c).toInt();
    return values;
}

QList<int> countsInFile(const QString& file, const char* sql = kCounts)
{
    QList<int> counts;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "counts");
        db.setDatabaseName(file);
        if (db.open())
            counts = countsIn(db, sql);
    }
    QSqlDatabase::removeDatabase("counts");
    return counts;
}

// The events a PC's file has of its own.
int ownEvents(const QString& file)
{
    return countsInFile(file, "SELECT COUNT(*) FROM events WHERE origin = (SELECT pc FROM "
                              "sync_state)")
        .value(0);
}

// A zvctl run and how long it took.
ZvctlRun timedZvctl(const QStringList& args, qint64& ms)
{
    QElapsedTimer t;
    t.start();
    const ZvctlRun run = runZvctl(args);
    ms = t.elapsed();
    return run;
}
} // namespace

class HistoryPgTest : public QObject
{
    Q_OBJECT
    ThrowawayServer server;
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        if (const QString why = server.prepare(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY2(server.start(), qPrintable(server.log));
    }
    void cleanupTestCase() { server.stop(); }

    void migrationsOnAnEmptyDatabase()
    {
        const QString url = server.newDatabase("fresh");
        for (int open = 0; open < 2; ++open) { // the second open finds nothing to do
            HistoryStore store;
            const HistoryOpenResult r = store.open(url);
            QVERIFY2(r.ok, qPrintable(r.error));
        }
        QSqlDatabase db = server.direct("fresh");
        QCOMPARE(HistorySchema::versionOf(db), HistorySchema::CurrentVersion);
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT (SELECT COUNT(*) FROM schema_version), (SELECT COUNT(*) FROM "
                       "pg_indexes WHERE indexname IN ('visits_by_gauge', 'events_by_key')), "
                       "(SELECT COUNT(*) FROM history_server)") &&
                q.next());
        QCOMPARE((QList<int>{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt()}),
                 (QList<int>{1, 2, 1}));
    }

    // PC A records in the test (a read of the probe file, more on the way), PC B is a zvctl
    // read; the fault strikes while they record. Then both synchronise (A, B, A again): both
    // files and the server hold the same rows, every event of both PCs once.
    void sharedHistory_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("two PCs offline, then synchronised") << "offline";
        QTest::newRow("server stalls mid-visit") << "stall";
        QTest::newRow("server cut mid-synchronisation") << "cut";
        QTest::newRow("server restarts between two synchronisations") << "restart";
    }
    void sharedHistory()
    {
        QFETCH(QString, fault);
        TcpStallProxy proxy(server.port);
        const QString db = QString(QTest::currentDataTag())
                               .section(",", 0, 0)
                               .toLower()
                               .replace(QRegularExpression("[^a-z]"), "_");
        const QString url = server.newDatabase(db, proxy.port());
        const QString a = dir.filePath(db + "-a.sqlite"), b = dir.filePath(db + "-b.sqlite");
        const auto onServer = [&] { return countsIn(server.direct(db)).value(2); };
        if (fault == "offline" || fault == "cut")
            proxy.cut();
        {
            Recording pc(url, a);
            QVERIFY(pc.readProbe());
            const int events = pc.store().backlog().events;
            if (fault == "stall") {
                QTRY_COMPARE_WITH_TIMEOUT(onServer(), events, 30000);
                proxy.stall();
                QElapsedTimer read;
                read.start();
                QVERIFY(pc.readProbe()); // the sequence does not wait for the server
                QVERIFY2(read.elapsed() < 5000, qPrintable(QString::number(read.elapsed())));
                const HistoryBacklog waiting = pc.store().backlog();
                QVERIFY(waiting.events >= events);
                QVERIFY(
                    HistoryTexts::syncLine(pc.history.syncStatus(), waiting)
                        .startsWith(QString::number(waiting.events) + " Ereignisse warten seit"));
            } else if (fault == "cut") {
                for (int i = 0; i < 300; ++i)
                    pc.history.journal().batteryRead(i);
                pc.store();
                proxy.cutAfter(20000);
                proxy.resume();
                pc.history.synchronise(30000); // cut in the middle of its page (or of a retry's)
                QVERIFY(proxy.hasCut());
                QVERIFY(pc.history.synchronise(30000));
                QCOMPARE(onServer(), events + 300);
            } else if (fault == "restart") {
                QTRY_COMPARE_WITH_TIMEOUT(onServer(), events, 30000);
                QVERIFY2(server.restart(), qPrintable(server.log));
                QVERIFY(pc.readProbe());
                pc.store();
                QVERIFY(pc.history.synchronise(30000));
                QCOMPARE(onServer(), 2 * events);
            }
        }
        qint64 alone = 0, shared = 0;
        QCOMPARE(
            timedZvctl({"--simulator", "--history", dir.filePath(db + "-alone.sqlite"), "read"},
                       alone)
                .exitCode,
            0);
        const ZvctlRun read =
            timedZvctl({"--simulator", "--history", url, "--history-local", b, "read"}, shared);
        QCOMPARE(read.exitCode, 0);
        QVERIFY2(shared < alone + 3000, qPrintable(QStringLiteral("%1 ms against %2 ms alone: %3")
                                                       .arg(shared)
                                                       .arg(alone)
                                                       .arg(read.err)));
        const bool offline = fault == "offline" || fault == "stall";
        QCOMPARE(read.err.contains("stay in " + b), offline);
        const int own = ownEvents(a) + ownEvents(b);
        proxy.resume();
        for (const QString& file : {a, b, a}) {
            const ZvctlRun sync = runZvctl({"--history", url, "--history-local", file, "--lang",
                                            "en", "history", simSerial()});
            QCOMPARE(sync.exitCode, 0);
            QVERIFY2(sync.err.endsWith("up to date\n"), qPrintable(sync.err));
        }
        const QList<int> all = countsIn(server.direct(db));
        QCOMPARE(all.value(0), 1);
        QCOMPARE(all.value(2), own);
        QCOMPARE(all.value(4), own);
        QCOMPARE(countsInFile(a), all);
        QCOMPARE(countsInFile(b), all);
    }
};

QTEST_GUILESS_MAIN(HistoryPgTest)
#include "tst_history_pg.moc"
