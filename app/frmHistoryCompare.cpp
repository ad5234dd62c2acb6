// The History window's comparison of two record snapshots of one gauge: the curves of both in
// one chart and both calibration tables, with the values that differ in bold in each.
#include "app/frmHistory.h"
#include "history/HistoryTexts.h"
#include "info/CalibrationGrid.h"
#include "info/CurveChart.h"
#include "info/CurvePoints.h"
#include "info/RecordComparison.h"

#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QtCharts/QLineSeries>

namespace
{
// The chart's two curve sets: the first snapshot in the dashed slot, the second in the solid one.
constexpr std::array<ViewTexts::Record, 2> kChartSlot{ViewTexts::Record::Probe,
                                                      ViewTexts::Record::Factory};
constexpr QSize kChartLeast(260, 200); // the chart may be smaller here than in the info window

void clearValues(QTableWidget& grid)
{
    QList<CellText> empty{{0, 0, QString()}};
    for (int r = CalibrationGrid::FirstValueRow; r <= CalibrationGrid::LastValueRow; ++r) {
        for (int c = CalibrationGrid::FirstValueColumn; c < CalibrationGrid::Columns; ++c)
            empty.append({r, c, QString()});
    }
    CalibrationGrid::fill(grid, empty);
}
} // namespace

void frmHistory::createCompareControls()
{
    lblCompare = new QLabel(this);
    lblCompare->setObjectName(QStringLiteral("lblCompare"));
    chartCompare = new CurveChart(this);
    chartCompare->setObjectName(QStringLiteral("chartCompare"));
    chartCompare->setMinimumSize(kChartLeast);
    for (int slot = 0; slot < 2; ++slot) {
        lblSnapshot[slot] = new QLabel(this);
        cboSnapshot[slot] = new QComboBox(this);
        cboSnapshot[slot]->setObjectName(slot == 0 ? QStringLiteral("cboFirst")
                                                   : QStringLiteral("cboSecond"));
        grdSnapshot[slot] = new QTableWidget(this);
        grdSnapshot[slot]->setObjectName(slot == 0 ? QStringLiteral("grdFirst")
                                                   : QStringLiteral("grdSecond"));
        connect(cboSnapshot[slot], &QComboBox::currentIndexChanged, this,
                &frmHistory::showComparison);
    }
}

// The two latest snapshots are compared first, the older one on the left.
void frmHistory::fillSnapshotChoices()
{
    const qsizetype count = m_snapshots.size();
    for (QComboBox* choice : cboSnapshot) {
        const QSignalBlocker quiet(choice);
        choice->clear();
        for (const HistorySnapshot& snapshot : m_snapshots)
            choice->addItem(HistoryTexts::snapshotLabel(snapshot), snapshot.id);
    }
    compareSnapshots(int(qMax<qsizetype>(0, count - 2)), int(count - 1));
}

void frmHistory::compareSnapshots(int first, int second)
{
    const std::array<int, 2> chosen{first, second};
    for (int slot = 0; slot < 2; ++slot) {
        const QSignalBlocker quiet(cboSnapshot[slot]);
        cboSnapshot[slot]->setCurrentIndex(chosen[slot] < cboSnapshot[slot]->count() ? chosen[slot]
                                                                                     : -1);
    }
    showComparison();
}

void frmHistory::showComparison()
{
    std::array<std::optional<DeviceRecordValues>, 2> values;
    for (int slot = 0; slot < 2; ++slot) {
        const int index = cboSnapshot[slot]->currentIndex();
        QTableWidget& grid = *grdSnapshot[slot];
        clearValues(grid);
        if (index < 0 || index >= m_snapshots.size())
            continue;
        const HistorySnapshot& snapshot = m_snapshots.at(index);
        values[slot] = CurvePoints::decoded(snapshot.hex);
        if (values[slot]) {
            CalibrationGrid::fill(grid,
                                  recordCellTexts(*values[slot], snapshot.file, QLocale::system()));
        }
    }
    chartCompare->setRecords(values[0], values[1]);
    for (int slot = 0; slot < 2; ++slot) {
        for (int kind = 0; kind < CurvePoints::KindCount; ++kind)
            chartCompare->series(kind, kChartSlot[slot])
                ->setName(HistoryTexts::seriesName(kind, slot));
    }
    QList<CellPosition> differing;
    if (values[0] && values[1])
        differing = RecordComparison::differingCells(*values[0], *values[1], QLocale::system());
    for (QTableWidget* grid : grdSnapshot)
        CalibrationGrid::markCells(*grid, differing, HistoryTexts::differsHint());
}
