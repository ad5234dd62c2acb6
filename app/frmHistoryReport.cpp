// The History window's report: the service report of the chosen visit, from the history shown.
#include "app/frmHistory.h"
#include "history/HistoryStore.h"
#include "report/ServiceReportBuilder.h"

#include <algorithm>

std::optional<ServiceReport> frmHistory::chosenVisitReport() const
{
    const auto gauge = std::find_if(m_gauges.cbegin(), m_gauges.cend(),
                                    [this](const GaugeSummary& g) { return g.id == m_gaugeId; });
    if (!storeOpen() || gauge == m_gauges.cend())
        return std::nullopt;
    const QString key = gauge->serial.isEmpty() ? gauge->mac : gauge->serial;
    const ServiceReportSource::Result found =
        ServiceReportSource::load(*m_store, key, chosenVisit());
    if (found.problem != ServiceReportSource::Problem::None)
        return std::nullopt;
    return ServiceReportBuilder::build(found.input);
}
