// The main window's language-file area: the search, the choice and the transfer with its progress
// bar. The transfer itself is LanguageTransfer; this file puts its course into the controls.
#include "app/frmService.h"
#include "link/BLE.h"
#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "link/EventLoopTurn.h"
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
    CommandChannel* link = ble()->channel();
    if (!link || deviceBusy().isBusy())
        return;
    const WindowState before{pb1->isVisible(), cmdReset->isVisible(), cmdInfo->isVisible(),
                             txtSpeicher->text()};
    txtLog->show();
    txtLog->setText(messageText(kEntryTransferRunning));
    cmdReset->hide();
    cmdInfo->hide();

    auto transfer = std::make_shared<LanguageTransfer>(*link);
    connect(transfer.get(), &LanguageTransfer::progress, this, &frmService::showProgress);
    connect(transfer.get(), &LanguageTransfer::sending, this,
            [this] { txtSpeicher->setText(QStringLiteral("Transfer")); });
    m_serviceCancel = std::make_shared<CancelToken>();
    QCoro::connect(holding(transfer->run(LanguageFolder, LanguageFileName, m_serviceCancel.get()),
                           transfer, m_serviceCancel),
                   this,
                   [this, before](const LanguageTransferResult& r) { transferEnded(r, before); });
}

void frmService::transferEnded(const LanguageTransferResult& r, const WindowState& before)
{
    if (m_ended)
        return;
    if (r.ok()) {
        pb1->hide();
        txtLog->show();
        txtLog->setText(ServiceTexts::transferSucceeded(r.fileName));
        cmdReset->show();
        cmdInfo->show();
        txtSpeicher->setText(QStringLiteral("0.0"));
        return;
    }
    // Back to the state before the transfer; a link that went down meanwhile keeps its state.
    pb1->setVisible(before.progressVisible);
    txtSpeicher->setText(before.memoryText);
    if (sharedState().DeviceConnected) {
        cmdReset->setVisible(before.resetVisible);
        cmdInfo->setVisible(before.infoVisible);
    }
    const QString message = ServiceTexts::transferFailed(r);
    qCWarning(zvService) << "language transfer failed:" << message;
    txtLog->setText(message);
    if (!r.cancelled())
        userDialogs().message(message);
}
