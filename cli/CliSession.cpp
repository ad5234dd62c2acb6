#include "cli/CliSession.h"

#include "cli/CliOutput.h"
#include "info/InfoTexts.h"
#include "link/bluetooth/QtBleClient.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/RadioText.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QFileInfo>
#include <cstdio>

namespace
{
constexpr int kScanLimitMs = 10000;
constexpr int kDisconnectLimitMs = 3000;

// How zvctl writes a backup back into the gauge.
QString restoreCommand(const DeviceOutcome& o)
{
    return pick("Zurückschreiben: zvctl --yes restore \"%1\" --to %2",
                "To restore it: zvctl --yes restore \"%1\" --to %2")
        .arg(QFileInfo(o.backupPath).absoluteFilePath(), o.file);
}
} // namespace

CliSession::CliSession(const CliOptions& options, QObject* parent)
    : QObject(parent), m_options(options)
{
    setInterfaceLanguage(options.language);
    fillTextTables();
    FillLanguageTables();
    setReplyTimeoutMs(options.timeoutMs);
    m_runner.setIncompleteReport([](const DeviceOutcome& o) {
        CliOutput::message(InfoTexts::incompleteWrite(o, restoreCommand(o)));
    });
}

CliSession::~CliSession()
{
    m_gauge.reset();
    m_link.reset();
    m_client.reset();
}

void CliSession::setJournal(ServiceJournal* journal)
{
    m_journal = journal;
    if (m_link)
        m_link->setJournal(journal);
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
        m_simulated = new SimGauge(this);
        if (!m_options.simDir.isEmpty()) {
            QStringList skipped;
            m_simulated->loadFolder(m_options.simDir, &skipped);
            for (const QString& name : skipped)
                std::fprintf(stderr, "sim: %s is not a device file in hex text, skipped\n",
                             name.toLocal8Bit().constData());
        }
        for (const auto& fault : m_options.simFaults)
            m_simulated->setFault(fault.first, fault.second);
        m_client = std::make_unique<SimBleClient>(m_simulated);
    } else {
        m_client = std::make_unique<QtBleClient>();
    }
    m_link = std::make_unique<BleLink>(m_client.get(), userDialogs(), m_replies);
    m_link->setJournal(m_journal);
    m_link->setConnectPauseMs(0);
    m_link->Form_Load();
    connect(m_link.get(), &BleLink::sessionChanged, this, &CliSession::followSession);
    return true;
}

// Commands and replies on standard error with --trace.
void CliSession::followSession()
{
    m_gauge = m_link->session();
    if (!m_gauge || !m_options.trace)
        return;
    connect(&m_gauge->channel(), &CommandChannel::commandSent, this,
            [this](const QString& c) { traceTo(">", c); });
    connect(&m_gauge->channel(), &CommandChannel::valueReceived, this,
            [this](const QByteArray& v) { traceTo("<", QString::fromLatin1(v)); });
}

void CliSession::cancel()
{
    m_cancel.cancel();
    m_runner.cancel();
}

ScanResult CliSession::scan(int scanMs)
{
    if (!open())
        return {{}, true};
    return QCoro::waitFor(m_link->scan(scanMs, &m_cancel));
}

int CliSession::connectGauge()
{
    if (!open())
        return ExitFailed;
    const auto chosen = [this]() -> QString {
        for (const QString& entry : m_link->deviceEntries()) {
            const QString id = BleLink::serverIdOfEntry(entry);
            if (m_options.device.isEmpty() ||
                id.compare(m_options.device, Qt::CaseInsensitive) == 0)
                return id;
        }
        return {};
    };
    const ScanResult found =
        QCoro::waitFor(m_link->scan(kScanLimitMs, &m_cancel, [&] { return !chosen().isEmpty(); }));
    const QString address = chosen();
    if (found.failed || m_cancel.isCancelled())
        return ExitFailed; // the back end has said why, or the run was interrupted
    if (address.isEmpty()) {
        CliOutput::message(m_options.device.isEmpty()
                               ? QStringLiteral("no gauge found")
                               : QStringLiteral("gauge %1 not found").arg(m_options.device));
        return ExitNoReply;
    }
    const auto connected = QCoro::waitFor(m_link->connectTo(address, &m_cancel));
    if (connected.ok())
        return ExitDone;
    if (connected.outcome.failure == DeviceFailure::Cancelled)
        return ExitFailed;
    CliOutput::message(QStringLiteral("connection failed: ") + m_link->statusText());
    return ExitNoReply;
}

void CliSession::disconnectGauge()
{
    if (m_link)
        QCoro::waitFor(m_link->disconnectGauge(kDisconnectLimitMs));
}
