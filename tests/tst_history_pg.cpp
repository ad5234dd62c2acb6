// The service history on PostgreSQL: a throwaway server in a temporary folder (as an
// unprivileged user when the test runs as root), reached over its Unix socket.
#include "history/HistorySchema.h"
#include "tests/cli/ZvctlProcess.h"
#include "tests/common/HistoryRecording.h"
#include "tests/common/PgServer.h"

#include <QSqlQuery>
#include <QtTest>

class HistoryPgTest : public QObject
{
    Q_OBJECT
    PgServer server;

    QString newDatabase(const QString& name)
    {
        server.sql("CREATE DATABASE " + name);
        return server.url(name);
    }

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
        const QString url = newDatabase("fresh");
        for (int open = 0; open < 2; ++open) { // the second open finds nothing to do
            HistoryStore store;
            const HistoryOpenResult r = store.open(url);
            QVERIFY2(r.ok, qPrintable(r.error));
        }
        QSqlDatabase db = server.connection("fresh");
        QCOMPARE(HistorySchema::versionOf(db), HistorySchema::CurrentVersion);
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT COUNT(*) FROM schema_version") && q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QVERIFY(q.exec("SELECT COUNT(*) FROM pg_indexes WHERE indexname = 'visits_by_gauge'"));
        QVERIFY(q.next() && q.value(0).toInt() == 1);
    }

    // Both migrate the new database and record a visit at the same time.
    void twoClientsAtOnce()
    {
        const QString url = newDatabase("two");
        const QByteArray failures = twoReadsAtOnce(url);
        QVERIFY2(failures.isEmpty(), failures.constData());
        HistoryStore store;
        QVERIFY(store.open(url).ok);
        const QList<VisitSummary> visits = store.visits(store.gauge(simSerial())->id);
        QCOMPARE(visits.size(), 2);
        for (const VisitSummary& v : visits)
            QCOMPARE(v.events.size(), 3); // probe, identity, factory
    }

    void serverGoneMidVisit()
    {
        const QString url = newDatabase("gone");
        Recording r(url);
        QVERIFY(r.opened.ok);
        QVERIFY(r.readProbe());
        QVERIFY(server.stop());
        QVERIFY(r.readProbe()); // the service work goes on
        QVERIFY(r.readProbe());
        QCOMPARE(r.warnings.size(), 1);
        QVERIFY(r.warnings[0].contains("not recorded"));
        QVERIFY2(server.start(), qPrintable(server.log));
        HistoryStore after;
        QVERIFY(after.open(url).ok);
        const QList<VisitSummary> visits = after.visits(after.gauge(simSerial())->id);
        QCOMPARE(visits.size(), 1);
        QCOMPARE(visits[0].events.size(), 2); // read and identity, committed before it went
        QVERIFY(!visits[0].end.isValid());
    }
};

QTEST_GUILESS_MAIN(HistoryPgTest)
#include "tst_history_pg.moc"
