// The information window's restore button: its menu lists the backups taken before earlier
// writes; an entry writes its backup back (InfoSequences::restoreBackup).
#include "info/BackupStore.h"
#include "info/InfoTexts.h"
#include "info/frmInfo.h"
#include "link/BleLink.h"
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
    for (const QString& path : BackupStore::besideProgram(s.ProgramFolder).list()) {
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

void frmInfo::restoreBackup(const QString& backupPath)
{
    const SharedState& s = sharedState();
    const BackupName name = BackupStore::parseName(QFileInfo(backupPath).fileName());
    if (isBusy() || (name.deviceFile != s.ProbeFileName && name.deviceFile != s.FactoryFileName))
        return;
    if (!m_link || !m_link->session()) {
        userDialogs().message(InfoTexts::notConnected());
        return;
    }
    const QString ready = InfoTexts::verifiedReady(menuText(EntryReady));
    if (auto tools = beginTransfer())
        follow(
            [tools = *tools, backupPath, file = name.deviceFile](SequenceContext run) {
                return InfoSequences::restoreBackup(run, tools, backupPath, file);
            },
            ready, ready);
}
