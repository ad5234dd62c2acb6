#include "link/BleLink.h"

#include "link/BluetoothCheck.h"
#include "link/GaugeProtocol.h"
#include "state/LogCategories.h"
#include "state/RadioText.h"
#include "state/ServiceLog.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <utility>

namespace
{
const QString kEntryPrefix =
    QStringLiteral("MAC: "); // a list entry starts with it and the ServerId
constexpr int kServerIdLength = 12;
const QString kScan = QStringLiteral("Scan");
const QString kStop = QStringLiteral("Stop");
constexpr int kEntrySelectDevice = 3;
constexpr int kEntryCheckBluetooth = 37;
constexpr int kMenuConnect = 50;
constexpr int kMenuDisconnect = 56;
} // namespace

BleLink::BleLink(BLEClient* client, UserDialogs& dialogs, SharedState& replyVariables,
                 QObject* parent)
    : QObject(parent), m_client(client), m_dialogs(dialogs), m_variables(replyVariables)
{
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

// A connect or a wait still under way ends now, while everything it uses is still there.
BleLink::~BleLink()
{
    m_wait.abandon();
    m_scanWait.abandon();
    m_downWait.abandon();
    if (m_session)
        std::exchange(m_session, nullptr)->end();
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

bool BleLink::busy() const
{
    return m_session && m_session->isBusy();
}

bool BleLink::connected() const
{
    return m_state == LinkState::Discovering || m_state == LinkState::Ready ||
           m_state == LinkState::Disconnecting;
}

QString BleLink::scanCaption() const
{
    return m_state == LinkState::Scanning ? kStop : kScan;
}

// "Trennen" / "Disconnect" while the button would end the link, else "Verbinden" / "Connect".
QString BleLink::connectCaption() const
{
    return menuText(connected() ? kMenuDisconnect : kMenuConnect);
}

bool BleLink::scanEnabled() const
{
    return m_state != LinkState::Ready && m_state != LinkState::Disconnecting;
}

void BleLink::setState(LinkState state)
{
    m_state = state;
    emit changed();
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

void BleLink::Form_Load()
{
    if (m_client)
        m_client->Configure(QStringLiteral("LogLevel=0"));
}

void BleLink::Form_Activate()
{
    if (m_client)
        m_client->Configure(QStringLiteral("LogLevel=0"));
}

void BleLink::applyLanguage()
{
    emit changed();
}

void BleLink::cmdScan_Click()
{
    if (m_state == LinkState::Scanning)
        stopScan();
    else
        startScan();
}

bool BleLink::startScan()
{
    if (!m_client)
        return false;
    m_entries.clear();
    emit changed();
    m_client->ScanFlag = true;
    const BleResult r = m_client->StartScanning(QString());
    if (r.ok())
        return true;
    qCWarning(zvLink) << "scan did not start:" << r.code << r.description;
    // The catalogue's request to check the settings, and what exactly is wrong.
    const QString cause = BluetoothCheck::explain(r);
    setStatus(cause);
    m_dialogs.message(messageText(kEntryCheckBluetooth) + QStringLiteral("\r\n") + cause);
    return false;
}

void BleLink::stopScan()
{
    if (!m_client || m_state != LinkState::Scanning)
        return;
    m_client->StopScanning();
    setState(LinkState::Idle);
}

QCoro::Task<ScanResult> BleLink::scan(int scanMs, const CancelToken* cancel,
                                      std::function<bool()> found)
{
    ScanResult result;
    m_events.error = false;
    if (!startScan()) {
        result.failed = true;
        co_return result;
    }
    std::function<bool()> done = [this, found] { return m_events.error || (found && found()); };
    co_await m_scanWait.until(done, scanMs, cancel);
    result.failed = m_events.error;
    stopScan();
    result.entries = m_entries;
    co_return result;
}

void BleLink::BLEClient1_StartScan(const QStringList&)
{
    m_state = LinkState::Scanning;
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
    m_scanWait.check();
}

void BleLink::cmdConnect_click(int selectedRow)
{
    if (!m_client || m_state == LinkState::Connecting)
        return;
    if (connected()) {
        BLEDisconnect();
        return;
    }
    QString address = m_address;
    if (selectedRow >= 0 && selectedRow < m_entries.size())
        address = serverIdOfEntry(m_entries.at(selectedRow));
    if (address.isEmpty()) {
        m_dialogs.message(messageText(kEntrySelectDevice) + QStringLiteral("\r\n"));
        return;
    }
    QCoro::connect(connectTo(address), this, [](const ConnectResult&) {});
}

void BleLink::DiscoverServices()
{
    startDiscovery();
}

bool BleLink::startDiscovery()
{
    m_client->Configure(QStringLiteral("AutoDiscoverCharacteristics = true"));
    m_client->Configure(QStringLiteral("AutoDiscoverDescriptors = true"));
    const BleResult r = m_client->Discover(GaugeProtocol::kServiceUuid, QString());
    if (!r.ok())
        qCWarning(zvLink) << "discovery did not start:" << r.description;
    return r.ok();
}

void BleLink::BLEClient1_Connected(qint16 statusCode, const QString& description)
{
    m_events.connected = statusCode;
    m_events.connectDescription = description;
    m_wait.check();
}

// Identifiers of an earlier connection say nothing about this one: the connect starts without.
void BleLink::BLEClient1_Discovered(qint16 gattType, const QString& serviceId,
                                    const QString& characteristicId, const QString&,
                                    const QString& uuid, const QString&)
{
    if (gattType == 1) {
        if (uuid == GaugeProtocol::kCommandCharUuid)
            m_ids.command = characteristicId;
        if (uuid == GaugeProtocol::kTraceCharUuid)
            m_ids.trace = characteristicId;
    } else if (gattType == 0 && uuid == GaugeProtocol::kServiceUuid) {
        m_ids.service = serviceId;
    }
    m_events.servicesFound = !m_ids.command.isEmpty() && !m_ids.service.isEmpty();
    if (m_session)
        m_session->channel().setIds(m_ids);
    emit changed();
    m_wait.check();
}

void BleLink::BLEClient1_Disconnected(qint16 statusCode, const QString& description)
{
    // Every disconnection ends the link, also one the gauge caused (status other than 0).
    endSession();
    m_state = LinkState::Idle;
    AppendServiceLog(QStringLiteral("disconnected") + QString::number(statusCode) + description);
    if (!std::exchange(m_keepStatus, false))
        m_status = QStringLiteral("Disconnected ") + QString::number(statusCode) + description;
    m_events.down = true;
    emit changed();
    emit linkDown();
    m_wait.check();
    m_downWait.check();
}

void BleLink::BLEClient1_Error(qint16 errorCode, const QString& description)
{
    m_events.error = true;
    m_dialogs.message(QStringLiteral("Error") + QString::number(errorCode) + QLatin1Char(' ') +
                      description);
    BLEDisconnect();
    m_wait.check();
    m_scanWait.check();
}

void BleLink::BLEDisconnect()
{
    if (m_client) {
        if (connected())
            m_state = LinkState::Disconnecting;
        m_client->DisconnectDevice();
        m_client->DisconnectDevice();
    }
    m_entries.clear();
    emit changed();
}

QCoro::Task<bool> BleLink::disconnectGauge(int limitMs)
{
    if (!m_client || !connected())
        co_return true;
    m_state = LinkState::Disconnecting;
    m_client->DisconnectDevice();
    emit changed();
    const WaitResult down =
        co_await m_downWait.until([this] { return m_state == LinkState::Idle; }, limitMs);
    co_return down == WaitResult::Done;
}

void BleLink::openSession()
{
    m_session = std::make_shared<GaugeSession>(m_client, m_address, m_ids, m_variables, m_journal);
    const GaugeSession* opened = m_session.get();
    connect(opened, &GaugeSession::busyChanged, this, [this, opened](bool busy) {
        if (m_session.get() == opened)
            emit busyChanged(busy);
    });
    emit sessionChanged();
}

void BleLink::endSession()
{
    if (!m_session)
        return;
    const std::shared_ptr<GaugeSession> ended = std::exchange(m_session, nullptr);
    const bool wasBusy = ended->isBusy();
    ended->end();
    emit sessionChanged();
    if (wasBusy)
        emit busyChanged(false);
}
