#pragma once

#include "info/BackupStore.h"
#include "link/DeviceOutcome.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

class CancelToken;
class GaugeSession;
class UserDialogs;

// A calibration write with a safety net around the plain file write:
//   1. the gauge's current file is read; a gauge that has no such file (or gives no handle for
//      it) has nothing to back up (noted); if the read fails, nothing is written;
//   2. guard: data whose serial number or probe type differ from the gauge's current file, or
//      cannot be compared with it because there is none, are written only after a Yes (default
//      No) through the dialogs; after a No nothing is saved, written or reported;
//   3. backup: the file read in 1 is saved (BackupStore), and the service log names the copy;
//      if the save fails, nothing is written;
//   4. the write (FileWriter), creating the file where the gauge had none;
//   5. verify: the file is read back and compared byte for byte with what was sent.
// Only a match is success. The outcome names the failing step (Backup, Guard, the write's
// steps, Verify; PcFile for a restore's file) and is logged; messages are left to the caller
// (InfoTexts::safeWriteFailed gives the text). A write cancelled after the gauge's file was
// changed comes back with fileIncomplete. The writer must live until the write has ended.
class SafeWriter : public QObject
{
    Q_OBJECT
public:
    SafeWriter(GaugeSession& session, UserDialogs& dialogs, BackupStore store,
               const CancelToken* cancel = nullptr, QObject* parent = nullptr);

    void setBackupFolder(const QString& folder) { m_store = BackupStore(folder); }
    const BackupStore& backupStore() const { return m_store; }

    // Writes hex (already accepted by FileWriter::confirmData) into the gauge's deviceFile.
    QCoro::Task<DeviceOutcome> write(QString deviceFile, QString hex);

    // Loads a PC copy in the download format from path, checks it like an upload
    // (FileWriter::confirmData: refusal message, question for a size other than one record) and
    // writes it into deviceFile with write(). Nothing is sent before the file has passed.
    QCoro::Task<DeviceOutcome> writeFromFile(QString path, QString deviceFile);
    // writeFromFile for a backup, with a service-log line naming it.
    QCoro::Task<DeviceOutcome> restore(QString path, QString deviceFile);

signals:
    // The backup has been saved at path (before anything is written).
    void backupSaved(const QString& path);
    // The gauge had no file of that name: there is no backup, the write creates the file.
    void backupSkipped(const QString& deviceFile);

private:
    QCoro::Task<DeviceOutcome> attempt(QString deviceFile, QString hex);
    // Tells the session's journal how the write ended (not when nothing could be sent).
    void report(const DeviceOutcome& outcome, const QString& hex) const;
    // The gauge's file (empty when it has none), or the failure of its read.
    QCoro::Task<DeviceResult<QString>> readGaugeFile(QString deviceFile);
    // Saves gaugeHex as the backup: the failure, or success with the backup's path.
    DeviceOutcome saveBackup(const QString& deviceFile, const QString& gaugeHex);
    bool guardAllows(const QString& deviceFile, const QString& hex, const QString& gaugeHex);
    QCoro::Task<DeviceOutcome> verify(QString deviceFile, DeviceOutcome written, QString hex);
    // The outcome for deviceFile, logged.
    static DeviceOutcome finish(DeviceOutcome outcome, const QString& deviceFile);

    GaugeSession& m_session;
    UserDialogs& m_dialogs;
    const CancelToken* m_cancel;
    BackupStore m_store;
};
