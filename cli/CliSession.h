#pragma once

#include "link/BleLink.h"
#include "link/SequenceRunner.h"
#include "state/SharedState.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPair>
#include <memory>

class ServiceJournal;
class SimGauge;
enum class SimFault;

// Exit codes of the command-line tool.
enum CliExit {
    ExitDone = 0,
    ExitFailed = 1, // refused or failed by the gauge
    ExitUsage = 2,
    ExitNoReply = 3, // no reply in time or link lost
};

struct CliOptions {
    bool simulator = false;
    QString simDir;
    QString device;
    int timeoutMs = 0;
    bool trace = false;
    bool json = false;
    int language = 0;
    QString backupDir;     // where uploads keep the gauge's file before writing; empty: the usual
    QString programFolder; // where the program's files are ("lng", the logo, the usual backups)
    // Test aid: faults of the simulated gauge by command number (1-based).
    QList<QPair<int, SimFault>> simFaults;
};

// One run of the tool: the BLE back end and the link, connected to one gauge whose session the
// commands run their device sequences on. The run's own reply variables take what the gauge's
// replies carry (zvctl send prints them).
class CliSession : public QObject
{
    Q_OBJECT
public:
    explicit CliSession(const CliOptions& options, QObject* parent = nullptr);
    ~CliSession() override;

    // Builds the back end once (the simulated gauge with --simulator, else Qt Bluetooth).
    // Scanning and connecting open it, so commands that need no gauge never touch the back end.
    bool open();
    // Scans for the gauge (--device or the first one listed) and connects; an exit code.
    int connectGauge();
    // Lists the gauges seen during scanMs; failed when the scan could not start or the back end
    // reported an error (it has said why).
    ScanResult scan(int scanMs);
    void disconnectGauge();

    // The connected gauge's session (null before connectGauge or after the link dropped).
    std::shared_ptr<GaugeSession> gauge() const { return m_gauge; }
    BleLink& link() { return *m_link; }
    const CliOptions& options() const { return m_options; }
    SharedState& replyVariables() { return m_replies; }
    // Where the sessions report their visits (the service history).
    void setJournal(ServiceJournal* journal);

    // Runs a device sequence on the connected gauge to its end, as a window runs its sequences:
    // cancel() ends it (it still closes its device file while the link is up), and a write it
    // left incomplete is named with its backup and the restore command.
    template <typename R> R run(Sequence<R> sequence)
    {
        return QCoro::waitFor(m_runner.run(m_gauge, std::move(sequence)));
    }
    // SIGINT or SIGTERM: the running sequence, scan or connect ends.
    void cancel();
    bool cancelled() const { return m_cancel.isCancelled(); }

private:
    void traceTo(const char* prefix, const QString& text);
    void followSession();
    CliOptions m_options;
    SharedState m_replies;
    CancelToken m_cancel; // the link's waits (scan, connect)
    SequenceRunner m_runner;
    ServiceJournal* m_journal = nullptr;
    std::unique_ptr<BLEClient> m_client;
    std::unique_ptr<BleLink> m_link;
    std::shared_ptr<GaugeSession> m_gauge;
    SimGauge* m_simulated = nullptr;
};
