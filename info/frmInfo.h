#pragma once

#include "link/TransferResult.h"
#include "info/ViewTexts.h"
#include "link/DeviceBusy.h"

#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QWidget>
#include <memory>

class BusyIndicator;
class CancelToken;
class CommandChannel;
class CurveChart;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;
struct SafeWriteResult;

// The technical-information window: the gauge's identity, the calibration table of its "probe"
// and "factory" files, and the hidden service functions (download, probe upload, factory
// overwrite) that the key sequence in the Build field shows.
//
// The controls are public, as the other windows and the tests reach them directly.
class frmInfo : public QWidget
{
    Q_OBJECT
public:
    explicit frmInfo(CommandChannel* channel, QWidget* parent = nullptr);
    ~frmInfo() override;

    // Button and frame captions in the current language (the language switch calls it).
    void applyLanguage();
    // Lays out the calibration table; values and the top-left cell stay as they are.
    void FormatMSFlex();
    // Writes the decoded record (sharedState().Record) and CurrentFileName into the table.
    void FillMSFlex();

    // Key-down of the Build field: keyCode is the Windows virtual-key code (25 = Kanji/Hanja,
    // 81 = 'Q', 51 = '3'); shift is not used.
    void txtBuild_KeyDown(int keyCode, int shift);

    void cmdDaten_Click();
    void cmdSpeichern_Click();
    void cmdEinspielen_Click();
    void cmdFactory_Click();
    // Writes a backup taken before an earlier write back into the gauge file it came from (after
    // a Yes, default No), with a backup of the current file and the verify of every write. The
    // menu of cmdRestore lists the backups, newest first; each entry calls this.
    void restoreBackup(const QString& backupPath);

    // A transfer is running (the four buttons are disabled meanwhile).
    bool isBusy() const { return m_busy; }

    // Controls of the window.
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
    QLineEdit* TraceBox = nullptr;
    QTimer* TimerTrace = nullptr;
    QLabel* lblBackup = nullptr; // names the backup taken before the last write

    // Curves of both records and the choice which record the table shows (frmInfoViews.cpp).
    CurveChart* chartCurves = nullptr;
    QRadioButton* optFactory = nullptr;
    QRadioButton* optProbe = nullptr;
    // Redraws the curves from ProbeData and FactoryData and marks the cells that differ.
    void refreshViews();
    // Shows the chosen record in the table (when its data decode) and marks the differences.
    void showRecord(ViewTexts::Record record);
    ViewTexts::Record shownRecord() const;

    // Unlock sequence state (decimal key codes typed since the last reset).
    QString keySequence() const { return m_keySequence; }

signals:
    // A transfer started (true) or ended (false); the main window disables its device buttons.
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
    void markDifferences();
    void setBusy(bool busy);
    void enableTransferButtons(bool enabled);
    bool beginTransfer();
    void endTransfer(TransferStatus status, const QString& readyText);
    TransferResult readDevice(const QString& name);
    TransferStatus uploadProbeFrom(const QString& folder, bool& written);
    // Backup, guard, write, verify (frmInfoRestore.cpp); shows the backup and any failure.
    SafeWriteResult safeWrite(const QString& deviceFile, const QString& hex,
                              const QString& restoreFrom = QString());
    void createRestoreControls();
    void fillRestoreMenu();

    QPointer<CommandChannel> m_channel;
    BusyIndicator* m_indicator = nullptr;
    QSharedPointer<CancelToken> m_cancel;
    // Held while this window moves data: every window's device buttons wait for it.
    std::unique_ptr<DeviceBusy::Guard> m_channelBusy;
    QString m_keySequence;
    QString m_savedBuildText;
    bool m_busy = false;
};
