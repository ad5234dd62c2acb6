// The main window's History window: opened from the View menu, showing the history the main
// window was given.
#include "app/frmHistory.h"
#include "app/frmService.h"

frmHistory* frmService::historyWindow()
{
    if (!m_historyWindow) {
        m_historyWindow = new frmHistory(m_history, m_historyLogin, this);
        connect(m_historyWindow, &frmHistory::locationOpened, this,
                &frmService::historyLocationOpened);
    }
    return m_historyWindow;
}

void frmService::mnuHistory_Click()
{
    historyWindow()->show();
    m_historyWindow->raise();
}
