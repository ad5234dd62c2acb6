#include "history/HistorySyncWorker.h"

#include "history/HistoryConnection.h"
#include "history/HistorySchema.h"
#include "history/HistoryServer.h"
#include "history/HistorySyncPull.h"
#include "history/HistorySyncPush.h"
#include "state/LogCategories.h"

#include <QAtomicInt>
#include <QSqlError>

namespace
{
QAtomicInt workerCount;

void drop(HistoryDb& d)
{
    QSqlDatabase::database(d.connectionName, false).close();
    QSqlDatabase::removeDatabase(d.connectionName);
    d.open = false;
}
} // namespace

HistorySyncWorker::HistorySyncWorker(HistorySyncShared& shared, const QString& localFile,
                                     const PostgresLocation& server)
    : m_shared(shared), m_localFile(localFile), m_serverLocation(server), m_next(this)
{
    const int n = workerCount.fetchAndAddOrdered(1);
    m_local.connectionName = QStringLiteral("zvhistory-sync-local-%1").arg(n);
    m_server.connectionName = QStringLiteral("zvhistory-sync-server-%1").arg(n);
    m_server.location = server.url();
    m_server.watch = &m_shared.watch;
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, &HistorySyncWorker::round);
}

HistorySyncWorker::~HistorySyncWorker()
{
    shutdown();
}

void HistorySyncWorker::begin()
{
    m_next.start(0);
}

void HistorySyncWorker::nudge()
{
    if (m_failures == 0 && (!m_next.isActive() || m_next.remainingTime() > kSoonMs))
        m_next.start(kSoonMs);
}

void HistorySyncWorker::roundNow()
{
    m_next.start(0);
}

void HistorySyncWorker::shutdown()
{
    m_next.stop();
    closeServer();
    if (m_local.open)
        drop(m_local);
    emit ended();
}

void HistorySyncWorker::round()
{
    if (m_shared.stop)
        return;
    {
        const QMutexLocker lock(&m_shared.mutex);
        ++m_shared.roundsStarted;
    }
    const bool connected = m_server.open;
    bool ok = sync();
    if (!ok)
        closeServer(); // the connection may be broken: the next round makes a new one
    if (!ok && connected && !m_shared.stop) { // the server may have restarted since: at once
        m_server.lastError.clear();
        ok = sync();
        if (!ok)
            closeServer();
    }
    finishRound(ok);
    if (m_shared.stop)
        return;
    m_failures = ok ? 0 : m_failures + 1;
    m_next.start(ok ? kPollMs : std::min(kMaxRetryMs, 1000 << std::min(m_failures - 1, 6)));
}

// Pulls first, so that a gauge this PC changes carries what others knew of it.
bool HistorySyncWorker::sync()
{
    int pulled = 0, pushed = 0;
    const bool ok = openLocal() && openServer() && sameServerAsBefore() &&
                    HistorySyncPull::run(m_local, m_server, m_shared.stop, pulled) &&
                    HistorySyncPush::run(m_local, m_server, m_shared.stop, pushed);
    qCDebug(zvHistory) << "synchronised" << ok << "pulled" << pulled << "pushed" << pushed;
    return ok;
}

bool HistorySyncWorker::openLocal()
{
    if (m_local.open)
        return true;
    m_local.location = m_localFile;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_local.connectionName);
        db.setDatabaseName(m_localFile);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(HistoryConnection::kBusyTimeoutMs));
        m_local.open = db.open() &&
                       QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = ON")) &&
                       HistorySchema::versionOf(db) == HistorySchema::CurrentVersion;
    }
    if (m_local.open)
        m_local.pc = m_local.scalar(QStringLiteral("SELECT pc FROM sync_state")).toString();
    if (!m_local.pc.isEmpty())
        return true;
    m_local.lastError =
        QStringLiteral("%1 is not a history file ready to be synchronised").arg(m_localFile);
    drop(m_local);
    return false;
}

bool HistorySyncWorker::openServer()
{
    if (m_server.open)
        return true;
    m_shared.watch.statementStarted(); // the connection and the migration, watched as one
    bool migrated = HistoryServer::open(m_server, m_serverLocation);
    if (migrated) {
        QSqlDatabase db = m_server.db();
        m_shared.watch.connected(db);
        QString error;
        migrated = HistorySchema::migrate(db, true, error);
        if (!migrated)
            m_server.lastError = error;
    }
    m_shared.watch.statementEnded();
    if (!migrated)
        closeServer();
    return migrated;
}

void HistorySyncWorker::closeServer()
{
    m_shared.watch.disconnected();
    if (m_server.open || QSqlDatabase::contains(m_server.connectionName))
        drop(m_server);
}

// A server the file has not synchronised with before (another one, or one set up anew) gets
// the file's whole history, and the pulls start from its first change.
bool HistorySyncWorker::sameServerAsBefore()
{
    const QString id = m_server.scalar(QStringLiteral("SELECT id FROM history_server")).toString();
    if (id.isEmpty())
        return false;
    const QString before =
        m_local.scalar(QStringLiteral("SELECT server FROM sync_state")).toString();
    if (id == before)
        return true;
    qCInfo(zvHistory) << "first synchronisation of" << m_localFile << "with server" << id;
    return m_local.inTransaction([&] {
        for (const char* table : {"gauges", "snapshots", "visits", "events"}) {
            QSqlQuery q(m_local.db());
            if (!m_local.exec(q, QStringLiteral("UPDATE %1 SET pushed = -1").arg(table)))
                return false;
        }
        QSqlQuery q(m_local.db());
        return m_local.exec(q,
                            QStringLiteral("UPDATE sync_state SET server = ?, gauges_upto = 0, "
                                           "snapshots_upto = 0, visits_upto = 0, events_upto = 0"),
                            {id});
    });
}

QString HistorySyncWorker::errorText() const
{
    return m_server.lastError.isEmpty() ? m_local.lastError : m_server.lastError;
}

void HistorySyncWorker::finishRound(bool ok)
{
    {
        const QMutexLocker lock(&m_shared.mutex);
        HistorySyncStatus& s = m_shared.status;
        s.reached = ok;
        s.error = ok || m_shared.stop ? QString() : errorText();
        if (ok)
            s.lastSynced = QDateTime::currentDateTimeUtc();
        ++m_shared.roundsEnded;
        m_shared.changed.wakeAll();
    }
    m_server.lastError.clear();
    m_local.lastError.clear();
    if (!ok)
        qCInfo(zvHistory) << "synchronisation failed:" << m_shared.status.error;
    emit roundEnded();
}
