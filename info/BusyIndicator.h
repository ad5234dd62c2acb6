#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QLineEdit;

// The busy indicator of the information window: while a transfer runs, the status box reads
// "Transfer" and grows by ".." on every 300 ms tick, in yellow; at the end it shows the ready text.
// The pause before the ready text does not block the thread: the text follows after kPauseMs
// unless another transfer starts first.
class BusyIndicator : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTickMs = 300;
    static constexpr int kPauseMs = 500;

    BusyIndicator(QLineEdit* traceBox, QTimer* timerTrace, QObject* parent = nullptr);

    void start();
    // One tick of TimerTrace.
    void tick();
    // Stops the ticks; readyText follows after the pause.
    void stop(const QString& readyText);
    // Stops the ticks and shows text at once (failures, cancels).
    void stopWith(const QString& text);
    bool isRunning() const;

    void setPauseMs(int ms) { m_pause.setInterval(ms); }

private:
    QLineEdit* m_box;
    QTimer* m_timer;
    QTimer m_pause;
    QString m_readyText;
};
