#include "app/frmService.h"

#include "app/QuitSequence.h"
#include "app/frmHistory.h"
#include "app/frmTrace.h"
#include "history/HistoryTexts.h"
#include "info/frmInfo.h"
#include "link/BLE.h"
#include "link/BLEClient.h"
#include "link/BleLink.h"
#include "link/ProtocolTrace.h"
#include "link/SequenceRunner.h"
#include "picture/StdPictureEx.h"
#include "service/frmTime.h"
#include "state/LogCategories.h"
#include "state/ProgramIdentity.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

namespace
{
const QString kLogoFile = QStringLiteral("NaxoLogo.png");
constexpr int kLogoSize = 48; // desired icon size, for a logo given as an icon
} // namespace

frmService::frmService(BLEClient* client, QWidget* parent) : QMainWindow(parent), m_client(client)
{
    setObjectName(QStringLiteral("frmService"));
    m_trace = new ProtocolTrace(this);
    createControls();
    createMenus();
    nameControls();
    connectControls();
    m_runner = new SequenceRunner(this);
    Form_Load();
}

frmService::~frmService()
{
    // The information window goes first, while the buttons its last busy signal reaches exist.
    delete m_info;
    if (m_ble)
        disconnect(m_ble->link(), nullptr, this, nullptr);
}

void frmService::Form_Load()
{
    SharedState& s = sharedState();
    s.ProgramVersion = QString::fromUtf16(ProgramIdentity::kVersion);
    s.ProgramTitle = QString::fromUtf16(ProgramIdentity::kTitle);
    setWindowTitle(s.ProgramTitle);
    const QString folder =
        s.ProgramFolder.isEmpty() ? QCoreApplication::applicationDirPath() : s.ProgramFolder;
    StartServiceLog();
    lblPgm->setText(s.ProgramTitle + QStringLiteral(" (BLE) ") + QLatin1Char(' ') +
                    s.ProgramVersion);
    ApplyLanguage();
    txtLog->clear();
    loadLogo(folder);
    s.ProgramFolder = QDir::cleanPath(folder);
    FillLanguageTables();
    for (QWidget* w : {static_cast<QWidget*>(pb1), static_cast<QWidget*>(cmdTransfer),
                       static_cast<QWidget*>(cmdReset), static_cast<QWidget*>(cmdSuche),
                       static_cast<QWidget*>(lstDatei)})
        w->hide();
    cmdInfo->show();
    s.CommandTerminator = QStringLiteral("!\r\n");
}

// The maker logo; a missing file is reported once and the start-up goes on without it.
void frmService::loadLogo(const QString& folder)
{
    const QString path = QDir(folder).filePath(kLogoFile);
    if (!QFileInfo(path).isFile())
        userDialogs().message(messageText(38) + QStringLiteral("\r\n"));
    const std::optional<Picture> logo =
        StdPictureEx().LoadPicture(path, 4, 0, kLogoSize, kLogoSize, false, 0);
    if (logo)
        picNaxo->setPixmap(QPixmap::fromImage(logo->image()));
    else
        qCWarning(zvApp) << "no logo loaded from" << path;
    picNaxo->show();
    picZV->hide();
}

BLE* frmService::ble()
{
    if (!m_ble) {
        m_ble = new BLE(m_client, this);
        BleLink* link = m_ble->link();
        // Every command and reply of each connection goes into the trace.
        connect(link, &BleLink::sessionChanged, this, [this, link] {
            if (const std::shared_ptr<GaugeSession> session = link->session())
                m_trace->attach(&session->channel());
        });
        // No device button while a window's sequence owns the gauge's channel.
        connect(link, &BleLink::busyChanged, this,
                [this](bool busy) { setDeviceButtonsEnabled(!busy); });
        connect(m_ble, &BLE::linkReady, this, &frmService::onLinkReady);
        connect(m_ble, &BLE::linkDown, this, [this] { showLinkControls(false); });
    }
    return m_ble;
}

// Created on first use; a request that arrives while the window is still loading gets nothing,
// so its load step never runs twice at the same time.
frmInfo* frmService::info()
{
    if (m_info || m_infoLoading)
        return m_info;
    m_infoLoading = true;
    m_info = new frmInfo(ble()->link(), this);
    m_info->setWindowFlags(m_info->windowFlags() | Qt::Window);
    // Closing the window unloads it; the next use loads it afresh. The data read stay with the
    // connection's session.
    m_info->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &frmService::quitStarted, m_info, &QWidget::close); // cancels its transfer
    m_info->setReportSource([this] { return currentVisitReport(); });
    m_infoLoading = false;
    return m_info;
}

frmTime* frmService::timeWindow()
{
    if (!m_time)
        m_time = new frmTime(ble()->link(), this);
    return m_time;
}

void frmService::setJournal(ServiceJournal* journal)
{
    ble()->link()->setJournal(journal);
}

void frmService::showHistoryWarning(const QString& text)
{
    txtLog->setText(text);
}

// Every caption set here schedules its own repaint, which the event loop does as soon as the
// language handler returns; no event is processed in between.
void frmService::ApplyLanguage()
{
    fillTextTables();
    mnuEnde->setText(menuText(4));
    mnuLanguage->setTitle(menuText(30));
    mnuEnglish->setText(menuText(31));
    mnuGerman->setText(menuText(32));
    ble()->applyLanguage();
    cmdConnect->setText(messageText(10));
    cmdInfo->setText(messageText(11));
    cmdReset->setText(messageText(29));
    cmdSuche->setText(messageText(12));
    cmdTime->setText(messageText(15));
    cmdTransfer->setText(messageText(14));
    if (frmInfo* window = info())
        window->applyLanguage();
    timeWindow()->applyLanguage();
    mnuView->setTitle(frmTrace::menuTitle());
    mnuTrace->setText(frmTrace::menuEntry());
    if (m_traceWindow)
        m_traceWindow->applyLanguage();
    mnuHistory->setText(HistoryTexts::menuEntry());
    if (m_historyWindow)
        m_historyWindow->applyLanguage();
}

void frmService::German_Click()
{
    sharedState().LanguageIndex = LanguageGerman;
    ApplyLanguage();
    if (frmInfo* window = info())
        window->FormatMSFlex();
    cmdSuche_click();
    mnuEnglish->setChecked(false);
    mnuGerman->setChecked(true);
}

void frmService::English_Click()
{
    sharedState().LanguageIndex = LanguageEnglish;
    ApplyLanguage();
    if (frmInfo* window = info())
        window->FormatMSFlex();
    cmdSuche_click();
    mnuEnglish->setChecked(true);
    mnuGerman->setChecked(false);
}

void frmService::cmdConnect_Click()
{
    if (ble()->link()->connected())
        return;
    ble()->show();
    m_ble->raise();
    m_ble->activateWindow();
}

void frmService::cmdInfo_Click()
{
    if (frmInfo* window = info()) {
        window->show();
        window->raise();
    }
}

void frmService::cmdTime_Click()
{
    if (!ble()->link()->connected()) {
        txtLog->setText(messageText(10));
        return;
    }
    timeWindow()->show();
    m_time->raise();
    txtLog->clear();
}

void frmService::showLinkControls(bool linkUp)
{
    cmdConnect->setVisible(!linkUp);
    for (QWidget* w : {static_cast<QWidget*>(cmdReset), static_cast<QWidget*>(cmdSuche),
                       static_cast<QWidget*>(picZV), static_cast<QWidget*>(cmdInfo),
                       static_cast<QWidget*>(lstDatei)})
        w->setVisible(linkUp);
}

void frmService::setDeviceButtonsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{cmdConnect, cmdTime, cmdInfo, cmdSuche,
                                                      lstDatei, cmdTransfer, cmdReset})
        w->setEnabled(enabled);
}

void frmService::onLinkReady()
{
    showLinkControls(true);
    cmdSuche_click();
}

void frmService::mnuEnd_Click()
{
    if (m_quitting)
        return;
    m_quitting = true;
    m_runner->cancel();
    emit quitStarted();
    auto* quit = new QuitSequence(*ble()->link(), this);
    connect(quit, &QuitSequence::finished, this, &frmService::endProgram);
    quit->start(m_quitWaitLimitMs, m_quitPauseMs);
}

void frmService::endProgram()
{
    if (m_ble)
        m_ble->hide();
    if (m_info)
        m_info->close();
    if (m_time)
        m_time->close();
    if (m_traceWindow)
        m_traceWindow->hide();
    if (m_historyWindow)
        m_historyWindow->hide();
    hide();
    m_ended = true;
    emit programEnded();
}

// The window closes once the quit sequence has run; until then it stays as it is.
void frmService::closeEvent(QCloseEvent* event)
{
    if (m_ended) {
        event->accept();
        return;
    }
    mnuEnd_Click();
    event->ignore();
}
