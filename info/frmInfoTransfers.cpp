// The transfer buttons of the information window: read, download, probe upload, factory
// overwrite, and the busy state they share.
#include "info/BusyIndicator.h"
#include "info/DeviceFiles.h"
#include "info/FileWriter.h"
#include "info/InfoTexts.h"
#include "info/RecordReader.h"
#include "info/SafeWriter.h"
#include "info/frmInfo.h"
#include "link/CommandChannel.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QLineEdit>
#include <QPushButton>

namespace
{
constexpr int EntryReady = 57;
constexpr int EntryReadFirst = 22;
const QString UploadReadyText = QStringLiteral("Ready");

bool endsTheSession(TransferStatus status)
{
    return status == TransferStatus::LinkLost || status == TransferStatus::Cancelled ||
           status == TransferStatus::NotConnected;
}
} // namespace

void frmInfo::setBusy(bool busy)
{
    m_busy = busy;
    // The shared mark disables the buttons of every window, this one's included.
    if (busy)
        m_channelBusy = std::make_unique<DeviceBusy::Guard>();
    else
        m_channelBusy.reset();
    emit busyChanged(busy);
}

void frmInfo::enableTransferButtons(bool enabled)
{
    for (QPushButton* b : {cmdDaten, cmdSpeichern, cmdEinspielen, cmdFactory, cmdRestore})
        b->setEnabled(enabled);
}

bool frmInfo::beginTransfer()
{
    if (m_busy || deviceBusy().isBusy())
        return false;
    m_cancel.reset(new CancelToken);
    setBusy(true);
    m_indicator->start();
    return true;
}

// Ok: the ready text after the pause. Declined (a dialog cancelled, a question answered No):
// nothing was done, the box is emptied. Anything else: the failure text, never the ready text.
void frmInfo::endTransfer(TransferStatus status, const QString& readyText)
{
    setBusy(false);
    if (status == TransferStatus::Ok)
        m_indicator->stop(readyText);
    else if (status == TransferStatus::Declined)
        m_indicator->stopWith(QString());
    else
        m_indicator->stopWith(InfoTexts::failedIndicator());
}

namespace
{
// Messages of failed transfers; they touch no control, so they are safe after the window went.
void showReadFailure(const TransferResult& result)
{
    if (result.status != TransferStatus::Cancelled)
        userDialogs().message(InfoTexts::readFailed(result));
}
} // namespace

// The window may be gone when the read returns (closed during the wait): nothing here touches it
// after the read.
TransferResult frmInfo::readDevice(const QString& name)
{
    const QSharedPointer<CancelToken> cancel = m_cancel;
    RecordReader reader(*m_channel, cancel.data());
    connect(&reader, &RecordReader::recordDecoded, this, &frmInfo::FillMSFlex);
    connect(&reader, &RecordReader::identityRequested, this, [this] { txtRevision->clear(); });
    const TransferResult r = reader.Lese_Com(name);
    if (!r.ok())
        showReadFailure(r);
    return r;
}

void frmInfo::cmdDaten_Click()
{
    SharedState& s = sharedState();
    if (m_busy)
        return;
    if (!s.DeviceConnected || !m_channel) {
        userDialogs().message(InfoTexts::notConnected());
        return;
    }
    const QPointer<frmInfo> self(this);
    beginTransfer();
    const TransferResult probe = readDevice(s.ProbeFileName);
    bool ok = probe.ok();
    if (self && !endsTheSession(probe.status))
        ok = readDevice(s.FactoryFileName).ok() && ok;
    AppendServiceLog(QStringLiteral("Geraet FactorydatenLänge") +
                     QString::number(s.FactoryData.size()));
    AppendServiceLog(QStringLiteral("Geraet Factorydaten") + s.FactoryData);
    AppendServiceLog(QStringLiteral("Geraet ProbedatenLänge") +
                     QString::number(s.ProbeData.size()));
    AppendServiceLog(QStringLiteral("Geraet Probedaten") + s.ProbeData);
    if (self)
        endTransfer(ok ? TransferStatus::Ok : TransferStatus::GaugeError, menuText(EntryReady));
}

void frmInfo::cmdSpeichern_Click()
{
    const SharedState& s = sharedState();
    if (!beginTransfer())
        return;
    const QPointer<frmInfo> self(this);
    const QString folder = userDialogs().chooseFolder(cmdSpeichern->text(), s.ProgramFolder);
    if (!self)
        return;
    if (folder.isEmpty()) {
        endTransfer(TransferStatus::Declined, QString());
        return;
    }
    PcFileResult saved;
    if (s.FileHex.isEmpty() || s.ProbeData.isEmpty())
        userDialogs().message(messageText(EntryReadFirst));
    else
        saved = DeviceFiles::saveHexFile(folder, s.ProbeFileName, s.ProbeData);
    if (saved.ok && !s.FactoryData.isEmpty())
        saved = DeviceFiles::saveHexFile(folder, s.FactoryFileName, s.FactoryData);
    if (!saved.ok) {
        userDialogs().message(CommandChannel::errorReport(
            saved.errorNumber, QStringLiteral("cmdSpeichern_Click"), saved.description));
    }
    if (self)
        endTransfer(saved.ok ? TransferStatus::Ok : TransferStatus::FileError,
                    menuText(EntryReady));
}

void frmInfo::cmdEinspielen_Click()
{
    SharedState& s = sharedState();
    if (!beginTransfer())
        return;
    const QPointer<frmInfo> self(this);
    s.CurrentFileName = s.ProbeFileName;
    const QString folder = userDialogs().chooseFolder(cmdEinspielen->text(),
                                                      s.ProgramFolder + QStringLiteral("/Probe"));
    if (!self)
        return;
    if (folder.isEmpty()) {
        endTransfer(TransferStatus::Declined, QString());
        return;
    }
    bool written = false;
    const TransferStatus status = uploadProbeFrom(folder, written);
    if (!self)
        return;
    endTransfer(status, written ? InfoTexts::verifiedReady(UploadReadyText) : UploadReadyText);
    if (status == TransferStatus::Ok)
        cmdFactory->show();
}

// written: the data went into the gauge and were read back identical.
TransferStatus frmInfo::uploadProbeFrom(const QString& folder, bool& written)
{
    SharedState& s = sharedState();
    const PcFileResult loaded = DeviceFiles::loadHexFile(folder, s.ProbeFileName);
    if (!loaded.ok) {
        userDialogs().message(CommandChannel::errorReport(
            loaded.errorNumber, QStringLiteral("cmdEinspielen_Click"), loaded.description));
        return TransferStatus::FileError;
    }
    AppendServiceLog(QStringLiteral("Datei ProbedatenLänge") + QString::number(loaded.hex.size()));
    AppendServiceLog(QStringLiteral("Datei Probedaten") + loaded.hex);
    if (loaded.hex.isEmpty()) {
        s.ProbeData.clear();
        return TransferStatus::Ok;
    }
    if (!s.DeviceConnected || !m_channel) {
        userDialogs().message(InfoTexts::notConnected());
        return TransferStatus::NotConnected;
    }
    const QPointer<frmInfo> self(this);
    if (const TransferResult confirmed = FileWriter::confirmData(loaded.hex); !confirmed.ok())
        return confirmed.status;
    if (!self) // closed while the question was open
        return TransferStatus::Cancelled;
    const SafeWriteResult r = safeWrite(s.ProbeFileName, loaded.hex);
    // The program's probe data follow the file only where it went (or may have gone) out.
    if (r.gaugeTouched())
        s.ProbeData = loaded.hex;
    written = r.ok();
    return r.transferStatus();
}

void frmInfo::cmdFactory_Click()
{
    SharedState& s = sharedState();
    if (!beginTransfer())
        return;
    const QPointer<frmInfo> self(this);
    TransferStatus status = TransferStatus::Ok;
    bool written = false;
    if (!s.ProbeData.isEmpty()) {
        if (!s.DeviceConnected || !m_channel) {
            userDialogs().message(InfoTexts::notConnected());
            status = TransferStatus::NotConnected;
        } else if (const TransferResult confirmed = FileWriter::confirmData(s.ProbeData);
                   !confirmed.ok()) {
            status = confirmed.status;
        } else if (!self) { // closed while the question was open
            return;
        } else {
            const SafeWriteResult safe = safeWrite(s.FactoryFileName, s.ProbeData);
            status = safe.transferStatus();
            written = safe.ok();
        }
    }
    if (self)
        endTransfer(status, written ? InfoTexts::verifiedReady(menuText(EntryReady))
                                    : menuText(EntryReady));
}
