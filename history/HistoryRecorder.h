#pragma once

#include "history/HistoryReport.h"
#include "state/ServiceJournal.h"

class HistoryWriter;

// Where the device sequences report to the service history. Each call becomes a value report
// (with the shared state it refers to copied) that goes into the writer's queue; the sequences
// never wait for the database nor hear of it. A visit gets its key, unique across PCs, here when
// it starts; the writer thread works out its gauge.
class HistoryRecorder : public ServiceJournal
{
public:
    explicit HistoryRecorder(HistoryWriter& writer);
    ~HistoryRecorder() override; // ends a visit still open

    // Another history is opened: a visit under way ends in the one it began in; the next
    // report starts a visit anew.
    void endVisitForNewHistory();
    // The key of the visit reports go to now (also just after its end); empty before the first.
    QString visitKey() const { return m_visitKey; }

    void visitStarted(const QString& mac) override;
    void visitEnded() override;
    void identityRead(const IdentityFields& identity) override;
    void recordRead(const QString& file, const QString& hex) override;
    void fileWriteStarting(const QString& file) override;
    void backupSaved(const QString& file, const QString& path) override;
    void fileWritten(const QString& file, const QString& hex, bool verified, int differingByte,
                     const QString& backupPath, const QString& detail) override;
    void backupRestored(const QString& file, const QString& backupPath, bool ok,
                        const QString& detail) override;
    void languageFileSent(const QString& name, qint64 bytes, bool ok,
                          const QString& detail) override;
    void memoryReset(bool ok, const QString& detail) override;
    void clockRead(const QString& gaugeTimeText, const QDateTime& pcTime) override;
    void clockSet(const QString& timeText) override;
    void batteryRead(double level) override;

private:
    // Queues the report for the current visit (one is started for the connected gauge if none).
    void report(HistoryReport r);
    void report(HistoryReport::Kind kind, const HistoryEvent& event, const QString& hex = {});

    HistoryWriter& m_writer;
    QString m_visitKey;
    QString m_mac; // the gauge of the visit: its 12-digit ServerId
    bool m_visitOpen = false;
};
