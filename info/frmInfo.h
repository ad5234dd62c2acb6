#pragma once

#include "info/InfoSequences.h"
#include "info/ViewTexts.h"
#include "report/ReportButton.h"

#include <QCoroTask>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class BleLink;
class BusyIndicator;
class CurveChart;
class GaugeSession;
class SequenceRunner;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;

// The technical-information window: the gauge's identity, the calibration table of its "probe"
// and "factory" files, and the hidden service functions (download, probe upload, factory
// overwrite, restore) that the key sequence in the Build field shows. After a write the report
// button offers the service report of the current visit.
//
// The window only shows and forwards: a button runs one of the InfoSequences on the connected
// gauge's session through the window's SequenceRunner. What the sequences read is the session's;
// the window shows it from there and copies it into the shared variables its Parts name. The
// sequence reports through events connected with the window as their context and hands its
// outcome back the same way, so nothing reaches the window once it is gone; closing or
// destroying the window cancels the sequence. The controls are private; they carry the names of
// the original form as object names.
class frmInfo : public QWidget
{
    Q_OBJECT
public:
    explicit frmInfo(BleLink* link, QWidget* parent = nullptr);
    ~frmInfo() override;

    // Button and frame captions in the current language (the language switch calls it).
    void applyLanguage();
    // Lays out the calibration table; values and the top-left cell stay as they are.
    void FormatMSFlex();
    // Writes the decoded record (sharedState().Record) and CurrentFileName into the table.
    void FillMSFlex();

    // Key-down of the Build field: keyCode is the Windows virtual-key code (25 = Kanji/Hanja
    // or right Ctrl, 81 = 'Q', 51 = '3'); shift is not used.
    void txtBuild_KeyDown(int keyCode, int shift);

    // Each starts its sequence unless one is running; the outcome shows when it has ended.
    void cmdDaten_Click();
    void cmdSpeichern_Click();
    void cmdEinspielen_Click();
    void cmdFactory_Click();
    // Writes a backup taken before an earlier write back into the gauge file it came from (after
    // a Yes, default No), with a backup of the current file and the verify of every write. The
    // menu of cmdRestore lists the backups, newest first; each entry calls this.
    void restoreBackup(const QString& backupPath);

    // Where the report button gets the current visit's report from.
    void setReportSource(ReportButton::Source source) { cmdReport->setSource(std::move(source)); }

    // A sequence of this window is running (its transfer buttons are disabled meanwhile).
    bool isBusy() const;

    // Redraws the curves from ProbeData and FactoryData and marks the cells that differ.
    void refreshViews();
    // Shows the chosen record in the table (when its data decode) and marks the differences.
    void showRecord(ViewTexts::Record record);
    ViewTexts::Record shownRecord() const;

signals:
    // A sequence started (true) or ended (false).
    void busyChanged(bool busy);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void layoutControls();
    void Form_Load();
    void showIdentity();
    void createViews();
    // The connected gauge's session changed: its reads and identity are followed from now on.
    void followSession();
    // A record was read or written in the session: into the shared variables, and the table.
    void recordChanged(const QString& file);
    // The link dropped and what was read is forgotten: the table asks for a read.
    void showNothingRead();
    void markDifferences();
    void enableTransferButtons(bool enabled);
    // Tools and events for a sequence, or nothing while one runs.
    std::optional<InfoTools> beginTransfer();
    // Runs the sequence and shows its outcome once it has ended: the ready text (after the
    // pause) on success, an empty box when the user declined, the failure text otherwise.
    void follow(Sequence<DeviceOutcome> sequence, QString readyText, QString verifiedText,
                bool showFactory = false);
    void endTransfer(const DeviceOutcome& outcome, const QString& readyText,
                     const QString& verifiedText);
    void createRestoreControls();
    void fillRestoreMenu();

    QGroupBox* frmInfoFrame = nullptr; // the "Info" frame with the identity fields
    QLabel* lblHardware = nullptr;
    QLabel* lblMac = nullptr;
    QLabel* lblControler = nullptr;
    QLabel* lblBuild = nullptr;
    QLabel* lblRevision = nullptr;
    QLineEdit* txtHardware = nullptr;
    QLineEdit* txtMac = nullptr;
    QLineEdit* txtControler = nullptr;
    QLineEdit* txtBuild = nullptr;
    QLineEdit* txtRevision = nullptr;
    QGroupBox* frmTInfo = nullptr;
    QTableWidget* MSFlexGrid1 = nullptr;
    QPushButton* cmdDaten = nullptr;
    QPushButton* cmdSpeichern = nullptr;
    QPushButton* cmdEinspielen = nullptr;
    QPushButton* cmdFactory = nullptr;
    QPushButton* cmdRestore = nullptr; // hidden; shown with cmdFactory (frmInfoRestore.cpp)
    ReportButton* cmdReport = nullptr; // hidden until a write has started
    QLineEdit* TraceBox = nullptr;
    QTimer* TimerTrace = nullptr;
    QLabel* lblBackup = nullptr; // names the backup taken before the last write
    // Curves of both records and the choice which record the table shows (frmInfoViews.cpp).
    CurveChart* chartCurves = nullptr;
    QRadioButton* optFactory = nullptr;
    QRadioButton* optProbe = nullptr;

    QPointer<BleLink> m_link;
    QPointer<GaugeSession> m_session; // the session whose reads the window follows
    // Runs the window's sequences; cancels the running one when the window closes or goes.
    SequenceRunner* m_runner = nullptr;
    BusyIndicator* m_indicator = nullptr;
    QString m_keySequence;
    QString m_savedBuildText;
    bool m_reading = false; // the running sequence reads: a record read goes into the table
};
