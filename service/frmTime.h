#pragma once

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPushButton;

// The date and time window: shows the gauge's date and time and sets it from the computer's
// clock. It is unloaded when closed and created again when next opened.
class frmTime : public QWidget
{
    Q_OBJECT
public:
    explicit frmTime(QWidget* parent = nullptr);

    // Captions the language switch sets on this window.
    void applyLanguage();

    QGroupBox* Frame1 = nullptr;
    QPushButton* cmdAkt = nullptr;
    QLineEdit* txtDateTime = nullptr;
};
