#include "history/HistoryServerWatch.h"

#include "state/LogCategories.h"

#include <QDeadlineTimer>
#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>
#include <sys/socket.h>

namespace
{
qint64 nowMs()
{
    return QDeadlineTimer::current().deadline();
}

int socketOf(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "PGconn*") != 0)
        return -1;
    PGconn* connection = *static_cast<PGconn* const*>(handle.constData());
    return connection ? PQsocket(connection) : -1;
}
} // namespace

void HistoryServerWatch::connected(const QSqlDatabase& db)
{
    const QMutexLocker lock(&m_mutex);
    m_socket = socketOf(db);
    if (m_ended)
        shutDownLocked();
}

void HistoryServerWatch::disconnected()
{
    const QMutexLocker lock(&m_mutex);
    m_socket = -1;
    m_startedMs = -1;
}

void HistoryServerWatch::statementStarted()
{
    const QMutexLocker lock(&m_mutex);
    m_startedMs = nowMs();
    if (m_ended)
        shutDownLocked();
}

void HistoryServerWatch::statementEnded()
{
    const QMutexLocker lock(&m_mutex);
    m_startedMs = -1;
}

qint64 HistoryServerWatch::busyMs()
{
    const QMutexLocker lock(&m_mutex);
    return m_startedMs < 0 ? 0 : nowMs() - m_startedMs;
}

bool HistoryServerWatch::endIfLongerThan(qint64 ms)
{
    const QMutexLocker lock(&m_mutex);
    if (m_startedMs < 0 || nowMs() - m_startedMs <= ms || m_socket < 0)
        return false;
    qCInfo(zvHistory) << "the server has not answered for" << ms << "ms: connection ended";
    shutDownLocked();
    return true;
}

void HistoryServerWatch::endNow()
{
    const QMutexLocker lock(&m_mutex);
    m_ended = true;
    shutDownLocked();
}

// The socket stays open (its connection closes it); reads and writes on it fail from now on.
void HistoryServerWatch::shutDownLocked()
{
    if (m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
}
