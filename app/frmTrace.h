#pragma once

#include <QPointer>
#include <QWidget>

class ProtocolTrace;
class QLabel;
class QPlainTextEdit;
class QPushButton;
struct TraceLine;

// The protocol trace window: every command sent to the gauge and every reply, with time stamps
// and round-trip times, as plain text. "Save..." writes the trace, the service log and the
// versions into one support file. Created hidden; closing it only hides it.
class frmTrace : public QWidget
{
    Q_OBJECT
public:
    explicit frmTrace(ProtocolTrace* trace, QWidget* parent = nullptr);

    void applyLanguage();
    void cmdSave_Click();
    void cmdClear_Click();

    // Captions of the main window's menu that opens this window.
    static QString menuTitle();
    static QString menuEntry();

    QPlainTextEdit* txtTrace = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdClear = nullptr;
    QLabel* lblSaved = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showAll();
    void addLine(const TraceLine& line);

    QPointer<ProtocolTrace> m_trace;
};
