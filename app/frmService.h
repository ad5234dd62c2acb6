#pragma once

#include "history/HistoryTypes.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

class BLE;
class BLEClient;
class SequenceRunner;
class HistoryLogin;
class HistoryStore;
class frmHistory;
class frmInfo;
class frmTime;
class frmTrace;
class ProtocolTrace;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class ServiceJournal;
struct DeviceOutcome;
struct ServiceReport;

// The program's first window: connection control, the entry points to the technical
// information and to the date and time window, the language-file area, the memory reset, the
// status line and the menus for quitting and for the language. Closing it ends the program.
// Its controls are found by their object names (cmdTransfer, lstDatei, pb1, mnuEnglish ...).
class frmService : public QMainWindow
{
    Q_OBJECT
public:
    // How long the quit sequence waits for the gauge to confirm the disconnection.
    static constexpr int kQuitWaitLimitMs = 3000;
    static constexpr int kQuitPauseMs = 300;

    // Runs the start-up sequence. The program's folder is sharedState().ProgramFolder when set,
    // otherwise the folder of the executable.
    explicit frmService(BLEClient* client, QWidget* parent = nullptr);
    ~frmService() override;

    // The other windows; created hidden on first use, with their load steps.
    BLE* ble();
    frmInfo* info();
    frmTime* timeWindow();
    frmTrace* traceWindow();
    frmHistory* historyWindow();
    // The service history the History window shows (may be null); set before the window is used.
    void setHistoryStore(HistoryStore* store) { m_history = store; }
    // What opens another history chosen in the History window (may be null).
    void setHistoryLogin(HistoryLogin* login) { m_historyLogin = login; }
    // How the history's synchronisation with a shared server goes, for the History window.
    void showHistorySync(const HistorySyncStatus& status);
    // Every command and reply since the program started.
    ProtocolTrace* trace() const { return m_trace; }
    BLEClient* client() const { return m_client; }

    // The history's id of the visit under way, once what was reported so far is written (0:
    // none); the information window reports on it.
    using CurrentVisit = std::function<QCoro::Task<qint64>()>;
    void setCurrentVisit(CurrentVisit visit) { m_currentVisit = std::move(visit); }
    QCoro::Task<std::optional<ServiceReport>> currentVisitReport();
    // The service history: where the device sequences report; its warnings on the status line.
    void setJournal(ServiceJournal* journal);
    void showHistoryWarning(const QString& text);

    void ApplyLanguage();
    void German_Click();
    void English_Click();
    void cmdConnect_Click();
    void cmdInfo_Click();
    void cmdTime_Click();
    // The quit sequence (QuitSequence): cancels a running transfer and waits for its end,
    // disconnects, waits for the link, pauses, closes the other windows and emits programEnded;
    // it runs once, without blocking.
    void mnuEnd_Click();
    void mnuTrace_Click();
    void mnuHistory_Click();
    // Language-file area (frmServiceLanguage.cpp) and memory reset (frmServiceReset.cpp). The
    // transfer and the reset run on the connected gauge's session through the window's
    // SequenceRunner; quitting cancels them.
    void cmdSuche_click();
    void lstDatei_Click();
    void cmdTransfer_Click();
    void cmdReset_Click();

    // Tests shorten the quit pause and the wait for the disconnection.
    void setQuitPauseMs(int ms) { m_quitPauseMs = ms; }
    void setQuitWaitLimitMs(int ms) { m_quitWaitLimitMs = ms; }
    bool ended() const { return m_ended; }

signals:
    // Quitting has begun: running transfers cancel (the quit sequence waits for their end).
    void quitStarted();
    // The quit sequence has run; the program ends now.
    void programEnded();
    // Another service history was opened in the History window (without its password; empty:
    // the default).
    void historyLocationOpened(const QString& location);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenus();
    void nameControls();
    void connectControls();
    void Form_Load();
    void loadLogo(const QString& folder);
    void showLinkControls(bool linkUp);
    void setDeviceButtonsEnabled(bool enabled);
    void onLinkReady();
    void endProgram();

    // What the window showed before a language transfer, so that a failure can put it back.
    struct WindowState {
        bool progressVisible;
        bool resetVisible;
        bool infoVisible;
        QString memoryText;
    };
    void selectChosenFile();
    void showProgress(int value, int maximum);
    void transferEnded(const DeviceOutcome& result, const WindowState& before);
    void resetEnded(const DeviceOutcome& result);

    QLabel* picNaxo = nullptr;
    QLabel* picZV = nullptr;
    QLineEdit* txtSpeicher = nullptr;
    QPushButton* cmdConnect = nullptr;
    QPushButton* cmdTime = nullptr;
    QPushButton* cmdInfo = nullptr;
    QPushButton* cmdSuche = nullptr;
    QListWidget* lstDatei = nullptr;
    QPushButton* cmdTransfer = nullptr;
    QPushButton* cmdReset = nullptr;
    QLineEdit* txtLog = nullptr;
    QProgressBar* pb1 = nullptr;
    QLabel* lblPgm = nullptr;
    QFrame* Frame1 = nullptr;
    QFrame* Frame2 = nullptr;
    QFrame* frmSprache = nullptr;
    QAction* mnuEnde = nullptr;
    QMenu* mnuLanguage = nullptr;
    QAction* mnuEnglish = nullptr;
    QAction* mnuGerman = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuTrace = nullptr;
    QAction* mnuHistory = nullptr;

    // The language folder of the last search, and the chosen file ("l" + its code).
    QString LanguageFolder;
    QString LanguageFileName;
    // Runs the language transfer or the memory reset.
    SequenceRunner* m_runner = nullptr;

    BLEClient* m_client = nullptr;
    BLE* m_ble = nullptr;
    QPointer<frmInfo> m_info;
    QPointer<frmTime> m_time;
    ProtocolTrace* m_trace = nullptr;
    frmTrace* m_traceWindow = nullptr;
    HistoryStore* m_history = nullptr;
    HistoryLogin* m_historyLogin = nullptr;
    CurrentVisit m_currentVisit;
    frmHistory* m_historyWindow = nullptr;
    HistorySyncStatus m_historySync;
    bool m_infoLoading = false;
    bool m_quitting = false;
    bool m_ended = false;
    int m_quitPauseMs = kQuitPauseMs;
    int m_quitWaitLimitMs = kQuitWaitLimitMs;
};
