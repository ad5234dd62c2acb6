#pragma once

#include "history/HistorySyncShared.h"
#include "history/PostgresLocation.h"

#include <QObject>
#include <QTimer>
#include <memory>

class HistorySyncWorker;

// The background synchroniser between this PC's history file and a shared PostgreSQL server,
// as seen from the thread that owns it. It runs on a thread of its own with its own
// connections; nothing here waits for the server, except syncNow() and stop(), which wait as
// long as they are told. A server statement that stays unanswered for kStallBoundMs ends the
// connection (the server or the network stalled); the synchroniser retries later.
class HistorySync : public QObject
{
    Q_OBJECT
public:
    static constexpr int kStallBoundMs = 15000;

    // server: with its password, if one is known; the status names it without.
    HistorySync(const QString& localFile, const PostgresLocation& server,
                QObject* parent = nullptr);
    ~HistorySync() override; // stop(0)

    // Rows were written into the file.
    void nudge();
    // A round now, waited for at most ms; true when it went through.
    bool syncNow(int ms);
    // Ends the synchroniser: a statement under way ends at once; what is not on the server
    // stays in the file for the next time. A connection still being made keeps the thread until
    // its time limit; then it ends by itself. Waits at most ms for the thread.
    void stop(int ms);
    HistorySyncStatus status() const;
    // How long the server has been keeping the synchroniser waiting; 0 when it is not.
    qint64 waitingForServerMs() const;

signals:
    void statusChanged();

private:
    std::shared_ptr<HistorySyncShared> m_shared = std::make_shared<HistorySyncShared>();
    HistorySyncWorker* m_worker = nullptr; // lives and dies on the synchroniser's thread
    QTimer m_watchdog;
    bool m_stopped = false;
};
