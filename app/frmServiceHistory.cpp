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
        m_historyWindow->showSyncStatus(m_historySync);
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

// The visit's gauge as connected when the report was asked for; the window may have gone by the
// time the history has written the visit.
QCoro::Task<std::optional<ServiceReport>> frmService::currentVisitReport()
{
    const QPointer<frmService> self(this);
    const QString gauge = m_ble ? m_ble->link()->address() : QString();
    const qint64 visit = m_currentVisit ? co_await m_currentVisit() : 0;
    if (!self || !m_history || !m_history->isOpen() || visit == 0)
        co_return std::nullopt;
    const ServiceReportSource::Result found = ServiceReportSource::load(*m_history, gauge, visit);
    if (found.problem != ServiceReportSource::Problem::None)
        co_return std::nullopt;
    co_return ServiceReportBuilder::build(found.input);
}

void frmService::showHistorySync(const HistorySyncStatus& status)
{
    m_historySync = status;
    if (m_historyWindow)
        m_historyWindow->showSyncStatus(status);
}
