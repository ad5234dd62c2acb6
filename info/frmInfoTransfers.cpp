// The transfer buttons of the information window: each starts its sequence (InfoSequences) and
// shows the outcome; the window's busy state lasts from the start to the outcome.
#include "info/BusyIndicator.h"
#include "info/InfoTexts.h"
#include "info/frmInfo.h"
#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
constexpr int EntryReady = 57;
const QString UploadReadyText = QStringLiteral("Ready");
} // namespace

void frmInfo::enableTransferButtons(bool enabled)
{
    for (QPushButton* b : {cmdDaten, cmdSpeichern, cmdEinspielen, cmdFactory, cmdRestore,
                           static_cast<QPushButton*>(cmdReport)})
        b->setEnabled(enabled);
}

std::optional<InfoSequenceContext> frmInfo::beginTransfer()
{
    if (m_busy || deviceBusy().isBusy())
        return std::nullopt;
    m_cancel = std::make_shared<CancelToken>();
    auto events = std::make_shared<InfoEvents>();
    connect(events.get(), &InfoEvents::recordDecoded, this, &frmInfo::FillMSFlex);
    connect(events.get(), &InfoEvents::identityRequested, this, [this] { txtRevision->clear(); });
    connect(events.get(), &InfoEvents::writeStarted, this, [this] {
        cmdReport->show();
        lblBackup->clear();
        TraceBox->setToolTip(QString());
    });
    connect(events.get(), &InfoEvents::backupSkipped, this, [this](const QString& deviceFile) {
        lblBackup->setText(InfoTexts::noBackupNote(deviceFile));
    });
    connect(events.get(), &InfoEvents::backupSaved, this, [this](const QString& path) {
        lblBackup->setText(InfoTexts::backupSavedNote(path));
        TraceBox->setToolTip(path);
    });
    m_busy = true;
    emit busyChanged(true);
    m_indicator->start();
    return InfoSequenceContext{m_channel.data(), &userDialogs(), m_cancel, std::move(events)};
}

void frmInfo::follow(QCoro::Task<InfoOutcome> sequence, QString readyText, QString verifiedText,
                     bool showFactory)
{
    QCoro::connect(std::move(sequence), this,
                   [this, readyText, verifiedText, showFactory](const InfoOutcome& outcome) {
                       endTransfer(outcome, readyText, verifiedText);
                       if (showFactory && outcome.status == TransferStatus::Ok)
                           cmdFactory->show();
                   });
}

void frmInfo::endTransfer(const InfoOutcome& outcome, const QString& readyText,
                          const QString& verifiedText)
{
    qCDebug(zvInfo) << "information window sequence ended, status" << int(outcome.status);
    m_busy = false;
    emit busyChanged(false);
    if (outcome.status == TransferStatus::Ok)
        m_indicator->stop(outcome.verified ? verifiedText : readyText);
    else if (outcome.status == TransferStatus::Declined)
        m_indicator->stopWith(QString());
    else
        m_indicator->stopWith(InfoTexts::failedIndicator());
}

void frmInfo::cmdDaten_Click()
{
    if (m_busy)
        return;
    if (!sharedState().DeviceConnected || !m_channel) {
        userDialogs().message(InfoTexts::notConnected());
        return;
    }
    if (auto context = beginTransfer())
        follow(InfoSequences::readRecords(*context), menuText(EntryReady), menuText(EntryReady));
}

void frmInfo::cmdSpeichern_Click()
{
    if (auto context = beginTransfer())
        follow(InfoSequences::download(*context, cmdSpeichern->text()), menuText(EntryReady),
               menuText(EntryReady));
}

void frmInfo::cmdEinspielen_Click()
{
    if (auto context = beginTransfer())
        follow(InfoSequences::uploadProbe(*context, cmdEinspielen->text()), UploadReadyText,
               InfoTexts::verifiedReady(UploadReadyText), true);
}

void frmInfo::cmdFactory_Click()
{
    if (auto context = beginTransfer())
        follow(InfoSequences::overwriteFactory(*context), menuText(EntryReady),
               InfoTexts::verifiedReady(menuText(EntryReady)));
}
