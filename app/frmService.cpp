#include "app/frmService.h"

#include "app/ProductPicture.h"
#include "app/QuitSequence.h"
#include "app/frmHistory.h"
#include "app/frmTrace.h"
#include "history/HistoryTexts.h"
#include "info/frmInfo.h"
#include "link/BLE.h"
#include "link/BLEClient.h"
#include "link/BleLink.h"
#include "link/CommandChannel.h"
#include "link/ProtocolTrace.h"
#include "picture/StdPictureEx.h"
#include "service/ServiceFunctions.h"
#include "service/frmTime.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
const QString kLogoFile = QStringLiteral("NaxoLogo.png");
constexpr int kLogoSize = 48; // desired icon size, for a logo given as an icon

QPushButton* arialButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFont(QFont(QStringLiteral("Arial")));
    return button;
}

QFrame* plainFrame(const QString& name, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}
} // namespace

frmService::frmService(BLEClient* client, QWidget* parent) : QMainWindow(parent), m_client(client)
{
    setObjectName(QStringLiteral("frmService"));
    m_trace = new ProtocolTrace(this);
    createControls();
    createMenus();
    connectControls();
    ServiceFunctions::of(*this); // disables the device buttons while any window moves data
    Form_Load();
}

frmService::~frmService()
{
    // The information window goes first, while the buttons its last busy signal reaches exist.
    delete m_info;
}

void frmService::createControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    const QFont arial(QStringLiteral("Arial"));

    Frame1 = plainFrame(QStringLiteral("Frame1"), central);
    picNaxo = new QLabel(Frame1);
    lblPgm = new QLabel(QStringLiteral("Serviceprogramm Zelvo"), Frame1);
    lblPgm->setFont(arial);
    picZV = new QLabel(Frame1);
    picZV->setPixmap(productPicture());
    auto* top = new QHBoxLayout(Frame1);
    top->addWidget(picNaxo);
    top->addWidget(lblPgm, 1);
    top->addWidget(picZV);

    Frame2 = plainFrame(QStringLiteral("Frame2"), central);
    cmdConnect =
        arialButton(QStringLiteral("cmdConnect"), QStringLiteral("Gerät verbinden"), Frame2);
    cmdTime = arialButton(QStringLiteral("cmdTime"), QStringLiteral("Set Time"), Frame2);
    cmdInfo = arialButton(QStringLiteral("cmdInfo"), QStringLiteral("Technische Info"), Frame2);
    cmdReset = arialButton(QStringLiteral("cmdReset"), QStringLiteral("Reset Gerät"), Frame2);
    auto* buttons = new QVBoxLayout(Frame2);
    for (QPushButton* b : {cmdConnect, cmdTime, cmdInfo, cmdReset})
        buttons->addWidget(b);
    buttons->addStretch(1);

    frmSprache = plainFrame(QStringLiteral("frmSprache"), central);
    cmdSuche =
        arialButton(QStringLiteral("cmdSuche"), QStringLiteral("Sprachdateien suchen"), frmSprache);
    lstDatei = new QListWidget(frmSprache);
    QFont console(QStringLiteral("Lucida Console"));
    console.setStyleHint(QFont::Monospace);
    lstDatei->setFont(console);
    cmdTransfer = arialButton(QStringLiteral("cmdTransfer"),
                              QStringLiteral("Sprachdatei auf Gerät übertragen"), frmSprache);
    txtSpeicher = new QLineEdit(QStringLiteral("      0.00"), frmSprache);
    txtSpeicher->setFont(arial);
    pb1 = new QProgressBar(frmSprache);
    auto* language = new QVBoxLayout(frmSprache);
    language->addWidget(cmdSuche);
    language->addWidget(lstDatei, 1);
    language->addWidget(cmdTransfer);
    language->addWidget(txtSpeicher);
    language->addWidget(pb1);

    txtLog = new QLineEdit(QStringLiteral("Log"), central);
    txtLog->setFont(arial);

    auto* grid = new QGridLayout(central);
    grid->addWidget(Frame1, 0, 0, 1, 2);
    grid->addWidget(Frame2, 1, 0);
    grid->addWidget(frmSprache, 1, 1);
    grid->addWidget(txtLog, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

void frmService::createMenus()
{
    mnuEnde = menuBar()->addAction(QStringLiteral("&Ende"));
    mnuLanguage = menuBar()->addMenu(QStringLiteral("&Language"));
    mnuEnglish = mnuLanguage->addAction(QStringLiteral("&Englisch"));
    mnuGerman = mnuLanguage->addAction(QStringLiteral("&Deutsch"));
    mnuEnglish->setCheckable(true);
    mnuGerman->setCheckable(true);
    mnuView = menuBar()->addMenu(frmTrace::menuTitle());
    mnuTrace = mnuView->addAction(frmTrace::menuEntry());
    mnuHistory = mnuView->addAction(HistoryTexts::menuEntry());
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
}

void frmService::connectControls()
{
    connect(mnuEnde, &QAction::triggered, this, &frmService::mnuEnd_Click);
    connect(mnuEnglish, &QAction::triggered, this, &frmService::English_Click);
    connect(mnuGerman, &QAction::triggered, this, &frmService::German_Click);
    connect(mnuTrace, &QAction::triggered, this, &frmService::mnuTrace_Click);
    connect(mnuHistory, &QAction::triggered, this, &frmService::mnuHistory_Click);
    connect(cmdConnect, &QPushButton::clicked, this, &frmService::cmdConnect_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &frmService::cmdInfo_Click);
    connect(cmdTime, &QPushButton::clicked, this, &frmService::cmdTime_Click);
    connect(cmdSuche, &QPushButton::clicked, this, &frmService::cmdSuche_click);
    connect(lstDatei, &QListWidget::itemClicked, this, &frmService::lstDatei_Click);
    connect(cmdTransfer, &QPushButton::clicked, this, &frmService::cmdTransfer_Click);
    connect(cmdReset, &QPushButton::clicked, this, &frmService::cmdReset_Click);
}

void frmService::Form_Load()
{
    SharedState& s = sharedState();
    s.ProgramVersion = QStringLiteral("V 1.02");
    s.ProgramTitle = QStringLiteral("ZELVO Service");
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
        m_trace->attach(m_ble->channel());
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
    m_info = new frmInfo(ble()->channel(), this);
    m_info->setWindowFlags(m_info->windowFlags() | Qt::Window);
    // Closing the window unloads it; the next use loads it afresh. The data read stay in the
    // shared state.
    m_info->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &frmService::quitStarted, m_info, &QWidget::close); // cancels its transfer
    m_info->setReportSource([this] { return currentVisitReport(); });
    m_infoLoading = false;
    return m_info;
}

frmTime* frmService::timeWindow()
{
    if (!m_time)
        m_time = new frmTime(ble()->channel(), this);
    return m_time;
}

void frmService::setJournal(ServiceJournal* journal)
{
    ble()->channel()->setJournal(journal);
}

void frmService::showHistoryWarning(const QString& text)
{
    txtLog->setText(text);
}

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
    QCoreApplication::processEvents();
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
    if (sharedState().DeviceConnected)
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
    if (!sharedState().DeviceConnected) {
        txtLog->setText(messageText(10));
        return;
    }
    timeWindow()->show();
    m_time->raise();
    txtLog->clear();
}

void frmService::cmdSuche_click()
{
    ServiceFunctions::of(*this).cmdSuche_click();
}

void frmService::lstDatei_Click()
{
    ServiceFunctions::of(*this).lstDatei_Click();
}

void frmService::cmdTransfer_Click()
{
    ServiceFunctions::of(*this).cmdTransfer_Click();
}

void frmService::cmdReset_Click()
{
    ServiceFunctions::of(*this).cmdReset_Click();
}

void frmService::showLinkControls(bool linkUp)
{
    cmdConnect->setVisible(!linkUp);
    for (QWidget* w : {static_cast<QWidget*>(cmdReset), static_cast<QWidget*>(cmdSuche),
                       static_cast<QWidget*>(picZV), static_cast<QWidget*>(cmdInfo),
                       static_cast<QWidget*>(lstDatei)})
        w->setVisible(linkUp);
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
    emit quitStarted();
    auto* quit = new QuitSequence(m_client, ble(), this);
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
