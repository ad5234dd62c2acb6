// The transfer buttons of the information window: each runs its sequence (InfoSequences) on the
// connected gauge's session and shows the outcome; the window's busy state lasts from the start
// to the outcome.
#include "info/BusyIndicator.h"
#include "info/InfoTexts.h"
#include "info/frmInfo.h"
#include "link/BleLink.h"
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

std::optional<InfoTools> frmInfo::beginTransfer()
{
    if (isBusy() || (m_link && m_link->busy()))
        return std::nullopt;
    InfoTools tools;
    tools.dialogs = &userDialogs();
    tools.programFolder = sharedState().ProgramFolder;
    tools.backups = BackupStore::besideProgram(tools.programFolder);
    connect(tools.events.get(), &InfoEvents::writeStarted, this, [this] {
        cmdReport->show();
        lblBackup->clear();
        TraceBox->setToolTip(QString());
    });
    connect(tools.events.get(), &InfoEvents::backupSkipped, this,
            [this](const QString& deviceFile) {
                lblBackup->setText(InfoTexts::noBackupNote(deviceFile));
            });
    connect(tools.events.get(), &InfoEvents::backupSaved, this, [this](const QString& path) {
        lblBackup->setText(InfoTexts::backupSavedNote(path));
        TraceBox->setToolTip(path);
    });
    return tools;
}

void frmInfo::follow(Sequence<DeviceOutcome> sequence, QString readyText, QString verifiedText,
                     bool showFactory)
{
    auto run = m_runner->run(m_link ? m_link->session() : nullptr, std::move(sequence));
    enableTransferButtons(false);
    emit busyChanged(true);
    m_indicator->start();
    QCoro::connect(std::move(run), this,
                   [this, readyText, verifiedText, showFactory](const DeviceOutcome& outcome) {
                       endTransfer(outcome, readyText, verifiedText);
                       if (showFactory && outcome.ok())
                           cmdFactory->show();
                   });
}

void frmInfo::endTransfer(const DeviceOutcome& outcome, const QString& readyText,
                          const QString& verifiedText)
{
    qCDebug(zvInfo) << "information window sequence ended:" << describeOutcome(outcome);
    m_reading = false;
    enableTransferButtons(!m_link || !m_link->busy());
    emit busyChanged(false);
    if (outcome.ok())
        m_indicator->stop(outcome.step == DeviceStep::Verify ? verifiedText : readyText);
    else if (outcome.failure == DeviceFailure::Declined)
        m_indicator->stopWith(QString());
    else
        m_indicator->stopWith(InfoTexts::failedIndicator());
}

void frmInfo::cmdDaten_Click()
{
    if (isBusy())
        return;
    if (!m_link || !m_link->session()) {
        userDialogs().message(InfoTexts::notConnected());
        return;
    }
    if (auto tools = beginTransfer()) {
        m_reading = true;
        follow([tools =
                    *tools](SequenceContext run) { return InfoSequences::readRecords(run, tools); },
               menuText(EntryReady), menuText(EntryReady));
    }
}

void frmInfo::cmdSpeichern_Click()
{
    if (auto tools = beginTransfer())
        follow([tools = *tools, caption = cmdSpeichern->text()](
                   SequenceContext run) { return InfoSequences::download(run, tools, caption); },
               menuText(EntryReady), menuText(EntryReady));
}

void frmInfo::cmdEinspielen_Click()
{
    if (auto tools = beginTransfer())
        follow([tools = *tools, caption = cmdEinspielen->text()](
                   SequenceContext run) { return InfoSequences::uploadProbe(run, tools, caption); },
               UploadReadyText, InfoTexts::verifiedReady(UploadReadyText), true);
}

void frmInfo::cmdFactory_Click()
{
    if (auto tools = beginTransfer())
        follow([tools = *tools](
                   SequenceContext run) { return InfoSequences::overwriteFactory(run, tools); },
               menuText(EntryReady), InfoTexts::verifiedReady(menuText(EntryReady)));
}
