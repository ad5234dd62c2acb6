// The main window's language-file area: the search, the choice and the transfer with its progress
// bar. The transfer itself is LanguageTransfer; this file puts its course into the controls.
#include "app/frmService.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "link/SequenceRunner.h"
#include "service/LanguageFiles.h"
#include "service/LanguageTransfer.h"
#include "service/ServiceTexts.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

namespace
{
constexpr int kEntryChooseFile = 27;
constexpr int kEntryTransferRunning = 33;
} // namespace

void frmService::cmdSuche_click()
{
    lstDatei->clear();
    const LanguageSearchResult found = LanguageFiles::search(sharedState().ProgramFolder);
    LanguageFolder = found.folder;
    // The chosen file stays chosen: a search after a language switch or a reconnect lists the
    // files again, and the transfer still sends the one the technician picked.
    for (const LanguageFileEntry& entry : found.entries)
        lstDatei->addItem(entry.languageName);
    selectChosenFile();
    txtLog->setText(messageText(kEntryChooseFile));
}

// Marks the entry of the chosen file in the rebuilt list (in the current language).
void frmService::selectChosenFile()
{
    QString name = LanguageFileName;
    const QString language = LanguageFiles::DateinameUmsetzen(name);
    const QList<QListWidgetItem*> items = lstDatei->findItems(language, Qt::MatchExactly);
    if (!language.isEmpty() && !items.isEmpty())
        lstDatei->setCurrentItem(items.first());
}

void frmService::lstDatei_Click()
{
    const QListWidgetItem* item = lstDatei->currentItem();
    LanguageFileName = item ? item->text() : QString();
    if (LanguageFileName.isEmpty())
        return;
    LanguageFileName = QStringLiteral("l") + LanguageFiles::SpracheUmsetzen(LanguageFileName);
    cmdTransfer->show();
    cmdReset->show();
}

void frmService::showProgress(int value, int maximum)
{
    pb1->setMaximum(maximum);
    pb1->setValue(value);
    pb1->show();
}

void frmService::cmdTransfer_Click()
{
    BleLink* link = ble()->link();
    if (!link->session() || link->busy() || m_runner->isRunning())
        return;
    const WindowState before{pb1->isVisible(), cmdReset->isVisible(), cmdInfo->isVisible(),
                             txtSpeicher->text()};
    txtLog->show();
    txtLog->setText(messageText(kEntryTransferRunning));
    cmdReset->hide();
    cmdInfo->hide();

    // The transfer lives as long as the sequence (the runner holds the sequence); it reports its
    // progress to this window only while the window exists.
    const QPointer<frmService> self(this);
    const QString folder = LanguageFolder, name = LanguageFileName;
    const QString programFolder = sharedState().ProgramFolder;
    Sequence<DeviceOutcome> transfer =
        [self, folder, name, programFolder](SequenceContext run) -> QCoro::Task<DeviceOutcome> {
        LanguageTransfer sending(*run.session, programFolder);
        if (self) {
            connect(&sending, &LanguageTransfer::progress, self, &frmService::showProgress);
            connect(&sending, &LanguageTransfer::sending, self,
                    [self] { self->txtSpeicher->setText(QStringLiteral("Transfer")); });
        }
        DeviceOutcome outcome = co_await sending.run(folder, name, &run.cancel);
        co_return outcome;
    };
    QCoro::connect(m_runner->run(link->session(), std::move(transfer)), this,
                   [this, before](const DeviceOutcome& r) { transferEnded(r, before); });
}

void frmService::transferEnded(const DeviceOutcome& r, const WindowState& before)
{
    if (m_ended)
        return;
    if (r.ok()) {
        pb1->hide();
        txtLog->show();
        txtLog->setText(ServiceTexts::transferSucceeded(r.file));
        cmdReset->show();
        cmdInfo->show();
        txtSpeicher->setText(QStringLiteral("0.0"));
        return;
    }
    // Back to the state before the transfer; a link that went down meanwhile keeps its state.
    pb1->setVisible(before.progressVisible);
    txtSpeicher->setText(before.memoryText);
    if (ble()->link()->connected()) {
        cmdReset->setVisible(before.resetVisible);
        cmdInfo->setVisible(before.infoVisible);
    }
    const QString message = ServiceTexts::transferFailed(r);
    qCWarning(zvService) << "language transfer failed:" << message;
    txtLog->setText(message);
    if (r.failure != DeviceFailure::Cancelled)
        userDialogs().message(message);
}
