#pragma once

#include <QString>

// The service log "ZVServiceLog.txt" in the program's folder: Windows-1252 lines ended by CR LF,
// each written by opening, writing and closing the file. Failures are swallowed: the line is
// lost, nothing is shown, the caller goes on.
//
// Where the program's folder (or a log file already there) cannot be written, the log goes to
// the user's application-data folder instead. StartServiceLog decides this once and names the
// chosen file in sharedState().LogFilePath; AppendServiceLog keeps writing to that file.

// The log's file name.
QString serviceLogFileName();

// Recreates the log: its content becomes one line holding a single blank.
void StartServiceLog();

// Appends `line` plus CR LF; carriage returns inside the line are written unchanged.
void AppendServiceLog(const QString& line);

// The error message of a handler that moves data: "<number>   <source>" CR "<description>   "
// and the log file's path (LogFilePath).
QString errorReport(int number, const QString& source, const QString& description);
