// The main window's History window: opened from the View menu, showing the history the main
// window was given; and the report of the visit under way, for the information window.
#include "app/frmHistory.h"
#include "app/frmService.h"
#include "history/HistoryStore.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "report/ServiceReportBuilder.h"

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

std::optional<ServiceReport> frmService::currentVisitReport() const
{
    const qint64 visit = m_currentVisit ? m_currentVisit() : 0;
    if (!m_history || !m_history->isOpen() || visit == 0)
        return std::nullopt;
    const ServiceReportSource::Result found =
        ServiceReportSource::load(*m_history, m_ble ? m_ble->link()->address() : QString(), visit);
    if (found.problem != ServiceReportSource::Problem::None)
        return std::nullopt;
    return ServiceReportBuilder::build(found.input);
}
