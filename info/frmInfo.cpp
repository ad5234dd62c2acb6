#include "info/frmInfo.h"

#include "info/BusyIndicator.h"
#include "info/CalibrationGrid.h"
#include "info/CurveChart.h"
#include "info/InfoTexts.h"
#include "info/RecordCellTexts.h"
#include "info/VirtualKeyCode.h"
#include "link/BleLink.h"
#include "link/GaugeProtocol.h"
#include "link/SequenceRunner.h"
#include "state/RadioText.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace
{
// Key codes of the unlock sequence.
constexpr int KeyModifier = 25; // Kanji/Hanja, or the right Ctrl key
constexpr int KeyDownload = 81; // 'Q'
constexpr int KeyFactory = 51;  // '3'
const QString SequenceDownload = QStringLiteral("2581");
const QString SequenceFactory = QStringLiteral("2551");

// Catalogue entries of the window's captions.
constexpr int EntryInfoFrameAtLoad = 21;
constexpr int EntryInfoFrame = 11;
constexpr int EntryRead = 36;
constexpr int EntryDownload = 30;
constexpr int EntryUpload = 31;
constexpr int EntryFactory = 32;

QLineEdit* identityBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    // Wide enough for a MAC address of twelve hex digits.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("W")) * 14);
    return box;
}

QLabel* identityLabel(QWidget* parent, const char* name, const char* caption)
{
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}
} // namespace

frmInfo::frmInfo(BleLink* link, QWidget* parent) : QWidget(parent), m_link(link)
{
    m_runner = new SequenceRunner(this);
    // A write cancelled after it changed the gauge's file is told, also once the window is gone.
    m_runner->setIncompleteReport([](const DeviceOutcome& o) {
        userDialogs().message(InfoTexts::incompleteWrite(o, InfoTexts::restoreInWindow()));
    });
    createControls();
    createViews();
    layoutControls();
    m_indicator = new BusyIndicator(TraceBox, TimerTrace, this);
    enableTransferButtons(!m_link || !m_link->busy());
    if (m_link) {
        connect(m_link, &BleLink::busyChanged, this,
                [this](bool busy) { enableTransferButtons(!busy && !isBusy()); });
        connect(m_link, &BleLink::sessionChanged, this, &frmInfo::followSession);
    }
    followSession();
    Form_Load();
}

frmInfo::~frmInfo() = default; // the runner cancels a running sequence; it closes its file

bool frmInfo::isBusy() const
{
    return m_runner->isRunning();
}

void frmInfo::followSession()
{
    if (m_session)
        disconnect(m_session, nullptr, this, nullptr);
    m_session = m_link ? m_link->session().get() : nullptr;
    if (!m_session) {
        showNothingRead();
        return;
    }
    connect(m_session, &GaugeSession::identityChanged, this, &frmInfo::showIdentity);
    connect(m_session, &GaugeSession::recordChanged, this, &frmInfo::recordChanged);
    connect(m_session, &GaugeSession::ended, this, &frmInfo::showNothingRead);
    showIdentity();
}

// What was read or written goes into the shared variables its Parts name; a record read also
// into the table (the last one read stays there).
void frmInfo::recordChanged(const QString& file)
{
    const std::optional<GaugeRecord> record = m_session ? m_session->record(file) : std::nullopt;
    if (!record)
        return;
    SharedState& s = sharedState();
    (file == s.ProbeFileName ? s.ProbeData : s.FactoryData) = record->hex;
    if (!m_reading)
        return;
    s.CurrentFileName = file;
    s.FileHex = record->hex;
    s.Record = record->values;
    FillMSFlex();
}

void frmInfo::createControls()
{
    setObjectName(QStringLiteral("frmInfo"));
    frmInfoFrame = new QGroupBox(QStringLiteral("Info"), this);
    frmInfoFrame->setObjectName(QStringLiteral("frmInfo"));
    lblHardware = identityLabel(frmInfoFrame, "lblHardware", "Hardware");
    lblMac = identityLabel(frmInfoFrame, "lblMac", "Mac");
    lblControler = identityLabel(frmInfoFrame, "lblControler", "Controler");
    lblBuild = identityLabel(frmInfoFrame, "lblBuild", "Build");
    lblRevision = identityLabel(frmInfoFrame, "lblRevision", "Revision");
    txtHardware = identityBox(frmInfoFrame, "txtHardware");
    txtMac = identityBox(frmInfoFrame, "txtMac");
    txtControler = identityBox(frmInfoFrame, "txtControler");
    txtBuild = identityBox(frmInfoFrame, "txtBuild");
    txtRevision = identityBox(frmInfoFrame, "txtRevision");
    // Keys typed into the Build field drive the unlock sequence and never change its text.
    txtBuild->setReadOnly(true);
    txtBuild->installEventFilter(this);

    frmTInfo = new QGroupBox(QStringLiteral("Technische Information"), this);
    frmTInfo->setObjectName(QStringLiteral("frmTInfo"));
    MSFlexGrid1 = new QTableWidget(frmTInfo);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));

    cmdDaten = new QPushButton(QStringLiteral("Daten auslesen "), this);
    cmdSpeichern = new QPushButton(QStringLiteral("Dateien herunterladen"), this);
    cmdEinspielen = new QPushButton(QStringLiteral("Datei (probe) einspielen"), this);
    cmdFactory = new QPushButton(QStringLiteral("Datei(factory) überschreiben"), this);
    cmdDaten->setObjectName(QStringLiteral("cmdDaten"));
    cmdSpeichern->setObjectName(QStringLiteral("cmdSpeichern"));
    cmdEinspielen->setObjectName(QStringLiteral("cmdEinspielen"));
    cmdFactory->setObjectName(QStringLiteral("cmdFactory"));
    connect(cmdDaten, &QPushButton::clicked, this, &frmInfo::cmdDaten_Click);
    connect(cmdSpeichern, &QPushButton::clicked, this, &frmInfo::cmdSpeichern_Click);
    connect(cmdEinspielen, &QPushButton::clicked, this, &frmInfo::cmdEinspielen_Click);
    connect(cmdFactory, &QPushButton::clicked, this, &frmInfo::cmdFactory_Click);

    TraceBox = new QLineEdit(this);
    TraceBox->setObjectName(QStringLiteral("TraceBox"));
    TraceBox->setReadOnly(true);
    TimerTrace = new QTimer(this);
    TimerTrace->setObjectName(QStringLiteral("TimerTrace"));
    createRestoreControls();
    cmdReport = new ReportButton(this);
}

void frmInfo::layoutControls()
{
    auto* identity = new QGridLayout(frmInfoFrame);
    const QList<QPair<QLabel*, QLineEdit*>> rows = {{lblHardware, txtHardware},
                                                    {lblMac, txtMac},
                                                    {lblControler, txtControler},
                                                    {lblBuild, txtBuild},
                                                    {lblRevision, txtRevision}};
    for (int i = 0; i < rows.size(); ++i) {
        identity->addWidget(rows[i].first, i, 0);
        identity->addWidget(rows[i].second, i, 1);
    }
    auto* table = new QVBoxLayout(frmTInfo);
    auto* choice = new QHBoxLayout;
    choice->addWidget(optFactory);
    choice->addWidget(optProbe);
    choice->addStretch();
    table->addLayout(choice);
    table->addWidget(MSFlexGrid1);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {cmdDaten, cmdSpeichern, cmdEinspielen, cmdFactory, cmdRestore,
                           static_cast<QPushButton*>(cmdReport)})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(TraceBox);
    buttons->addWidget(lblBackup);

    auto* left = new QVBoxLayout;
    left->addWidget(frmInfoFrame);
    left->addLayout(buttons);
    auto* main = new QHBoxLayout(this);
    main->addLayout(left);
    main->addWidget(frmTInfo);
    main->addWidget(chartCurves, 1);
}

void frmInfo::Form_Load()
{
    SharedState& s = sharedState();
    setWindowTitle(s.ProgramTitle + QLatin1Char(' ') + s.ProgramVersion);
    frmTInfo->setTitle(messageText(EntryInfoFrameAtLoad));
    s.ProbeFileName = GaugeProtocol::kProbeFile;
    s.FactoryFileName = GaugeProtocol::kFactoryFile;
    s.IdentityCommand = GaugeProtocol::kIdentityCommand;
    cmdSpeichern->hide();
    cmdEinspielen->hide();
    cmdFactory->hide();
    cmdRestore->hide();
    cmdReport->hide();
    FormatMSFlex();
    s.FileHex.clear();
    refreshViews();
}

void frmInfo::applyLanguage()
{
    frmTInfo->setTitle(messageText(EntryInfoFrame));
    cmdDaten->setText(messageText(EntryRead));
    cmdSpeichern->setText(messageText(EntryDownload));
    cmdEinspielen->setText(messageText(EntryUpload));
    cmdFactory->setText(messageText(EntryFactory));
    cmdRestore->setText(InfoTexts::restoreCaption());
    cmdReport->applyLanguage();
    optFactory->setText(ViewTexts::showRecord(ViewTexts::Record::Factory));
    optProbe->setText(ViewTexts::showRecord(ViewTexts::Record::Probe));
    chartCurves->applyLanguage();
    markDifferences();
}

void frmInfo::FormatMSFlex()
{
    CalibrationGrid::format(*MSFlexGrid1, logicalDpiX());
    sharedState().UserSettingsFirstRow = CalibrationGrid::UserSettingsFirstRow;
}

void frmInfo::FillMSFlex()
{
    const SharedState& s = sharedState();
    CalibrationGrid::fill(*MSFlexGrid1,
                          recordCellTexts(s.Record, s.CurrentFileName, QLocale::system()));
}

void frmInfo::showIdentity()
{
    const IdentityFields id =
        m_session && m_session->identity() ? *m_session->identity() : IdentityFields();
    txtHardware->setText(RadioText::visible(id.Hardware));
    txtMac->setText(RadioText::visible(id.Mac));
    txtControler->setText(RadioText::visible(id.Controler));
    txtBuild->setText(RadioText::visible(id.Build));
    txtRevision->setText(RadioText::visible(id.Revision));
}

void frmInfo::txtBuild_KeyDown(int keyCode, int /*shift*/)
{
    m_savedBuildText = txtBuild->text();
    m_keySequence += QString::number(keyCode);
    if (keyCode != KeyModifier && keyCode != KeyDownload && keyCode != KeyFactory) {
        m_keySequence.clear();
        txtBuild->clear();
        txtBuild->setSelection(0, 0);
        cmdFactory->hide();
        cmdRestore->hide();
        cmdSpeichern->hide();
        cmdEinspielen->hide();
    } else {
        if (m_keySequence == SequenceDownload) {
            cmdSpeichern->show();
            cmdEinspielen->show();
            cmdFactory->hide();
            cmdRestore->hide();
            m_keySequence.clear();
        }
        if (m_keySequence == SequenceFactory) {
            cmdFactory->show();
            cmdRestore->show();
            cmdSpeichern->hide();
            cmdEinspielen->hide();
            m_keySequence.clear();
        }
    }
    txtBuild->setText(m_savedBuildText);
}

bool frmInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtBuild && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        txtBuild_KeyDown(windowsVirtualKey(*key), int(key->modifiers() & Qt::ShiftModifier));
    }
    return QWidget::eventFilter(watched, event);
}

void frmInfo::closeEvent(QCloseEvent* event)
{
    // A running sequence ends at once; it still closes its device file where the link allows.
    m_runner->cancel();
    event->accept();
}
