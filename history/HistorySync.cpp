#include "history/HistorySync.h"

#include "history/HistorySyncWorker.h"
#include "state/LogCategories.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <future>
#include <thread>

namespace
{
constexpr int kWatchdogMs = 1000;

// The synchroniser's thread: its worker and event loop until the worker has shut down. The
// thread is not joined: one that is still connecting when the program ends is left behind.
void runWorker(std::shared_ptr<HistorySyncShared> shared, QString localFile,
               PostgresLocation server, std::shared_ptr<std::promise<HistorySyncWorker*>> started)
{
    {
        HistorySyncWorker worker(*shared, localFile, server);
        QEventLoop loop;
        QObject::connect(&worker, &HistorySyncWorker::ended, &loop, &QEventLoop::quit);
        started->set_value(&worker);
        loop.exec();
    }
    const QMutexLocker lock(&shared->mutex);
    shared->threadEnded = true;
    shared->changed.wakeAll();
}
} // namespace

HistorySync::HistorySync(const QString& localFile, const PostgresLocation& server, QObject* parent)
    : QObject(parent)
{
    m_shared->status.server = server.url();
    auto started = std::make_shared<std::promise<HistorySyncWorker*>>();
    std::future<HistorySyncWorker*> worker = started->get_future();
    std::thread(runWorker, m_shared, localFile, server, started).detach();
    m_worker = worker.get();
    connect(m_worker, &HistorySyncWorker::roundEnded, this, &HistorySync::statusChanged);
    // The first round only once its end is heard here.
    QMetaObject::invokeMethod(m_worker, &HistorySyncWorker::begin, Qt::QueuedConnection);
    connect(&m_watchdog, &QTimer::timeout, this,
            [this] { m_shared->watch.endIfLongerThan(kStallBoundMs); });
    m_watchdog.start(kWatchdogMs);
}

HistorySync::~HistorySync()
{
    stop(0);
}

void HistorySync::nudge()
{
    if (!m_stopped)
        QMetaObject::invokeMethod(m_worker, &HistorySyncWorker::nudge, Qt::QueuedConnection);
}

bool HistorySync::syncNow(int ms)
{
    if (m_stopped)
        return false;
    QDeadlineTimer deadline(ms);
    QMutexLocker lock(&m_shared->mutex);
    const quint64 target = m_shared->roundsStarted + 1;
    QMetaObject::invokeMethod(m_worker, &HistorySyncWorker::roundNow, Qt::QueuedConnection);
    while (m_shared->roundsEnded < target) {
        if (!m_shared->changed.wait(&m_shared->mutex, deadline))
            return false;
    }
    return m_shared->status.reached;
}

void HistorySync::stop(int ms)
{
    if (std::exchange(m_stopped, true))
        return;
    m_watchdog.stop();
    m_shared->stop = true;
    m_shared->watch.endNow();
    QMetaObject::invokeMethod(m_worker, &HistorySyncWorker::shutdown, Qt::QueuedConnection);
    m_worker = nullptr;
    QDeadlineTimer deadline(ms);
    QMutexLocker lock(&m_shared->mutex);
    while (!m_shared->threadEnded) {
        if (!m_shared->changed.wait(&m_shared->mutex, deadline)) {
            qCInfo(zvHistory) << "the synchroniser's thread is left to end by itself";
            return;
        }
    }
}

HistorySyncStatus HistorySync::status() const
{
    const QMutexLocker lock(&m_shared->mutex);
    return m_shared->status;
}

qint64 HistorySync::waitingForServerMs() const
{
    return m_shared->watch.busyMs();
}
