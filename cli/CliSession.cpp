#include "cli/CliSession.h"

#include "link/bluetooth/QtBleClient.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/RadioText.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace
{
constexpr int kScanLimitMs = 10000;
constexpr int kLinkLimitMs = BleLink::kConnectLimitMs + 7000; // connect plus discovery

// Runs the event loop until done() holds after a change of the link or an error event of the
// back end, or until limitMs or a cancel. Callers that note an error connect to the back end
// before this.
bool waitOnLink(BleLink* link, const std::function<bool()>& done, int limitMs,
                const CancelToken* cancel = nullptr)
{
    if (done())
        return true;
    if (cancel && cancel->isCancelled())
        return false;
    QEventLoop loop;
    QTimer::singleShot(limitMs, &loop, [&loop] { loop.exit(1); });
    if (cancel)
        QObject::connect(cancel, &CancelToken::cancelled, &loop, [&loop] { loop.exit(1); });
    auto check = [&] {
        if (done())
            loop.exit(0);
    };
    QObject::connect(link, &BleLink::changed, &loop, check);
    QObject::connect(link, &BleLink::linkReady, &loop, check);
    QObject::connect(link, &BleLink::linkDown, &loop, check);
    if (link->client())
        QObject::connect(link->client(), &BLEClient::Error, &loop, check);
    return loop.exec() == 0;
}
// Starts a scan. False when it could not start: the link has then set its status to the cause,
// synchronously, and shown the message (a started scan reports only later, through events).
bool startScan(BleLink& link)
{
    const QString before = link.statusText();
    link.cmdScan_Click();
    return link.statusText() == before;
}
} // namespace

CliSession::CliSession(const CliOptions& options, QObject* parent)
    : QObject(parent), m_options(options)
{
    SharedState& s = sharedState();
    s.LanguageIndex = qint16(options.language);
    fillTextTables();
    FillLanguageTables();
    setReplyTimeoutMs(options.timeoutMs);
    if (options.trace) {
        connect(&m_channel, &CommandChannel::commandSent, this,
                [this](const QString& c) { traceTo(">", c); });
        connect(&m_channel, &CommandChannel::valueReceived, this,
                [this](const QByteArray& v) { traceTo("<", QString::fromLatin1(v)); });
    }
}

CliSession::~CliSession()
{
    m_link.reset();
    m_client.reset();
}

void CliSession::traceTo(const char* prefix, const QString& text)
{
    std::fprintf(stderr, "%s %s\n", prefix, RadioText::visible(text).toLocal8Bit().constData());
    std::fflush(stderr);
}

bool CliSession::open()
{
    if (m_link)
        return true;
    if (m_options.simulator) {
        m_gauge = new SimGauge(this);
        if (!m_options.simDir.isEmpty()) {
            QStringList skipped;
            m_gauge->loadFolder(m_options.simDir, &skipped);
            for (const QString& name : skipped)
                std::fprintf(stderr, "sim: %s is not a device file in hex text, skipped\n",
                             name.toLocal8Bit().constData());
        }
        for (const auto& fault : m_options.simFaults)
            m_gauge->setFault(fault.first, fault.second);
        m_client = std::make_unique<SimBleClient>(m_gauge);
    } else {
        m_client = std::make_unique<QtBleClient>();
    }
    m_channel.setClient(m_client.get());
    m_link = std::make_unique<BleLink>(m_client.get(), userDialogs());
    m_link->reportVisitsTo(m_channel);
    m_link->setConnectPauseMs(0);
    m_link->Form_Load();
    m_link->applyLanguage();
    return true;
}

QStringList CliSession::scan(int scanMs)
{
    if (!open())
        return {};
    bool failed = false;
    connect(m_client.get(), &BLEClient::Error, this, [&failed] { failed = true; });
    if (!startScan(*m_link))
        failed = true;
    else
        waitOnLink(
            m_link.get(), [&] { return failed; }, scanMs, &m_cancel);
    disconnect(m_client.get(), &BLEClient::Error, this, nullptr);
    m_scanFailed = failed;
    if (m_link->scanCaption() != QLatin1String("Scan"))
        m_link->cmdScan_Click(); // stop
    return m_link->deviceEntries();
}

int CliSession::connectGauge()
{
    if (!open())
        return ExitFailed;
    auto chosenRow = [this] {
        const QStringList& entries = m_link->deviceEntries();
        for (int i = 0; i < entries.size(); ++i) {
            if (m_options.device.isEmpty() ||
                BleLink::serverIdOfEntry(entries.at(i))
                        .compare(m_options.device, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    };
    // An error event of the back end (no adapter, radio off, a failed connect) ends each wait.
    bool failed = false;
    connect(m_client.get(), &BLEClient::Error, this, [&failed] { failed = true; });
    if (!startScan(*m_link))
        failed = true;
    const bool found = !failed && waitOnLink(
                                      m_link.get(), [&] { return failed || chosenRow() >= 0; },
                                      kScanLimitMs, &m_cancel);
    if (failed || !found) {
        disconnect(m_client.get(), &BLEClient::Error, this, nullptr);
        if (failed || m_cancel.isCancelled())
            return ExitFailed; // the back end has said why, or the run was interrupted
        userDialogs().message(m_options.device.isEmpty()
                                  ? QStringLiteral("no gauge found")
                                  : QStringLiteral("gauge %1 not found").arg(m_options.device));
        return ExitNoReply;
    }
    m_link->cmdScan_Click(); // stop scanning
    bool ready = false, down = false;
    connect(m_link.get(), &BleLink::linkReady, this, [&ready] { ready = true; });
    connect(m_link.get(), &BleLink::linkDown, this, [&down] { down = true; });
    m_link->cmdConnect_click(chosenRow());
    waitOnLink(
        m_link.get(), [&] { return ready || down || failed; }, kLinkLimitMs, &m_cancel);
    disconnect(m_link.get(), nullptr, this, nullptr);
    disconnect(m_client.get(), &BLEClient::Error, this, nullptr);
    if (ready && !failed)
        return ExitDone;
    if (m_cancel.isCancelled()) {
        m_client->DisconnectDevice(); // the half-made link
        return ExitFailed;
    }
    userDialogs().message(QStringLiteral("connection failed: ") + m_link->statusText());
    return ExitNoReply;
}

void CliSession::disconnectGauge()
{
    if (!m_link || !sharedState().DeviceConnected)
        return;
    m_client->DisconnectDevice();
    waitOnLink(
        m_link.get(), [] { return !sharedState().DeviceConnected; }, 3000);
}

int CliSession::exitFor(WaitResult r)
{
    switch (r) {
    case WaitResult::Done:
        return ExitDone;
    case WaitResult::Cancelled:
    case WaitResult::Garbled:
        return ExitFailed;
    case WaitResult::TimedOut:
    case WaitResult::LinkLost:
        return ExitNoReply;
    }
    return ExitFailed;
}
