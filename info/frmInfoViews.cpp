// The information window's views of both records: the curve chart and the choice which record
// the table shows, with the cells that differ between the two in bold.
#include "info/CalibrationGrid.h"
#include "info/CurveChart.h"
#include "info/CurvePoints.h"
#include "info/RecordCellTexts.h"
#include "info/RecordComparison.h"
#include "info/frmInfo.h"
#include "link/GaugeProtocol.h"
#include "link/GaugeSession.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QTableWidget>

namespace
{
constexpr int EntryReadFirst = 22;

QString fileNameOf(ViewTexts::Record record)
{
    return record == ViewTexts::Record::Probe ? GaugeProtocol::kProbeFile
                                              : GaugeProtocol::kFactoryFile;
}

// The record of this connection, when it was read (or written) and decodes.
std::optional<DeviceRecordValues> recordOf(const GaugeSession* session, ViewTexts::Record record)
{
    const auto read = session ? session->record(fileNameOf(record)) : std::nullopt;
    return read ? CurvePoints::decoded(read->hex) : std::nullopt;
}
} // namespace

void frmInfo::createViews()
{
    chartCurves = new CurveChart(this);
    chartCurves->setObjectName(QStringLiteral("chartCurves"));
    optFactory = new QRadioButton(ViewTexts::showRecord(ViewTexts::Record::Factory), frmTInfo);
    optProbe = new QRadioButton(ViewTexts::showRecord(ViewTexts::Record::Probe), frmTInfo);
    optFactory->setObjectName(QStringLiteral("optFactory"));
    optProbe->setObjectName(QStringLiteral("optProbe"));
    auto* group = new QButtonGroup(this);
    group->addButton(optFactory);
    group->addButton(optProbe);
    optFactory->setChecked(true);
    connect(optFactory, &QRadioButton::clicked, this,
            [this] { showRecord(ViewTexts::Record::Factory); });
    connect(optProbe, &QRadioButton::clicked, this,
            [this] { showRecord(ViewTexts::Record::Probe); });
    // Every transfer may have changed the records: redraw once it has ended.
    connect(this, &frmInfo::busyChanged, this, [this](bool busy) {
        if (!busy)
            refreshViews();
    });
}

void frmInfo::showNothingRead()
{
    CalibrationGrid::clearValues(*MSFlexGrid1, messageText(EntryReadFirst));
    showIdentity();
    refreshViews();
}

ViewTexts::Record frmInfo::shownRecord() const
{
    return optProbe->isChecked() ? ViewTexts::Record::Probe : ViewTexts::Record::Factory;
}

void frmInfo::refreshViews()
{
    const auto probe = recordOf(m_session, ViewTexts::Record::Probe);
    const auto factory = recordOf(m_session, ViewTexts::Record::Factory);
    chartCurves->setRecords(probe, factory);
    // A record can be chosen once it is known; the table then shows it.
    optProbe->setEnabled(probe.has_value());
    optFactory->setEnabled(factory.has_value());
    // The reader leaves the factory record in the table; a choice of the probe record stands.
    if (shownRecord() == ViewTexts::Record::Probe)
        showRecord(ViewTexts::Record::Probe);
    else
        markDifferences();
}

void frmInfo::showRecord(ViewTexts::Record record)
{
    (record == ViewTexts::Record::Probe ? optProbe : optFactory)->setChecked(true);
    if (const auto values = recordOf(m_session, record)) {
        CalibrationGrid::fill(*MSFlexGrid1,
                              recordCellTexts(*values, fileNameOf(record), QLocale::system()));
    }
    markDifferences();
}

// Bold text marks a difference; the background colours of the table stay as they are.
void frmInfo::markDifferences()
{
    QList<CellPosition> differing;
    const auto probe = recordOf(m_session, ViewTexts::Record::Probe);
    const auto factory = recordOf(m_session, ViewTexts::Record::Factory);
    if (probe && factory)
        differing = RecordComparison::differingCells(*probe, *factory, QLocale::system());
    CalibrationGrid::markCells(*MSFlexGrid1, differing, ViewTexts::differsHint());
}
