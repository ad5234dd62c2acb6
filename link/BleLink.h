#pragma once

#include "link/BLEClient.h"

class CommandChannel;
class UserDialogs;

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

// The link to the gauge: scanning, the list of advertising gauges, connecting, discovering the
// gauge's custom service, and tearing the link down. This is the logic of the link window; the
// window itself only shows the state kept here and forwards clicks.
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

    // Messages (errors, a scan that cannot start) go to dialogs.
    BleLink(BLEClient* client, UserDialogs& dialogs, QObject* parent = nullptr);
    BLEClient* client() const { return m_client; }

    // What the window shows.
    const QStringList& deviceEntries() const { return m_entries; }
    QString statusText() const { return m_status; }
    QString scanCaption() const { return m_scanCaption; }
    QString connectCaption() const { return m_connectCaption; }
    bool scanEnabled() const { return m_scanEnabled; }
    bool listEnabled() const { return m_listEnabled; }
    bool discovering() const { return m_timer1.isActive(); }

    // Tests shorten the pauses and limits.
    void setConnectPauseMs(int ms) { m_connectPauseMs = ms; }
    void setConnectLimitMs(int ms) { m_connectLimitMs = ms; }
    void setTimerIntervalMs(int ms) { m_timer1.setInterval(ms); }

    // Reports link up and down as the start and end of a visit to the channel's journal.
    void reportVisitsTo(CommandChannel& channel);

    void Form_Load();
    void Form_Activate();
    // Captions the language switch sets on this window.
    void applyLanguage();
    void cmdScan_Click();
    // selectedRow: the chosen list entry, or -1 when nothing is selected.
    void cmdConnect_click(int selectedRow);
    void DiscoverServices();
    void BLEDisconnect();

    // Handlers of the BLE client's events.
    void BLEClient1_StartScan(const QStringList& serviceUuids);
    void BLEClient1_Advertisement(const QString& serverId, const QString& name, qint16 rssi);
    void BLEClient1_Connected(qint16 statusCode, const QString& description);
    void BLEClient1_Discovered(qint16 gattType, const QString& serviceId,
                               const QString& characteristicId, const QString& descriptorId,
                               const QString& uuid, const QString& description);
    void Timer1_Timer();
    void BLEClient1_Disconnected(qint16 statusCode, const QString& description);
    void BLEClient1_Error(qint16 errorCode, const QString& description);

    // "MAC: <id> Name: <name>       RSSI: <rssi>", the name's control characters spelled out
    static QString deviceEntryText(const QString& serverId, const QString& name, qint16 rssi);
    // The ServerId at the start of a list entry; empty for text that is no entry.
    static QString serverIdOfEntry(const QString& entry);

signals:
    void changed();   // any of the shown state changed
    void linkReady(); // the gauge is connected and its command characteristic known
    void linkDown();  // the link went down

private:
    void setStatus(const QString& text);
    void offerDisconnect(bool disconnect);
    void forgetServices();
    void discoveryComplete();
    void discoveryFailed();
    void connectGivenUp();
    void giveUp();
    void showError(int number, const QString& source, const QString& description);

    QPointer<BLEClient> m_client;
    UserDialogs& m_dialogs;
    QStringList m_entries;
    QString m_status = QStringLiteral("Text1");
    QString m_scanCaption = QStringLiteral("Scan");
    QString m_connectCaption = QStringLiteral("Connect");
    bool m_offersDisconnect = false;
    bool m_scanEnabled = true;
    bool m_listEnabled = true;
    QTimer m_timer1;
    QTimer m_connectGuard;
    int m_tickCount = 0;
    bool m_keepStatus = false;
    int m_connectPauseMs = 500;
    int m_connectLimitMs = kConnectLimitMs;
};
