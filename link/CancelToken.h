#pragma once

#include <QObject>

// Lets the user (a closing window, an interrupt of the command-line tool) cancel a running
// device sequence: its next wait, or the one under way, ends as cancelled.
class CancelToken : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    bool isCancelled() const { return m_cancelled; }
    void cancel();

signals:
    void cancelled();

private:
    bool m_cancelled = false;
};
