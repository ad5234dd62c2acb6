#include "app/frmTrace.h"

#include "link/ProtocolTrace.h"
#include "link/SupportReport.h"
#include "state/ProgramFiles.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
constexpr int kMinimumWidth = 640;
constexpr int kMinimumHeight = 360;
} // namespace

frmTrace::frmTrace(ProtocolTrace* trace, QWidget* parent)
    : QWidget(parent, Qt::Window), m_trace(trace)
{
    setObjectName(QStringLiteral("frmTrace"));
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    txtTrace = new QPlainTextEdit(this);
    txtTrace->setObjectName(QStringLiteral("txtTrace"));
    txtTrace->setReadOnly(true);
    txtTrace->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtTrace->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtTrace->setMaximumBlockCount(ProtocolTrace::kMaxLines);
    cmdSave = new QPushButton(this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdClear = new QPushButton(this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    lblSaved = new QLabel(this);
    lblSaved->setObjectName(QStringLiteral("lblSaved"));
    lblSaved->setTextFormat(Qt::PlainText);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClear);
    buttons->addWidget(lblSaved, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtTrace, 1);
    layout->addLayout(buttons);

    connect(cmdSave, &QPushButton::clicked, this, &frmTrace::cmdSave_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmTrace::cmdClear_Click);
    if (m_trace) {
        connect(m_trace, &ProtocolTrace::lineAdded, this, &frmTrace::addLine);
        connect(m_trace, &ProtocolTrace::cleared, txtTrace, &QPlainTextEdit::clear);
    }
    showAll();
    applyLanguage();
}

QString frmTrace::menuTitle()
{
    return pick("&Ansicht", "&View");
}

QString frmTrace::menuEntry()
{
    return pick("&Protokoll-Trace...", "&Protocol trace...");
}

void frmTrace::applyLanguage()
{
    const SharedState& s = sharedState();
    setWindowTitle(s.ProgramTitle + QLatin1Char(' ') + s.ProgramVersion + QStringLiteral(" - ") +
                   pick("Protokoll-Trace", "Protocol trace"));
    cmdSave->setText(pick("Speichern...", "Save..."));
    cmdClear->setText(pick("Leeren", "Clear"));
}

void frmTrace::showAll()
{
    txtTrace->clear();
    if (!m_trace)
        return;
    for (const TraceLine& line : m_trace->lines())
        addLine(line);
}

// Device texts go in as plain text: markup in a name or a reply shows as the characters it is.
void frmTrace::addLine(const TraceLine& line)
{
    txtTrace->appendPlainText(ProtocolTrace::formatLine(line));
}

void frmTrace::cmdClear_Click()
{
    if (m_trace)
        m_trace->clear();
    lblSaved->clear();
}

void frmTrace::cmdSave_Click()
{
    const QPointer<frmTrace> self(this);
    const QString folder = userDialogs().chooseFolder(
        cmdSave->text(), ProgramFiles::dialogFolder(sharedState().ProgramFolder));
    if (!self || folder.isEmpty())
        return;
    const SupportReport::WriteResult r = SupportReport::write(
        folder, m_trace ? m_trace->text() : QString(),
        sharedState().ProgramTitle + QLatin1Char(' ') + sharedState().ProgramVersion,
        sharedState().LogFilePath);
    if (!r.ok) {
        userDialogs().message(
            pick("Die Datei konnte nicht geschrieben werden: ", "The file could not be written: ") +
            r.path + QLatin1Char('\r') + r.error);
        return;
    }
    AppendServiceLog(QStringLiteral("Supportdatei ") + r.path);
    if (self)
        lblSaved->setText(r.path);
}

// Closing only hides the window; the trace goes on.
void frmTrace::closeEvent(QCloseEvent* event)
{
    hide();
    event->ignore();
}
