#pragma once

#include "history/HistoryLocation.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistorySync.h"
#include "history/HistoryWriter.h"

#include <QObject>
#include <memory>
#include <qcoro/qcorotask.h>

// The service history of one program run. This PC always records into its own SQLite file
// (the device sequences report to the recorder; the writer thread writes); a store reads that
// file on the owner's thread (the History window, zvctl history). When a shared PostgreSQL
// server is named, a synchroniser copies this PC's new rows to it and the other PCs' rows from
// it into the file, in the background.
class HistoryService : public QObject
{
    Q_OBJECT
public:
    using Warning = std::function<void(const QString& text)>;
    // At the end: how long the writer may take for what is queued, how long the last rows may
    // take to reach the server (when it is answering), how long the synchroniser may take to end.
    static constexpr int kFlushBoundMs = 3000;
    static constexpr int kLastPushBoundMs = 2000;
    static constexpr int kStopBoundMs = 500;

    explicit HistoryService(Warning warning, QObject* parent = nullptr);
    ~HistoryService() override; // finish()

    // history: an SQLite file, or a server (with its password, if one is known) that this PC's
    // file is synchronised with; empty: the default file. localFile names this PC's file when
    // history is a server (empty: the default file). A text is read by HistoryLocation::parse:
    // an unknown scheme or a malformed URL is an error, never a file. A visit under way ends in
    // the history it began in. Warns about what went wrong (the work goes on without a history);
    // a location that is wrong leaves the history in use as it was.
    HistoryOpenResult open(const HistoryLocation& history, const QString& localFile = {});
    HistoryOpenResult open(const QString& history, const QString& localFile = {});
    ServiceJournal& journal() { return m_recorder; }
    HistoryStore& store() { return m_store; }
    // The file, or the server's URL without its password, as opened last.
    QString location() const { return m_location; }
    // The synchronisation's state; server empty when there is none.
    HistorySyncStatus syncStatus() const;
    // Waits until what was reported so far is in the file, at most ms; true when it is.
    bool flush(int ms = kFlushBoundMs);
    // The store's id of the visit reports go to now, once what was reported so far is in the
    // file (waited for without blocking, at most ms); 0: none, or not written in that time.
    QCoro::Task<qint64> currentVisit(int ms = kFlushBoundMs);
    // One synchronisation now, waited for at most ms; true when it went through.
    bool synchronise(int ms);
    // Program end: what is queued is written (within kFlushBoundMs), the last rows go to the
    // server if it answers, the synchroniser stops; says what could not be written and what
    // stays in the file for the server. Reports after it are ignored.
    void finish();

signals:
    // Rows were written or a synchronisation ended.
    void changed();

private:
    void stopSync();
    void warn(const QString& text);
    void sayWhatStays();

    Warning m_warning;
    HistoryWriter m_writer;
    HistoryRecorder m_recorder{m_writer};
    HistoryStore m_store;
    std::unique_ptr<HistorySync> m_sync;
    QString m_location;
    bool m_finished = false;
};
