#include "app/frmHistory.h"

#include "app/HistoryTexts.h"
#include "history/HistoryStore.h"
#include "info/CalibrationGrid.h"
#include "info/CurveChart.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace
{
constexpr int kIdRole = Qt::UserRole;
constexpr int kListLines = 14; // lines the gauge list and the timeline show at least
const QColor kFailedColour(0xC0, 0x00, 0x00);

// Timeline and gauge columns.
enum GaugeColumn { GaugeSerial, GaugeMac, GaugeLastSeen, GaugeVisits };
enum TimelineColumn { TimeColumn, KindColumn, FileColumn, OutcomeColumn, DetailColumn };

QTreeWidget* listWidget(QWidget* parent, const char* name, int columns)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QString::fromLatin1(name));
    tree->setColumnCount(columns);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree->setMinimumHeight(tree->fontMetrics().height() * kListLines);
    return tree;
}

// Red bold text on every column and an error sign beside the outcome.
void markFailed(QTreeWidgetItem& item, const QStyle& style)
{
    for (int c = 0; c < item.columnCount(); ++c) {
        item.setForeground(c, kFailedColour);
        QFont font = item.font(c);
        font.setBold(true);
        item.setFont(c, font);
    }
    item.setIcon(OutcomeColumn, style.standardIcon(QStyle::SP_MessageBoxCritical));
}

QString csvName(const GaugeSummary& gauge)
{
    const QString id = gauge.serial.isEmpty() ? gauge.mac : gauge.serial;
    return QStringLiteral("history-%1.csv").arg(id.isEmpty() ? QStringLiteral("gauge") : id);
}
} // namespace

frmHistory::frmHistory(HistoryStore* store, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(store)
{
    setObjectName(QStringLiteral("frmHistory"));
    createControls();
    createCompareControls();
    layoutControls();
    applyLanguage();
    refresh();
}

void frmHistory::createControls()
{
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setTextFormat(Qt::PlainText);
    lstGauges = listWidget(this, "lstGauges", 4);
    lstGauges->setRootIsDecorated(false);
    tvwTimeline = listWidget(this, "tvwTimeline", 5);
    cmdExport = new QPushButton(this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    cmdRefresh = new QPushButton(this);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    connect(lstGauges, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        showGauge(item ? item->data(GaugeSerial, kIdRole).toLongLong() : 0);
    });
    connect(cmdExport, &QPushButton::clicked, this, &frmHistory::cmdExport_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmHistory::refresh);
    lblLocation = new QLabel(this);
    txtLocation = new QLineEdit(this);
    txtLocation->setObjectName(QStringLiteral("txtLocation"));
    cmdOpen = new QPushButton(this);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    lblLocation->setBuddy(txtLocation);
    connect(cmdOpen, &QPushButton::clicked, this, &frmHistory::cmdOpen_Click);
    connect(txtLocation, &QLineEdit::returnPressed, this, &frmHistory::cmdOpen_Click);
}

void frmHistory::cmdOpen_Click()
{
    emit locationChosen(txtLocation->text().trimmed());
    refresh();
}

void frmHistory::layoutControls()
{
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRefresh);
    buttons->addWidget(cmdExport);
    buttons->addWidget(lblStatus, 1);
    auto* lists = new QHBoxLayout;
    lists->addWidget(lstGauges, 2);
    lists->addWidget(tvwTimeline, 3);

    auto* compare = new QGridLayout;
    compare->addWidget(lblCompare, 0, 0, 1, 3);
    for (int slot = 0; slot < 2; ++slot) {
        auto* choice = new QHBoxLayout;
        choice->addWidget(lblSnapshot[slot]);
        choice->addWidget(cboSnapshot[slot], 1);
        compare->addLayout(choice, 1, slot);
        compare->addWidget(grdSnapshot[slot], 2, slot);
    }
    compare->addWidget(chartCompare, 1, 2, 2, 1);
    compare->setColumnStretch(2, 1);

    auto* location = new QHBoxLayout;
    location->addWidget(lblLocation);
    location->addWidget(txtLocation, 1);
    location->addWidget(cmdOpen);

    auto* main = new QVBoxLayout(this);
    main->addLayout(location);
    main->addLayout(buttons);
    main->addLayout(lists, 1);
    main->addLayout(compare);
}

void frmHistory::applyLanguage()
{
    setWindowTitle(HistoryTexts::windowTitle());
    lstGauges->setHeaderLabels(HistoryTexts::gaugeHeaders());
    tvwTimeline->setHeaderLabels(HistoryTexts::timelineHeaders());
    cmdExport->setText(HistoryTexts::exportCaption());
    cmdRefresh->setText(HistoryTexts::refreshCaption());
    lblLocation->setText(HistoryTexts::locationCaption());
    cmdOpen->setText(HistoryTexts::openCaption());
    txtLocation->setToolTip(HistoryTexts::locationHint());
    lblCompare->setText(HistoryTexts::compareCaption());
    for (int slot = 0; slot < 2; ++slot)
        lblSnapshot[slot]->setText(HistoryTexts::snapshotSlot(slot));
    chartCompare->applyLanguage();
    for (QTableWidget* grid : grdSnapshot)
        CalibrationGrid::format(*grid, logicalDpiX());
    // Kinds, outcomes and the chart's legend are words of the language too.
    fillTimeline(m_visits);
    showComparison();
    showStatus();
}

bool frmHistory::storeOpen() const
{
    return m_store && m_store->isOpen();
}

void frmHistory::showStatus()
{
    if (!storeOpen()) {
        lblStatus->setText(HistoryTexts::notOpen(m_store ? m_store->lastError() : QString()));
        return;
    }
    QString text = m_lastExport.isEmpty() ? HistoryTexts::openAt(m_store->location())
                                          : HistoryTexts::exported(m_lastExport);
    if (!m_sync.server.isEmpty())
        text += QStringLiteral(" \u2013 ") + HistoryTexts::syncLine(m_sync, m_store->backlog());
    lblStatus->setText(text);
}

void frmHistory::showSyncStatus(const HistorySyncStatus& status)
{
    m_sync = status;
    if (isVisible())
        showStatus();
}

void frmHistory::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

void frmHistory::refresh()
{
    m_gauges = storeOpen() ? m_store->gauges() : QList<GaugeSummary>();
    if (storeOpen())
        txtLocation->setText(m_sync.server.isEmpty() ? m_store->location() : m_sync.server);
    fillGauges(m_gauges);
    showStatus();
}

void frmHistory::fillGauges(const QList<GaugeSummary>& gauges)
{
    const qint64 chosen = m_gaugeId;
    QTreeWidgetItem* current = nullptr;
    {
        const QSignalBlocker quiet(lstGauges);
        lstGauges->clear();
        for (const GaugeSummary& g : gauges) {
            auto* item = new QTreeWidgetItem(
                lstGauges,
                {g.serial, g.mac, HistoryTexts::localTime(g.lastSeen), QString::number(g.visits)});
            item->setData(GaugeSerial, kIdRole, g.id);
            // The gauge shown before, or else the most recently seen one.
            if (!current || g.id == chosen)
                current = item;
        }
        lstGauges->setCurrentItem(current);
    }
    showGauge(current ? current->data(GaugeSerial, kIdRole).toLongLong() : 0);
}

void frmHistory::showGauge(qint64 gaugeId)
{
    m_gaugeId = gaugeId;
    const bool known = storeOpen() && gaugeId != 0;
    m_visits = known ? m_store->visits(gaugeId) : QList<VisitSummary>();
    m_snapshots = known ? m_store->snapshots(gaugeId) : QList<HistorySnapshot>();
    fillTimeline(m_visits);
    fillSnapshotChoices();
    cmdExport->setEnabled(known);
}

void frmHistory::fillTimeline(const QList<VisitSummary>& visits)
{
    tvwTimeline->clear();
    for (const VisitSummary& visit : visits) {
        auto* row =
            new QTreeWidgetItem(tvwTimeline, QStringList{HistoryTexts::localTime(visit.start)} +
                                                 HistoryTexts::visitCells(visit));
        row->setData(TimeColumn, kIdRole, visit.id);
        for (const HistoryEvent& event : visit.events)
            row->addChild(eventItem(event));
    }
    tvwTimeline->expandAll();
}

QTreeWidgetItem* frmHistory::eventItem(const HistoryEvent& event)
{
    auto* item = new QTreeWidgetItem(
        QStringList{HistoryTexts::localTime(event.at), HistoryTexts::kindName(event.kind),
                    event.file, HistoryTexts::outcome(event.ok), HistoryTexts::eventDetail(event)});
    item->setData(TimeColumn, kIdRole, event.id);
    item->setToolTip(DetailColumn, item->text(DetailColumn));
    if (!event.ok)
        markFailed(*item, *style());
    return item;
}

void frmHistory::cmdExport_Click()
{
    const auto gauge = std::find_if(m_gauges.cbegin(), m_gauges.cend(),
                                    [this](const GaugeSummary& g) { return g.id == m_gaugeId; });
    if (!storeOpen() || gauge == m_gauges.cend())
        return;
    const QString folder =
        sharedState().ProgramFolder.isEmpty() ? QDir::homePath() : sharedState().ProgramFolder;
    const QString path = userDialogs().chooseSaveFile(HistoryTexts::exportCaption(),
                                                      QDir(folder).filePath(csvName(*gauge)),
                                                      QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (!m_store->exportCsv(path, m_gaugeId)) {
        qCWarning(zvApp) << "history export to" << path << "failed:" << m_store->lastError();
        userDialogs().message(HistoryTexts::exportFailed(path, m_store->lastError()));
        return;
    }
    m_lastExport = path;
    showStatus();
}
