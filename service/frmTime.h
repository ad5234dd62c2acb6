#pragma once

#include "link/DeviceOutcome.h"

#include <QPointer>
#include <QWidget>

class BleLink;
class DeviceClock;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The date and time window: shows the gauge's date and time and sets it from the computer's
// clock. It is unloaded when closed and created again when next opened.
//
// The display is refreshed by the clock loop (DeviceClock): one read at a time, the next 100 ms
// after the previous reply, from the gauge the link has connected. Escape pressed in any window
// of the program stops it (an application-wide key filter); activating the window again or
// cmdAkt restarts it.
class frmTime : public QWidget
{
    Q_OBJECT
public:
    // link: the link to the gauge (may be null: the window then shows nothing).
    explicit frmTime(BleLink* link, QWidget* parent = nullptr);
    ~frmTime() override;

    // Captions the language switch sets on this window.
    void applyLanguage();

    void Form_Activate();
    void RefreshDeviceTime();
    void cmdAkt_Click();
    void Form_Unload();
    // The refresh is stopped (Escape, closing, or while the clock is set).
    bool StopRefresh() const;
    DeviceClock* clock() const { return m_clock; }

    QGroupBox* Frame1 = nullptr;
    QPushButton* cmdAkt = nullptr;
    QLineEdit* txtDateTime = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool ensureClock();
    void showReadFailure(const DeviceOutcome& why);

    QPointer<BleLink> m_link;
    DeviceClock* m_clock = nullptr;
};
