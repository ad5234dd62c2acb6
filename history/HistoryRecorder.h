#pragma once

#include "history/HistoryStore.h"
#include "state/ServiceJournal.h"

#include <functional>

// Writes what the device sequences report into the service history, each report in its own
// transaction. A report that cannot be written is logged (service log, zv.history) and the
// first of a run of failures goes to the warning callback (status line, standard error); the
// service work never waits for it or hears of it.
class HistoryRecorder : public ServiceJournal
{
public:
    using Warning = std::function<void(const QString& text)>;

    HistoryRecorder(HistoryStore& store, Warning warning);
    ~HistoryRecorder() override; // ends a visit still open

    // Opens the store at location (empty: its default) and warns about what went wrong there.
    HistoryOpenResult open(const QString& location);
    qint64 visitId() const { return m_visitId; }

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
    // Runs step in a transaction; a failure is reported as described above.
    void record(const QString& what, const std::function<bool()>& step);
    // Records event in the current visit (one is started for the connected gauge if need be).
    void recordEvent(HistoryEvent event);
    bool ensureVisit(const QString& mac);
    bool adoptSerialOf(const QString& hex);
    void warn(const QString& text);

    HistoryStore& m_store;
    Warning m_warning;
    qint64 m_gaugeId = 0;
    qint64 m_visitId = 0;
    bool m_visitOpen = false;
    bool m_serialSettled = false; // the visit's gauge is known for good (by serial or address)
    bool m_failing = false;
    QString m_mac; // the gauge of the visit: its 12-digit ServerId
};
