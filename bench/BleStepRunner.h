#pragma once

#include "bench/BleCommandRun.h"

#include <QObject>
#include <QString>

// What the benchmarks' Bluetooth clients share: each step blocks in an event loop of its own
// until it is done, fails or runs out of time, and a run sends the commands a source gives, each
// one once the reply to the one before has come.
class BleStepRunner : public QObject
{
    Q_OBJECT
public:
    static constexpr int kStepTimeoutMs = 10000;

    using QObject::QObject;
    QString errorText() const { return m_error; }

signals:
    void stepDone();

protected:
    // Blocks until the step is done or kStepTimeoutMs have passed; true when nothing failed.
    bool waitForStep();
    // Ends the step with text as its error (the first error stays).
    void fail(const QString& text);
    void clearError() { m_error.clear(); }
    bool isRunning() const { return m_running; }
    // Sends the source's first command, and each next one when replied() hands over the reply to
    // the last; returns every reply, fewer when one did not come.
    QList<QByteArray> runCommands(const CommandSource& next);
    void replied(const QByteArray& value);

private:
    // Writes one command with response; its reply comes through replied().
    virtual void send(const QByteArray& command) = 0;
    void sendOrFinish(const QByteArray& command);

    CommandSource m_next;
    QList<QByteArray> m_replies;
    bool m_running = false;
    QString m_error;
};
