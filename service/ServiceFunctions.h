#pragma once

#include <QObject>
#include <QString>
#include <memory>

class CancelToken;
class CommandChannel;
class frmService;
class QWidget;
struct LanguageTransferResult;
struct TransferResult;

// The main window's language-file area and memory reset: the search, the choice, the transfer
// with its progress bar, and the reset. It lives as a child of the main window and keeps the
// window values LanguageFolder and LanguageFileName. The transfer and the reset run as
// coroutines (LanguageTransfer, MemoryReset); their outcome comes back to this object only while
// it exists, and the end of the program cancels them.
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
    // What the window showed before a transfer, so that a failure can put it back.
    struct WindowState {
        bool progressVisible;
        bool resetVisible;
        bool infoVisible;
        QString memoryText;
    };

    explicit ServiceFunctions(frmService& window);
    CommandChannel* channel() const;
    void setDeviceButtonsEnabled(bool enabled);
    void selectChosenFile();
    void showProgress(int value, int maximum);
    void transferEnded(const LanguageTransferResult& result, const WindowState& before);
    void resetEnded(const TransferResult& result);

    frmService& m_window;
    // The token of the running transfer or reset.
    std::shared_ptr<CancelToken> m_cancel;
};
