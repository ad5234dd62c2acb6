#include "service/ServiceFunctions.h"

#include "app/frmService.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "link/EventLoopTurn.h"
#include "service/LanguageFiles.h"
#include "service/LanguageTransfer.h"
#include "service/MemoryReset.h"
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

ServiceFunctions& ServiceFunctions::of(frmService& window)
{
    if (auto* existing = window.findChild<ServiceFunctions*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new ServiceFunctions(window);
}

ServiceFunctions::ServiceFunctions(frmService& window) : QObject(&window), m_window(window)
{
    connect(&deviceBusy(), &DeviceBusy::busyChanged, this,
            [this](bool busy) { setDeviceButtonsEnabled(!busy); });
    connect(&window, &frmService::quitStarted, this, [this] {
        if (m_cancel)
            m_cancel->cancel();
    });
}

CommandChannel* ServiceFunctions::channel() const
{
    return m_window.ble()->channel();
}

void ServiceFunctions::setDeviceButtonsEnabled(bool enabled)
{
    for (QWidget* w :
         {static_cast<QWidget*>(m_window.cmdConnect), static_cast<QWidget*>(m_window.cmdTime),
          static_cast<QWidget*>(m_window.cmdInfo), static_cast<QWidget*>(m_window.cmdSuche),
          static_cast<QWidget*>(m_window.lstDatei), static_cast<QWidget*>(m_window.cmdTransfer),
          static_cast<QWidget*>(m_window.cmdReset)})
        w->setEnabled(enabled);
}

void ServiceFunctions::cmdSuche_click()
{
    m_window.lstDatei->clear();
    const LanguageSearchResult found = LanguageFiles::search(sharedState().ProgramFolder);
    LanguageFolder = found.folder;
    // The chosen file stays chosen: a search after a language switch or a reconnect lists the
    // files again, and the transfer still sends the one the technician picked.
    for (const LanguageFileEntry& entry : found.entries)
        m_window.lstDatei->addItem(entry.languageName);
    selectChosenFile();
    m_window.txtLog->setText(messageText(kEntryChooseFile));
}

// Marks the entry of the chosen file in the rebuilt list (in the current language).
void ServiceFunctions::selectChosenFile()
{
    QString name = LanguageFileName;
    const QString language = LanguageFiles::DateinameUmsetzen(name);
    const QList<QListWidgetItem*> items = m_window.lstDatei->findItems(language, Qt::MatchExactly);
    if (!language.isEmpty() && !items.isEmpty())
        m_window.lstDatei->setCurrentItem(items.first());
}

void ServiceFunctions::lstDatei_Click()
{
    const QListWidgetItem* item = m_window.lstDatei->currentItem();
    LanguageFileName = item ? item->text() : QString();
    if (LanguageFileName.isEmpty())
        return;
    LanguageFileName = QStringLiteral("l") + LanguageFiles::SpracheUmsetzen(LanguageFileName);
    m_window.cmdTransfer->show();
    m_window.cmdReset->show();
}

void ServiceFunctions::showProgress(int value, int maximum)
{
    m_window.pb1->setMaximum(maximum);
    m_window.pb1->setValue(value);
    m_window.pb1->show();
}

void ServiceFunctions::cmdTransfer_Click()
{
    CommandChannel* link = channel();
    if (!link || deviceBusy().isBusy())
        return;
    const WindowState before{m_window.pb1->isVisible(), m_window.cmdReset->isVisible(),
                             m_window.cmdInfo->isVisible(), m_window.txtSpeicher->text()};
    m_window.txtLog->show();
    m_window.txtLog->setText(messageText(kEntryTransferRunning));
    m_window.cmdReset->hide();
    m_window.cmdInfo->hide();

    auto transfer = std::make_shared<LanguageTransfer>(*link);
    connect(transfer.get(), &LanguageTransfer::progress, this, &ServiceFunctions::showProgress);
    connect(transfer.get(), &LanguageTransfer::sending, this,
            [this] { m_window.txtSpeicher->setText(QStringLiteral("Transfer")); });
    m_cancel = std::make_shared<CancelToken>();
    QCoro::connect(holding(transfer->run(LanguageFolder, LanguageFileName, m_cancel.get()),
                           transfer, m_cancel),
                   this,
                   [this, before](const LanguageTransferResult& r) { transferEnded(r, before); });
}

void ServiceFunctions::transferEnded(const LanguageTransferResult& r, const WindowState& before)
{
    if (m_window.ended())
        return;
    if (r.ok()) {
        m_window.pb1->hide();
        m_window.txtLog->show();
        m_window.txtLog->setText(ServiceTexts::transferSucceeded(r.fileName));
        m_window.cmdReset->show();
        m_window.cmdInfo->show();
        m_window.txtSpeicher->setText(QStringLiteral("0.0"));
        return;
    }
    // Back to the state before the transfer; a link that went down meanwhile keeps its state.
    m_window.pb1->setVisible(before.progressVisible);
    m_window.txtSpeicher->setText(before.memoryText);
    if (sharedState().DeviceConnected) {
        m_window.cmdReset->setVisible(before.resetVisible);
        m_window.cmdInfo->setVisible(before.infoVisible);
    }
    const QString message = ServiceTexts::transferFailed(r);
    qCWarning(zvService) << "language transfer failed:" << message;
    m_window.txtLog->setText(message);
    if (!r.cancelled())
        userDialogs().message(message);
}

void ServiceFunctions::cmdReset_Click()
{
    CommandChannel* link = channel();
    if (!link || deviceBusy().isBusy())
        return;
    auto reset = std::make_shared<MemoryReset>(*link);
    m_cancel = std::make_shared<CancelToken>();
    QCoro::connect(holding(reset->run(userDialogs(), m_cancel.get()), reset, m_cancel), this,
                   [this](const TransferResult& r) { resetEnded(r); });
}

void ServiceFunctions::resetEnded(const TransferResult& r)
{
    if (r.status == TransferStatus::Declined || m_window.ended())
        return;
    const QString text = ServiceTexts::resetOutcome(r);
    m_window.txtLog->setText(text);
    if (!r.ok()) {
        userDialogs().message(text);
        return;
    }
    m_window.ble()->link()->BLEDisconnect();
    m_window.close();
}
