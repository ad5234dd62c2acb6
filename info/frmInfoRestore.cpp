// The safety net of the information window's calibration writes: every write of "probe" or
// "factory" goes through SafeWriter (backup, guard, write, verify); the backup's path is shown
// below the status box; the hidden restore button writes a backup back.
#include "info/BackupStore.h"
#include "info/BusyIndicator.h"
#include "info/InfoTexts.h"
#include "info/SafeWriter.h"
#include "info/frmInfo.h"
#include "link/CommandChannel.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>

namespace
{
constexpr int EntryReady = 57;
// Entries of the restore menu; older backups stay in the folder.
constexpr int MaxMenuEntries = 20;

void showSafeWriteFailure(const SafeWriteResult& r)
{
    if (r.status == SafeWriteStatus::WriteFailed) {
        // The plain write's error report, with the backup to restore from in its description.
        switch (r.transfer.status) {
        case TransferStatus::Cancelled:
        case TransferStatus::InvalidData:
        case TransferStatus::Declined:
            return;
        default:
            userDialogs().message(
                CommandChannel::errorReport(int(r.transfer.status), QStringLiteral("Schreibe_Com"),
                                            InfoTexts::writeFailed(r.transfer) + QLatin1Char(' ') +
                                                InfoTexts::restoreHint(r.backupPath)));
        }
        return;
    }
    // A write that went out but could not be verified is reported even after a cancel.
    if (r.cancelled() && r.status != SafeWriteStatus::VerifyReadFailed)
        return;
    if (const QString text = InfoTexts::safeWriteFailed(r); !text.isEmpty())
        userDialogs().message(text);
}
} // namespace

void frmInfo::createRestoreControls()
{
    cmdRestore = new QPushButton(InfoTexts::restoreCaption(), this);
    cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    auto* menu = new QMenu(cmdRestore);
    menu->setObjectName(QStringLiteral("mnuRestore"));
    cmdRestore->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, &frmInfo::fillRestoreMenu);
    lblBackup = new QLabel(this);
    lblBackup->setObjectName(QStringLiteral("lblBackup"));
    lblBackup->setWordWrap(true);
    lblBackup->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void frmInfo::fillRestoreMenu()
{
    const SharedState& s = sharedState();
    QMenu* menu = cmdRestore->menu();
    menu->clear();
    int entries = 0;
    for (const QString& path : BackupStore().list()) {
        const BackupName name = BackupStore::parseName(QFileInfo(path).fileName());
        if (name.deviceFile != s.ProbeFileName && name.deviceFile != s.FactoryFileName)
            continue;
        const QString text = name.deviceFile + QStringLiteral("   ") +
                             QLocale().toString(name.time, QLocale::ShortFormat) +
                             QStringLiteral("   ") + name.serialNumber;
        QAction* action = menu->addAction(text);
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path] { restoreBackup(path); });
        if (++entries == MaxMenuEntries)
            break;
    }
    if (entries == 0)
        menu->addAction(InfoTexts::noBackups())->setEnabled(false);
}

SafeWriteResult frmInfo::safeWrite(const QString& deviceFile, const QString& hex,
                                   const QString& restoreFrom)
{
    lblBackup->clear();
    TraceBox->setToolTip(QString());
    const QSharedPointer<CancelToken> cancel = m_cancel;
    SafeWriter writer(*m_channel, cancel.data());
    connect(&writer, &SafeWriter::backupSkipped, this, [this](const QString& deviceFile) {
        lblBackup->setText(InfoTexts::noBackupNote(deviceFile));
    });
    connect(&writer, &SafeWriter::backupSaved, this, [this](const QString& path) {
        lblBackup->setText(InfoTexts::backupSavedNote(path));
        TraceBox->setToolTip(path);
    });
    const SafeWriteResult r = restoreFrom.isEmpty() ? writer.write(deviceFile, hex)
                                                    : writer.restore(restoreFrom, deviceFile);
    showSafeWriteFailure(r);
    return r;
}

void frmInfo::restoreBackup(const QString& backupPath)
{
    const SharedState& s = sharedState();
    const BackupName name = BackupStore::parseName(QFileInfo(backupPath).fileName());
    if (m_busy || (name.deviceFile != s.ProbeFileName && name.deviceFile != s.FactoryFileName))
        return;
    if (!s.DeviceConnected || !m_channel) {
        userDialogs().message(InfoTexts::notConnected());
        return;
    }
    const QPointer<frmInfo> self(this);
    if (!userDialogs().askYesNo(InfoTexts::restoreQuestion(backupPath, name.deviceFile), false) ||
        !self || !beginTransfer())
        return;
    const SafeWriteResult r = safeWrite(name.deviceFile, QString(), backupPath);
    if (self)
        endTransfer(r.transferStatus(), InfoTexts::verifiedReady(menuText(EntryReady)));
}
