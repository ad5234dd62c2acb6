#include "link/BleLink.h"

#include "link/BluetoothCheck.h"
#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/RadioText.h"
#include "state/ServiceJournal.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QThread>
#include <utility>

namespace
{
const QString kEntryPrefix =
    QStringLiteral("MAC: "); // a list entry starts with it and the ServerId
constexpr int kServerIdLength = 12;
const QString kScan = QStringLiteral("Scan");
const QString kStop = QStringLiteral("Stop");
} // namespace

BleLink::BleLink(BLEClient* client, UserDialogs& dialogs, QObject* parent)
    : QObject(parent), m_client(client), m_dialogs(dialogs)
{
    m_timer1.setInterval(kTimerIntervalMs);
    connect(&m_timer1, &QTimer::timeout, this, &BleLink::Timer1_Timer);
    m_connectGuard.setSingleShot(true);
    connect(&m_connectGuard, &QTimer::timeout, this, &BleLink::connectGivenUp);
    if (!client)
        return;
    connect(client, &BLEClient::StartScan, this, &BleLink::BLEClient1_StartScan);
    connect(client, &BLEClient::Advertisement, this,
            [this](const QString& id, const QString& name, qint16 rssi) {
                BLEClient1_Advertisement(id, name, rssi);
            });
    connect(client, &BLEClient::Connected, this, &BleLink::BLEClient1_Connected);
    connect(client, &BLEClient::Discovered, this, &BleLink::BLEClient1_Discovered);
    connect(client, &BLEClient::Disconnected, this, &BleLink::BLEClient1_Disconnected);
    connect(client, &BLEClient::Error, this, &BleLink::BLEClient1_Error);
}

QString BleLink::deviceEntryText(const QString& serverId, const QString& name, qint16 rssi)
{
    return kEntryPrefix + serverId + QStringLiteral(" Name: ") + RadioText::visible(name) +
           QStringLiteral("       RSSI: ") + QString::number(rssi);
}

// Only the fixed place counts: the name further on may hold any text, "MAC: " included.
QString BleLink::serverIdOfEntry(const QString& entry)
{
    if (!entry.startsWith(kEntryPrefix))
        return QString();
    return entry.mid(kEntryPrefix.size(), kServerIdLength);
}

void BleLink::setStatus(const QString& text)
{
    m_status = text;
    emit changed();
}

void BleLink::showError(int number, const QString& source, const QString& description)
{
    m_dialogs.message(QString::number(number) + QStringLiteral("   ") + source + QLatin1Char('\r') +
                      description);
}

void BleLink::reportVisitsTo(CommandChannel& channel)
{
    connect(this, &BleLink::linkReady, &channel,
            [&channel] { channel.journal().visitStarted(sharedState().DeviceAddress); });
    connect(this, &BleLink::linkDown, &channel, [&channel] { channel.journal().visitEnded(); });
}

void BleLink::Form_Load()
{
    if (m_client)
        m_client->Configure(QStringLiteral("LogLevel=0"));
    SharedState& s = sharedState();
    s.ServiceUuid = QStringLiteral("722383EA-0662-466F-B41F-0FD548267C10");
    s.CommandCharUuid = QStringLiteral("000028CA-0000-1000-8000-00805F9B34FB");
    s.TraceCharUuid = QStringLiteral("CA28ED7B-0662-466F-B41F-0FD548267C10");
}

void BleLink::Form_Activate()
{
    if (m_client)
        m_client->Configure(QStringLiteral("LogLevel=0"));
}

void BleLink::applyLanguage()
{
    m_scanCaption = messageText(0);
    offerDisconnect(m_offersDisconnect);
    emit changed();
}

void BleLink::cmdScan_Click()
{
    if (!m_client)
        return;
    if (m_scanCaption == kScan) {
        m_entries.clear();
        emit changed();
        m_client->ScanFlag = true;
        const BleResult r = m_client->StartScanning(QString());
        if (!r.ok()) {
            qCWarning(zvLink) << "scan did not start:" << r.code << r.description;
            // The catalogue's request to check the settings, and what exactly is wrong.
            const QString cause = BluetoothCheck::explain(r);
            setStatus(cause);
            m_dialogs.message(messageText(37) + QStringLiteral("\r\n") + cause);
        }
        return;
    }
    m_client->StopScanning();
}

void BleLink::BLEClient1_StartScan(const QStringList&)
{
    m_scanCaption = kStop;
    setStatus(QStringLiteral("Scanning started..."));
}

void BleLink::BLEClient1_Advertisement(const QString& serverId, const QString& name, qint16 rssi)
{
    for (const QString& entry : std::as_const(m_entries)) {
        if (serverIdOfEntry(entry) == serverId)
            return;
    }
    if (!name.contains(QLatin1String("ZE")))
        return;
    m_entries.append(deviceEntryText(serverId, name, rssi));
    emit changed();
}

void BleLink::cmdConnect_click(int selectedRow)
{
    SharedState& s = sharedState();
    if (!m_client)
        return;
    if (m_offersDisconnect) {
        BLEDisconnect();
    } else {
        m_keepStatus = false;
        forgetServices();
        BleResult r;
        if (selectedRow >= 0 && selectedRow < m_entries.size()) {
            s.DeviceAddress = serverIdOfEntry(m_entries.at(selectedRow));
            setStatus(messageText(5) + s.DeviceAddress);
            r = m_client->ConnectDevice(s.DeviceAddress);
        } else if (!s.DeviceAddress.isEmpty()) {
            r = m_client->ConnectDevice(s.DeviceAddress);
        } else {
            m_dialogs.message(messageText(3) + QStringLiteral("\r\n"));
        }
        if (!r.ok()) {
            showError(r.code, QStringLiteral("cmdConnect_click"), r.description);
            return;
        }
        if (!s.DeviceAddress.isEmpty())
            m_connectGuard.start(m_connectLimitMs);
    }
    m_listEnabled = true;
    emit changed();
}

void BleLink::BLEClient1_Connected(qint16 statusCode, const QString& description)
{
    SharedState& s = sharedState();
    m_connectGuard.stop();
    if (statusCode != 0) {
        // A failed connection: say so and stay in the link window, not connected.
        setStatus(messageText(39) + QStringLiteral(" (") + QString::number(statusCode) +
                  QLatin1Char(' ') + description + QLatin1Char(')'));
        return;
    }
    m_client->StopScanning();
    s.DeviceConnected = true;
    setStatus(QStringLiteral("Connected to ") + s.DeviceAddress);
    if (m_connectPauseMs > 0)
        QThread::msleep(ulong(m_connectPauseMs));
    offerDisconnect(true);
    m_tickCount = 0;
    m_timer1.start();
    s.ServicesFound = false;
    emit changed();
    DiscoverServices();
}

// The connect button's caption: "Trennen" / "Disconnect" while it would end the link, else
// "Verbinden" / "Connect", in the current language.
void BleLink::offerDisconnect(bool disconnect)
{
    m_offersDisconnect = disconnect;
    m_connectCaption = menuText(disconnect ? 56 : 50);
}

// What an earlier connection discovered says nothing about this one: only this connection's
// discovery reports count towards "services found".
void BleLink::forgetServices()
{
    SharedState& s = sharedState();
    s.ServiceId.clear();
    s.CommandCharId.clear();
    s.TraceCharId.clear();
    s.ServicesFound = false;
}

void BleLink::DiscoverServices()
{
    m_client->Configure(QStringLiteral("AutoDiscoverCharacteristics = true"));
    m_client->Configure(QStringLiteral("AutoDiscoverDescriptors = true"));
    const BleResult r = m_client->Discover(sharedState().ServiceUuid, QString());
    if (!r.ok()) {
        qCWarning(zvLink) << "discovery did not start:" << r.description;
        discoveryFailed();
    }
}

void BleLink::BLEClient1_Discovered(qint16 gattType, const QString& serviceId,
                                    const QString& characteristicId, const QString&,
                                    const QString& uuid, const QString&)
{
    SharedState& s = sharedState();
    if (gattType == 1) {
        if (uuid == s.CommandCharUuid)
            s.CommandCharId = characteristicId;
        if (uuid == s.TraceCharUuid)
            s.TraceCharId = characteristicId;
    } else if (gattType == 0 && uuid == s.ServiceUuid) {
        s.ServiceId = serviceId;
    }
    if (!s.CommandCharId.isEmpty() && !s.ServiceId.isEmpty())
        s.ServicesFound = true;
    if (s.ServicesFound && m_timer1.isActive())
        discoveryComplete();
}

void BleLink::Timer1_Timer()
{
    if (++m_tickCount < kDiscoveryTicks)
        return;
    m_timer1.stop();
    m_tickCount = 0;
    if (!sharedState().ServicesFound)
        discoveryFailed();
}

void BleLink::discoveryComplete()
{
    m_timer1.stop();
    m_tickCount = 0;
    m_scanEnabled = false;
    emit changed();
    emit linkReady();
}

void BleLink::discoveryFailed()
{
    m_timer1.stop();
    m_tickCount = 0;
    giveUp();
}

// Drops the half-made link; "Please try again" stays on the status line after the disconnection.
void BleLink::giveUp()
{
    m_keepStatus = true;
    m_client->DisconnectDevice();
    offerDisconnect(false);
    setStatus(messageText(39));
}

void BleLink::connectGivenUp()
{
    qCWarning(zvLink) << "connect did not complete in" << m_connectLimitMs << "ms";
    giveUp();
}

void BleLink::BLEClient1_Disconnected(qint16 statusCode, const QString& description)
{
    SharedState& s = sharedState();
    m_timer1.stop();
    m_connectGuard.stop();
    // Every disconnection ends the link, also one the gauge caused (status other than 0).
    m_scanEnabled = true;
    m_scanCaption = kScan;
    offerDisconnect(false);
    s.DeviceConnected = false;
    s.ServicesFound = false;
    AppendServiceLog(QStringLiteral("disconnected") + QString::number(statusCode) + description);
    if (!std::exchange(m_keepStatus, false))
        setStatus(QStringLiteral("Disconnected ") + QString::number(statusCode) + description);
    emit changed();
    emit linkDown();
}

void BleLink::BLEClient1_Error(qint16 errorCode, const QString& description)
{
    m_connectGuard.stop();
    m_dialogs.message(QStringLiteral("Error") + QString::number(errorCode) + QLatin1Char(' ') +
                      description);
    BLEDisconnect();
}

void BleLink::BLEDisconnect()
{
    if (m_client) {
        m_client->DisconnectDevice();
        m_client->DisconnectDevice();
    }
    m_entries.clear();
    emit changed();
}
