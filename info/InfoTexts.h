#pragma once

#include "info/HexText.h"
#include "info/WriteGuard.h"
#include "link/DeviceOutcome.h"

#include <QString>

// Texts of the information window's transfers that the catalogue does not hold, in the current
// language (the shared LanguageIndex: 0 German, anything else English).
namespace InfoTexts
{
// Shown instead of a read when no gauge is connected.
QString notConnected();
// The reason of a failed transfer, one short sentence.
QString failureReason(const DeviceOutcome& result);
// The read-failure message: catalogue entry 26, then the reason on a line of its own.
QString readFailed(const DeviceOutcome& result);
// The description part of a failed write's error report (entry 24, or 25 for the close step).
QString writeFailed(const DeviceOutcome& result);
// Malformed hex text refused before anything is sent.
QString hexRefused(const HexText::Check& check, int characters);
// The question before writing data that are not exactly one 400-byte record.
QString notOneRecord(int bytes);
// The busy indicator's text after a failed or cancelled transfer (never the ready text).
QString failedIndicator();
// English name of a hex problem (log and command-line tool).
QString hexProblemName(HexText::Problem problem);

// Safe writes (backup, guard, verify, restore).
// The question before writing data of another gauge or probe type, both values shown, or data
// that cannot be compared with the gauge's file because it has none.
QString guardQuestion(const WriteGuard::Check& check, const QString& deviceFile);
// What to tell the user about a safe write that did not succeed; empty where nothing is to be
// said (success, a No, a cancel, data the check before the write has already refused).
QString safeWriteFailed(const DeviceOutcome& result);
// "Backup to restore from: <path>" (empty path: empty text).
QString restoreHint(const QString& backupPath);
// A write cancelled once the gauge's file had changed: the file is incomplete, the backup and
// restoreStep (how to write it back), or that there is no backup.
QString incompleteWrite(const DeviceOutcome& result, const QString& restoreStep);
// How the window program writes a backup back.
QString restoreInWindow();
// The ready text of a verified write: "Bereit – geprüft", "Ready – verified".
QString verifiedReady(const QString& readyText);
// The status line naming the backup just taken: "Sicherung: <path>".
QString backupSavedNote(const QString& backupPath);
// The gauge had no such file, so nothing was backed up before the write.
QString noBackupNote(const QString& deviceFile);
// Restore in the information window.
QString restoreCaption();
QString noBackups();
QString restoreQuestion(const QString& backupPath, const QString& deviceFile);
} // namespace InfoTexts
