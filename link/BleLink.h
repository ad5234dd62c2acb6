#pragma once

#include "link/BLEClient.h"
#include "link/ConditionWait.h"
#include "link/DeviceOutcome.h"
#include "link/GaugeSession.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

class CancelToken;
class ServiceJournal;
class UserDialogs;
struct SharedState;

// Where the link to a gauge stands.
enum class LinkState {
    Idle,          // no link; a scan may have run
    Scanning,      // the client reports advertising gauges
    Connecting,    // ConnectDevice called, its Connected event awaited
    Discovering,   // connected, the gauge's custom service being discovered
    Ready,         // the command characteristic is known: the session is open
    Disconnecting, // a disconnection asked for, its Disconnected event awaited
};

// What a scan found.
struct ScanResult {
    QStringList entries; // the list entries of the gauges that advertised
    bool failed = false; // the scan could not start or the client reported an error (said why)
};

// The link to a gauge: scanning, the list of advertising gauges, connecting, discovering the
// gauge's custom service, and tearing the link down. Each connection that gets ready makes a
// GaugeSession, which ends with the link. Scans and connects are coroutines that read like their
// steps; the link window's clicks and zvctl call them. The window only shows the state kept here.
class BleLink : public QObject
{
    Q_OBJECT
public:
    // Discovery gets five ticks of one second.
    static constexpr int kDiscoveryTicks = 5;
    static constexpr int kTimerIntervalMs = 1000;
    // A connect that has neither succeeded nor failed after this long is given up, whatever the
    // back end: the client is told to disconnect, and "Please try again" stays on the status line.
    static constexpr int kConnectLimitMs = 10000;
    static constexpr int kConnectPauseMs = 500;

    // Messages (errors, a scan that cannot start) go to dialogs; the sessions' channels fill
    // replyVariables.
    BleLink(BLEClient* client, UserDialogs& dialogs, SharedState& replyVariables,
            QObject* parent = nullptr);
    ~BleLink() override;
    BLEClient* client() const { return m_client; }
    // Where the sessions report their visits (may be null).
    void setJournal(ServiceJournal* journal) { m_journal = journal; }

    LinkState state() const { return m_state; }
    // The open session of the connected gauge; null without one.
    std::shared_ptr<GaugeSession> session() const { return m_session; }
    // The ServerId chosen last (kept after a disconnection for the next connection).
    QString address() const { return m_address; }
    // The identifiers this connection's discovery reported.
    const ChannelIds& ids() const { return m_ids; }
    // Connected (from the Connected event to the Disconnected one) / the service found.
    bool connected() const;
    bool servicesFound() const { return m_state == LinkState::Ready; }
    // A device sequence owns the session's channel.
    bool busy() const;

    // What the window shows.
    const QStringList& deviceEntries() const { return m_entries; }
    QString statusText() const { return m_status; }
    QString scanCaption() const;
    QString connectCaption() const;
    bool scanEnabled() const;
    bool listEnabled() const { return true; }

    // Tests shorten the pauses and limits.
    void setConnectPauseMs(int ms) { m_connectPauseMs = ms; }
    void setConnectLimitMs(int ms) { m_connectLimitMs = ms; }
    void setTimerIntervalMs(int ms) { m_tickMs = ms; }

    void Form_Load();
    void Form_Activate();
    // Captions the language switch sets on this window.
    void applyLanguage();
    // The window's buttons: scan or stop; connect to the selected entry (-1: none, then the
    // gauge connected last) or disconnect.
    void cmdScan_Click();
    void cmdConnect_click(int selectedRow);

    // Starts a scan; false when it could not start (the cause is on the status line and in a
    // message). The list is cleared first.
    bool startScan();
    void stopScan();
    // Scans for scanMs and stops; ended early by an error of the client, by the token, or once
    // found() holds after a gauge was listed.
    QCoro::Task<ScanResult> scan(int scanMs, const CancelToken* cancel = nullptr,
                                 std::function<bool()> found = {});
    // Connects to the gauge with this ServerId and discovers its service: the new session, or
    // why not (NoReply: given up after the connect limit or the discovery ticks; LinkLost:
    // refused, dropped or a client error; Cancelled; Busy: a link is up or under way).
    QCoro::Task<DeviceResult<std::shared_ptr<GaugeSession>>>
    connectTo(QString address, const CancelToken* cancel = nullptr);
    // Disconnects a connected gauge and waits until the link is down, at most limitMs: false
    // when it did not go down in time.
    QCoro::Task<bool> disconnectGauge(int limitMs);
    // DisconnectDevice twice, then the list cleared; the Disconnected event does the rest.
    void BLEDisconnect();
    void DiscoverServices();

    // Handlers of the BLE client's events.
    void BLEClient1_StartScan(const QStringList& serviceUuids);
    void BLEClient1_Advertisement(const QString& serverId, const QString& name, qint16 rssi);
    void BLEClient1_Connected(qint16 statusCode, const QString& description);
    void BLEClient1_Discovered(qint16 gattType, const QString& serviceId,
                               const QString& characteristicId, const QString& descriptorId,
                               const QString& uuid, const QString& description);
    void BLEClient1_Disconnected(qint16 statusCode, const QString& description);
    void BLEClient1_Error(qint16 errorCode, const QString& description);

    // "MAC: <id> Name: <name>       RSSI: <rssi>", the name's control characters spelled out
    static QString deviceEntryText(const QString& serverId, const QString& name, qint16 rssi);
    // The ServerId at the start of a list entry; empty for text that is no entry.
    static QString serverIdOfEntry(const QString& entry);

signals:
    void changed();        // any of the shown state changed
    void linkReady();      // the gauge is connected, its session open
    void linkDown();       // the link went down
    void sessionChanged(); // a session began or ended
    void busyChanged(bool busy);

private:
    // What the client reported since the connect began.
    struct Events {
        std::optional<qint16> connected; // status of the Connected event
        QString connectDescription;
        bool servicesFound = false;
        bool down = false;
        bool error = false;
    };
    using ConnectResult = DeviceResult<std::shared_ptr<GaugeSession>>;
    QCoro::Task<ConnectResult> connected(const CancelToken* cancel);
    QCoro::Task<ConnectResult> discover(const CancelToken* cancel);
    static ConnectResult failure(DeviceFailure failure, DeviceStep step, const QString& detail);
    ConnectResult giveUp(DeviceStep step, const QString& detail);
    ConnectResult abandoned(WaitResult wait, DeviceStep step);
    bool startDiscovery();
    void openSession();
    void endSession();
    void setState(LinkState state);
    void setStatus(const QString& text);
    void showError(int number, const QString& source, const QString& description);

    QPointer<BLEClient> m_client;
    UserDialogs& m_dialogs;
    SharedState& m_variables;
    ServiceJournal* m_journal = nullptr;
    LinkState m_state = LinkState::Idle;
    std::shared_ptr<GaugeSession> m_session;
    ChannelIds m_ids;
    Events m_events;
    ConditionWait m_wait;     // the connect's steps
    ConditionWait m_scanWait; // a scan's time
    ConditionWait m_downWait; // a disconnection
    QStringList m_entries;
    QString m_address;
    QString m_status = QStringLiteral("Text1");
    bool m_keepStatus = false;
    int m_connectPauseMs = kConnectPauseMs;
    int m_connectLimitMs = kConnectLimitMs;
    int m_tickMs = kTimerIntervalMs;
};
