#include "service/frmTime.h"

#include "link/BleLink.h"
#include "service/DeviceClock.h"
#include "service/ServiceTexts.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmTime::frmTime(BleLink* link, QWidget* parent) : QWidget(parent, Qt::Window), m_link(link)
{
    setAttribute(Qt::WA_DeleteOnClose);
    const SharedState& s = sharedState();
    setWindowTitle(s.ProgramTitle + QLatin1Char(' ') + s.ProgramVersion);
    setObjectName(QStringLiteral("frmTime"));

    Frame1 = new QGroupBox(QStringLiteral("Datum/Zeit aktualisieren"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtDateTime = new QLineEdit(Frame1);
    txtDateTime->setObjectName(QStringLiteral("txtDateTime"));
    cmdAkt = new QPushButton(QStringLiteral("Aktualisieren"), Frame1);
    cmdAkt->setObjectName(QStringLiteral("cmdAkt"));

    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(txtDateTime);
    frameLayout->addWidget(cmdAkt);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);

    // A window created again after closing carries the current language at once.
    if (!messageText(15).isEmpty())
        applyLanguage();
    connect(cmdAkt, &QPushButton::clicked, this, &frmTime::cmdAkt_Click);
    if (m_link) {
        connect(m_link, &BleLink::busyChanged, cmdAkt,
                [this](bool busy) { cmdAkt->setEnabled(!busy); });
        cmdAkt->setEnabled(!m_link->busy());
    }
    qApp->installEventFilter(this);
}

frmTime::~frmTime()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void frmTime::applyLanguage()
{
    Frame1->setTitle(messageText(15));
    cmdAkt->setText(messageText(16));
}

bool frmTime::ensureClock()
{
    if (m_clock)
        return true;
    if (!m_link)
        return false;
    m_clock = new DeviceClock(*m_link, this);
    connect(m_clock, &DeviceClock::timeRead, txtDateTime, &QLineEdit::setText);
    connect(m_clock, &DeviceClock::readFailed, this, &frmTime::showReadFailure);
    return true;
}

void frmTime::showReadFailure(const DeviceOutcome& why)
{
    txtDateTime->setText(ServiceTexts::clockReadFailed(why));
}

bool frmTime::StopRefresh() const
{
    return !m_clock || m_clock->StopRefresh();
}

void frmTime::Form_Activate()
{
    const SharedState& s = sharedState();
    setWindowTitle(s.ProgramTitle + QLatin1Char(' ') + s.ProgramVersion);
    RefreshDeviceTime();
}

void frmTime::RefreshDeviceTime()
{
    if (ensureClock())
        m_clock->start();
}

void frmTime::cmdAkt_Click()
{
    if (ensureClock())
        m_clock->setTime();
}

void frmTime::Form_Unload()
{
    if (m_clock)
        m_clock->stop();
}

bool frmTime::event(QEvent* event)
{
    // Shown or activated: the window is the one the user looks at, so the display runs.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        Form_Activate();
    return QWidget::event(event);
}

bool frmTime::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_clock &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        m_clock->stop();
    return QWidget::eventFilter(watched, event);
}

void frmTime::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}
