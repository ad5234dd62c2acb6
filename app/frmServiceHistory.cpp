// The main window's History window: opened from the View menu, showing the history the main
// window was given.
#include "app/frmHistory.h"
#include "app/frmService.h"

frmHistory* frmService::historyWindow()
{
    if (!m_historyWindow) {
        m_historyWindow = new frmHistory(m_history, this);
        m_historyWindow->showSyncStatus(m_historySync);
        connect(m_historyWindow, &frmHistory::locationChosen, this,
                &frmService::historyLocationChosen);
    }
    return m_historyWindow;
}

void frmService::mnuHistory_Click()
{
    historyWindow()->show();
    m_historyWindow->raise();
}

void frmService::showHistorySync(const HistorySyncStatus& status)
{
    m_historySync = status;
    if (m_historyWindow)
        m_historyWindow->showSyncStatus(status);
}
