#include "bench/BleStepRunner.h"

#include <QEventLoop>
#include <QTimer>

bool BleStepRunner::waitForStep()
{
    QEventLoop loop;
    connect(this, &BleStepRunner::stepDone, &loop, &QEventLoop::quit);
    QTimer::singleShot(kStepTimeoutMs, &loop, [this, &loop] {
        fail(QStringLiteral("step not done in time"));
        loop.quit();
    });
    loop.exec();
    return m_error.isEmpty();
}

void BleStepRunner::fail(const QString& text)
{
    if (m_error.isEmpty())
        m_error = text;
    m_running = false;
    emit stepDone();
}

QList<QByteArray> BleStepRunner::runCommands(const CommandSource& next)
{
    m_error.clear();
    m_replies.clear();
    m_next = next;
    m_running = true;
    sendOrFinish(m_next({}));
    if (m_running)
        waitForStep();
    m_running = false;
    return m_replies;
}

void BleStepRunner::replied(const QByteArray& value)
{
    m_replies.append(value);
    sendOrFinish(m_next(value));
}

void BleStepRunner::sendOrFinish(const QByteArray& command)
{
    if (command.isEmpty()) {
        m_running = false;
        emit stepDone();
        return;
    }
    send(command);
}
