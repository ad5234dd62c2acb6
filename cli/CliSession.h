#pragma once

#include "link/BleLink.h"
#include "link/CommandChannel.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <memory>

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
    QString backupDir; // where uploads keep the gauge's file before writing; empty: the usual
    // Test aid: faults of the simulated gauge by command number (1-based).
    QList<QPair<int, SimFault>> simFaults;
};

// One run of the tool: the BLE back end, the command channel and the link, connected to one gauge.
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
    // Lists the gauges seen during scanMs; ends early when the back end reports an error.
    QStringList scan(int scanMs);
    // The last scan ended with an error event of the back end (it has said why).
    bool scanFailed() const { return m_scanFailed; }
    void disconnectGauge();

    CommandChannel& channel() { return m_channel; }
    BleLink& link() { return *m_link; }
    const CliOptions& options() const { return m_options; }

    // The token every device sequence of the run listens to; cancel() ends the running one (it
    // still closes its device file while the link is up) and the waits for the link.
    const CancelToken* cancelToken() const { return &m_cancel; }
    void cancel() { m_cancel.cancel(); }
    bool cancelled() const { return m_cancel.isCancelled(); }

    // Exit code for a wait result.
    static int exitFor(WaitResult r);

private:
    void traceTo(const char* prefix, const QString& text);
    CliOptions m_options;
    CommandChannel m_channel;
    CancelToken m_cancel;
    std::unique_ptr<BLEClient> m_client;
    std::unique_ptr<BleLink> m_link;
    SimGauge* m_gauge = nullptr;
    bool m_scanFailed = false;
};
