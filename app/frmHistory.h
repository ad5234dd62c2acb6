#pragma once

#include "history/HistoryTypes.h"

#include <QList>
#include <QWidget>
#include <array>

class CurveChart;
class HistoryStore;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The service history of the gauges: the gauges seen, most recently seen first; the chosen
// gauge's visits with their events as a timeline; two of its record snapshots side by side
// (curves and calibration tables, differing values in bold, as in the information window); and
// the export of its history as CSV. The window only reads the history; it shows it afresh each
// time it is shown. A history that is not open shows an empty list and a line saying so.
class frmHistory : public QWidget
{
    Q_OBJECT
public:
    // store: the history the window shows (may be null or not open: the window shows nothing).
    explicit frmHistory(HistoryStore* store, QWidget* parent = nullptr);

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
    // The history named in the location field is to be used from now on (empty: the default).
    void cmdOpen_Click();
    // How the synchronisation with a shared server goes: one line beside the history's name.
    void showSyncStatus(const HistorySyncStatus& status);

signals:
    // The user chose another history: an SQLite file or a postgresql:// URL; empty: the default.
    void locationChosen(const QString& location);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void createCompareControls();
    void layoutControls();
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
    QLabel* lblLocation = nullptr;
    QLineEdit* txtLocation = nullptr;
    QPushButton* cmdOpen = nullptr;

    HistoryStore* m_store = nullptr;
    qint64 m_gaugeId = 0;
    QList<GaugeSummary> m_gauges;
    QList<VisitSummary> m_visits;
    QList<HistorySnapshot> m_snapshots;
    QString m_lastExport; // the path of the last export, for the status line
    HistorySyncStatus m_sync;
};
