#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Where the copies of the gauge's files taken before a write are kept, and how they are named.
// A backup is in the download format (one line of hex text plus CR LF) and named
// "<serial>_<device file>_<yyyyMMdd-HHmmss>", with "-2", "-3", ... added when a backup of the
// same second exists already: an earlier backup is never replaced.
//
// The folder is "backup" in the program's folder, or, where that cannot be created or written,
// "backup" in the user's application-data folder. A folder given explicitly is used as it is.
struct BackupSaveResult {
    bool ok = false;
    QString path;        // the file written (ok)
    QString description; // English, with the path (failure)
};

// The parts of a backup's file name.
struct BackupName {
    bool ok = false;
    QString serialNumber; // decimal, or "unknown"
    QString deviceFile;   // "probe", "factory"
    QDateTime time;
};

class BackupStore
{
public:
    static constexpr const char* kFolderName = "backup";
    static constexpr const char* kTimeFormat = "yyyyMMdd-HHmmss";

    // Backups in this folder, used as it is.
    explicit BackupStore(const QString& folder) : m_folder(folder) {}
    // Backups in the usual folder for a program in programFolder, chosen at each save.
    static BackupStore besideProgram(const QString& programFolder);

    // The usual folder: <programFolder>/backup, else <app data>/backup; created when missing.
    // Empty when neither can be created or written.
    static QString defaultFolder(const QString& programFolder);

    // The folder the next save goes to (the given one, or the usual choice now).
    QString folder() const;

    // "20261205_probe_20261206-141015"; serial "unknown" when the record is too short to hold it.
    static QString fileName(const QString& hex, const QString& deviceFile, const QDateTime& time);
    // Splits a name made by fileName (with or without the "-n" suffix). Total on any text.
    static BackupName parseName(const QString& fileName);

    // Writes hex + CR LF into a new file in folder().
    BackupSaveResult save(const QString& hex, const QString& deviceFile,
                          const QDateTime& time = QDateTime::currentDateTime()) const;

    // Full paths of the backups in folder(), newest first; only names parseName accepts.
    QStringList list() const;

private:
    BackupStore() = default;
    QString m_folder;
    QString m_programFolder; // m_folder empty: the usual folder for this program folder
};
