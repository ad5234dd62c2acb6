#include "app/frmHistory.h"

#include "app/HistoryLogin.h"
#include "history/HistoryStore.h"
#include "history/HistoryTexts.h"
#include "info/CalibrationGrid.h"
#include "info/CurveChart.h"
#include "report/ReportButton.h"
#include "state/LogCategories.h"
#include "state/ProgramFiles.h"
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
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace
{
constexpr int kIdRole = Qt::UserRole;
constexpr int kListLines = 5; // lines the gauge list and the timeline show at least
// What the window asks for at most: a 1366 x 768 screen less a window frame and a panel.
constexpr QSize kLaptopRoom(1300, 680);
constexpr QSize kGridLeast(200, 120); // a calibration table scrolls below this
constexpr int kLabelLetters = 24;     // width of a table's label column in average letters
constexpr int kValueLetters = 12;
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

frmHistory::frmHistory(HistoryStore* store, HistoryLogin* login, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(store), m_login(login)
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
    cmdReport = new ReportButton(this);
    cmdReport->setSource([this]() -> QCoro::Task<std::optional<ServiceReport>> {
        co_return chosenVisitReport(); // at once: the window reads the history itself
    });
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
    const QString text = txtLocation->text().trimmed();
    const QString shown = HistoryLocation::withoutPassword(text);
    txtLocation->setText(shown);
    if (!m_login)
        return;
    QCoro::connect(m_login->open(text), this, [this, shown](const HistoryOpenResult& r) {
        m_openError = r.ok ? QString() : r.error;
        if (r.ok)
            emit locationOpened(shown);
        refresh();
    });
}

QSize frmHistory::sizeHint() const
{
    return QWidget::sizeHint().boundedTo(kLaptopRoom);
}

// The two tables and the chart side by side, each as wide as it needs while there is room.
QSplitter* frmHistory::compareSplitter()
{
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("splitCompare"));
    split->setChildrenCollapsible(false);
    for (int slot = 0; slot < 2; ++slot) {
        auto* column = new QWidget(split);
        auto* choice = new QHBoxLayout;
        choice->addWidget(lblSnapshot[slot]);
        choice->addWidget(cboSnapshot[slot], 1);
        auto* stack = new QVBoxLayout(column);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->addLayout(choice);
        stack->addWidget(grdSnapshot[slot], 1);
        split->addWidget(column);
        split->setStretchFactor(slot, 0);
    }
    split->addWidget(chartCompare);
    split->setStretchFactor(2, 1);
    return split;
}

void frmHistory::layoutControls()
{
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRefresh);
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdReport);
    buttons->addWidget(lblStatus, 1);
    lblStatus->setMinimumWidth(0);
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* lists = new QSplitter(Qt::Horizontal, this);
    lists->setChildrenCollapsible(false);
    lists->addWidget(lstGauges);
    lists->addWidget(tvwTimeline);
    lists->setStretchFactor(0, 2);
    lists->setStretchFactor(1, 3);

    auto* compare = new QWidget(this);
    auto* compareLayout = new QVBoxLayout(compare);
    compareLayout->setContentsMargins(0, 0, 0, 0);
    compareLayout->addWidget(lblCompare);
    compareLayout->addWidget(compareSplitter(), 1);

    auto* parts = new QSplitter(Qt::Vertical, this);
    parts->setObjectName(QStringLiteral("splitParts"));
    parts->setChildrenCollapsible(false);
    parts->addWidget(lists);
    parts->addWidget(compare);
    parts->setStretchFactor(1, 1);

    auto* location = new QHBoxLayout;
    location->addWidget(lblLocation);
    location->addWidget(txtLocation, 1);
    location->addWidget(cmdOpen);

    auto* main = new QVBoxLayout(this);
    main->addLayout(location);
    main->addLayout(buttons);
    main->addWidget(parts, 1);
}

// The calibration table as the information window has it, but free to shrink (it scrolls then)
// and with narrower columns: a long label is cut short and shown whole as its tip.
void frmHistory::fitGrid(QTableWidget& grid)
{
    CalibrationGrid::format(grid, logicalDpiX());
    const int letter = grid.fontMetrics().averageCharWidth();
    grid.setColumnWidth(0, kLabelLetters * letter);
    for (int c = 1; c < grid.columnCount(); ++c)
        grid.setColumnWidth(c, kValueLetters * letter);
    for (int r = 0; r < grid.rowCount(); ++r)
        grid.item(r, 0)->setToolTip(grid.item(r, 0)->text());
    grid.setMinimumSize(kGridLeast);
    grid.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    grid.setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
}

void frmHistory::applyLanguage()
{
    setWindowTitle(HistoryTexts::windowTitle());
    lstGauges->setHeaderLabels(HistoryTexts::gaugeHeaders());
    tvwTimeline->setHeaderLabels(HistoryTexts::timelineHeaders());
    cmdExport->setText(HistoryTexts::exportCaption());
    cmdRefresh->setText(HistoryTexts::refreshCaption());
    cmdReport->applyLanguage();
    lblLocation->setText(HistoryTexts::locationCaption());
    cmdOpen->setText(HistoryTexts::openCaption());
    txtLocation->setToolTip(HistoryTexts::locationHint());
    lblCompare->setText(HistoryTexts::compareCaption());
    for (int slot = 0; slot < 2; ++slot)
        lblSnapshot[slot]->setText(HistoryTexts::snapshotSlot(slot));
    chartCompare->applyLanguage();
    for (QTableWidget* grid : grdSnapshot)
        fitGrid(*grid);
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
    QString text;
    if (!m_openError.isEmpty())
        text = HistoryTexts::openFailed(m_openError, storeOpen() ? m_store->location() : QString());
    else if (!storeOpen())
        text = HistoryTexts::notOpen(m_store ? m_store->lastError() : QString());
    else if (!m_lastExport.isEmpty())
        text = HistoryTexts::exported(m_lastExport);
    else
        text = HistoryTexts::openAt(m_store->location());
    if (storeOpen() && !m_sync.server.isEmpty())
        text += QStringLiteral(" \u2013 ") + HistoryTexts::syncLine(m_sync, m_store->backlog());
    lblStatus->setText(text);
    lblStatus->setToolTip(text); // the line may be cut short
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
    cmdReport->setEnabled(known && !m_visits.isEmpty());
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

qint64 frmHistory::chosenVisit() const
{
    const QTreeWidgetItem* item = tvwTimeline->currentItem();
    if (item && item->parent())
        item = item->parent();
    if (item)
        return item->data(TimeColumn, kIdRole).toLongLong();
    return m_visits.isEmpty() ? 0 : m_visits.first().id;
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
    const QString folder = ProgramFiles::dialogFolder(sharedState().ProgramFolder);
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
