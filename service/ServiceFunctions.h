#pragma once

#include "link/ReplyWait.h"

#include <QObject>
#include <QPointer>
#include <QString>

class CommandChannel;
class frmService;
class QWidget;

// The main window's language-file area and memory reset: the search, the choice, the transfer
// with its progress bar, and the reset. It lives as a child of the main window and keeps the
// window values LanguageFolder and LanguageFileName.
class ServiceFunctions : public QObject
{
    Q_OBJECT
public:
    // The one instance beside this window (created on first use).
    static ServiceFunctions& of(frmService& window);

    void cmdSuche_click();
    void lstDatei_Click();
    void cmdTransfer_Click();
    void cmdReset_Click();

    QString LanguageFolder;
    QString LanguageFileName;

private:
    explicit ServiceFunctions(frmService& window);
    CommandChannel* channel() const;
    void setDeviceButtonsEnabled(bool enabled);
    void showProgress(int value, int maximum);

    frmService& m_window;
    CancelToken m_cancel;
};
