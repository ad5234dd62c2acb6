#pragma once

#include "history/HistoryStorePrivate.h"
#include "history/HistorySyncShared.h"
#include "history/PostgresLocation.h"

#include <QObject>
#include <QTimer>

// The synchroniser's side on its own thread, with its own connections to the PC's file and to
// the shared server: rounds of pulling what other PCs changed and pushing what waits here. A
// round follows soon after new rows were written and every half minute; after a failed round
// the next waits 1 s, 2 s, 4 s ... up to a minute. Failures close the server's connection; the
// next round connects anew.
class HistorySyncWorker : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPollMs = 30000;
    static constexpr int kSoonMs = 200;
    static constexpr int kMaxRetryMs = 60000;

    HistorySyncWorker(HistorySyncShared& shared, const QString& localFile,
                      const PostgresLocation& server);
    ~HistorySyncWorker() override;

    void begin();
    // Rows were written: a round soon, unless the server is failing (its retry stands).
    void nudge();
    // A round as soon as the one under way has ended, whatever the wait after failures.
    void roundNow();
    // Closes the connections and ends the thread's loop.
    void shutdown();

signals:
    void roundEnded();
    void ended();

private:
    void round();
    bool sync();
    bool openLocal();
    bool openServer();
    bool sameServerAsBefore();
    void closeServer();
    void finishRound(bool ok);
    QString errorText() const;

    HistorySyncShared& m_shared;
    QString m_localFile;
    PostgresLocation m_serverLocation; // with its password, kept in memory only
    QTimer m_next;
    int m_failures = 0;
    HistoryDb m_local;
    HistoryDb m_server;
};
