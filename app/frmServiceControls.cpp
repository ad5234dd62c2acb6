// The main window's controls: created with their names, laid out, named and connected.
#include "app/ProductPicture.h"
#include "app/frmService.h"
#include "app/frmTrace.h"
#include "history/HistoryTexts.h"

#include <QAction>
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
}

// The controls keep their names as object names (buttons and frames get theirs on creation).
void frmService::nameControls()
{
    const std::pair<QObject*, const char*> names[] = {
        {picNaxo, "picNaxo"},       {lblPgm, "lblPgm"},           {picZV, "picZV"},
        {lstDatei, "lstDatei"},     {txtSpeicher, "txtSpeicher"}, {pb1, "pb1"},
        {txtLog, "txtLog"},         {mnuEnde, "mnuEnde"},         {mnuLanguage, "mnuLanguage"},
        {mnuEnglish, "mnuEnglish"}, {mnuGerman, "mnuGerman"},     {mnuView, "mnuView"},
        {mnuTrace, "mnuTrace"},     {mnuHistory, "mnuHistory"}};
    for (const auto& [control, name] : names)
        control->setObjectName(QLatin1String(name));
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
