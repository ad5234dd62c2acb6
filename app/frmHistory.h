#pragma once

#include "history/HistoryTypes.h"

#include <QList>
#include <QWidget>
#include <array>
#include <optional>

class CurveChart;
class HistoryLogin;
class HistoryStore;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class ReportButton;
struct ServiceReport;

// The service history of the gauges: the gauges seen, most recently seen first; the chosen
// gauge's visits with their events as a timeline; two of its record snapshots side by side
// (curves and calibration tables, differing values in bold, as in the information window); and
// the export of its history as CSV; the service report of a visit. The window only reads the
// history; it shows it afresh each time it is shown. A history that is not open shows an empty
// list and a line saying so. It fits a 1366 x 768 screen; splitters share out less room than that
// between lists, tables and chart.
class frmHistory : public QWidget
{
    Q_OBJECT
public:
    // store: the history the window shows (may be null or not open: the window shows nothing);
    // login: opens what the location field names (may be null: Open does nothing).
    explicit frmHistory(HistoryStore* store, HistoryLogin* login = nullptr,
                        QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // Captions in the current language (the language switch calls it).
    void applyLanguage();
    // Reads the list of gauges again; the chosen gauge stays chosen while it is listed.
    void refresh();
    // Shows the gauge with this id (timeline and snapshots); 0 shows none.
    void showGauge(qint64 gaugeId);
    qint64 shownGauge() const { return m_gaugeId; }
    // Compares the snapshots at these positions of the gauge's list (oldest first).
    void compareSnapshots(int first, int second);
    // Asks for a file (UserDialogs) and writes the shown gauge's history into it as CSV.
    void cmdExport_Click();
    // The history named in the location field is to be used from now on (empty: the default);
    // its password is taken out of the field at once. One that does not open is named in the
    // status line, and the history shown stays.
    void cmdOpen_Click();
    // The visit chosen in the timeline (the one an event belongs to), else the newest; 0: none.
    qint64 chosenVisit() const;
    // The service report of the chosen visit; nothing when the history does not hold it.
    std::optional<ServiceReport> chosenVisitReport() const;
    // How the synchronisation with a shared server goes: one line beside the history's name.
    void showSyncStatus(const HistorySyncStatus& status);

signals:
    // Another history was opened: an SQLite file or a postgresql:// URL without its password;
    // empty: the default.
    void locationOpened(const QString& location);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void createCompareControls();
    void layoutControls();
    QSplitter* compareSplitter();
    void fitGrid(QTableWidget& grid);
    void fillGauges(const QList<GaugeSummary>& gauges);
    void fillTimeline(const QList<VisitSummary>& visits);
    QTreeWidgetItem* eventItem(const HistoryEvent& event);
    void fillSnapshotChoices();
    void showComparison();
    void showStatus();
    bool storeOpen() const;

    QLabel* lblStatus = nullptr;
    QTreeWidget* lstGauges = nullptr;
    QTreeWidget* tvwTimeline = nullptr;
    QLabel* lblCompare = nullptr;
    std::array<QLabel*, 2> lblSnapshot{};
    std::array<QComboBox*, 2> cboSnapshot{};
    std::array<QTableWidget*, 2> grdSnapshot{};
    CurveChart* chartCompare = nullptr;
    QPushButton* cmdExport = nullptr;
    QPushButton* cmdRefresh = nullptr;
    ReportButton* cmdReport = nullptr;
    QLabel* lblLocation = nullptr;
    QLineEdit* txtLocation = nullptr;
    QPushButton* cmdOpen = nullptr;

    HistoryStore* m_store = nullptr;
    HistoryLogin* m_login = nullptr;
    QString m_openError; // why the last Open failed
    qint64 m_gaugeId = 0;
    QList<GaugeSummary> m_gauges;
    QList<VisitSummary> m_visits;
    QList<HistorySnapshot> m_snapshots;
    QString m_lastExport; // the path of the last export, for the status line
    HistorySyncStatus m_sync;
};
