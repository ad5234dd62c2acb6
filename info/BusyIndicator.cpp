#include "info/BusyIndicator.h"

#include <QColor>
#include <QLineEdit>
#include <QPalette>

BusyIndicator::BusyIndicator(QLineEdit* traceBox, QTimer* timerTrace, QObject* parent)
    : QObject(parent), m_box(traceBox), m_timer(timerTrace)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseMs);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        m_box->setText(m_readyText);
        m_box->repaint();
    });
    connect(m_timer, &QTimer::timeout, this, &BusyIndicator::tick);
}

void BusyIndicator::start()
{
    m_pause.stop();
    m_box->clear();
    m_box->setText(m_box->text() + QStringLiteral("Transfer"));
    m_timer->setInterval(kTickMs);
    m_timer->start();
    m_box->repaint();
}

void BusyIndicator::tick()
{
    // Colour value 65535: red and green full, blue zero.
    QPalette palette = m_box->palette();
    palette.setColor(QPalette::Text, QColor(255, 255, 0));
    m_box->setPalette(palette);
    m_box->setText(m_box->text() + QStringLiteral(".."));
}

void BusyIndicator::stop(const QString& readyText)
{
    m_timer->stop();
    m_readyText = readyText;
    m_pause.start();
}

void BusyIndicator::stopWith(const QString& text)
{
    m_timer->stop();
    m_pause.stop();
    m_box->setText(text);
    m_box->repaint();
}

bool BusyIndicator::isRunning() const
{
    return m_timer->isActive();
}
