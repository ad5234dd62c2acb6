#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// What the service history holds, as plain values for the window and the command-line tool.

// One gauge, known by the serial number of its probe record (or, until a record has been read,
// by its MAC alone: serial empty).
struct GaugeSummary {
    qint64 id = 0;
    QString serial;
    QString mac;
    QString hardware; // identity fields as last seen
    QString controler;
    QString build;
    QString revision;
    QDateTime firstSeen; // UTC
    QDateTime lastSeen;  // UTC
    int visits = 0;
};

// What happened during a visit. Kinds are stable English words, stored as they stand and
// translated only where they are shown.
enum class HistoryEventKind {
    Identity,     // identity fields read
    RecordRead,   // a record read (snapshotId set)
    Backup,       // a backup of a gauge file saved on the PC (path)
    Write,        // a gauge file written (ok, verified, first differing byte)
    Restore,      // a backup written back (path, ok)
    LanguageFile, // a language file sent (name, bytes, ok)
    Reset,        // memory reset (ok)
    ClockRead,    // the gauge's clock read (gaugeTime against pcTime)
    ClockSet,     // the gauge's clock set to pcTime
    Battery,      // a battery reading (value)
};

// The stable word of a kind ("identity", "read", "backup", "write", "restore", "language",
// "reset", "clock-read", "clock-set", "battery") and back; unknown text gives nullopt.
QString historyEventKindName(HistoryEventKind kind);
std::optional<HistoryEventKind> historyEventKindFromName(QStringView name);

struct HistoryEvent {
    qint64 id = 0;
    qint64 visitId = 0;
    QDateTime at; // UTC
    HistoryEventKind kind = HistoryEventKind::Identity;
    QString file;                // "probe", "factory", a language file's name, or empty
    bool ok = true;              // the operation's outcome
    QString detail;              // English detail (failure, identity text, battery value ...)
    QString path;                // backup path where one belongs to the event
    qint64 bytes = -1;           // size of a language file or a written record; -1 none
    int differingByte = -1;      // verify mismatch: first differing byte offset; -1 none
    qint64 snapshotId = 0;       // RecordRead / Write: the snapshot of the content; 0 none
    QDateTime gaugeTime;         // ClockRead: what the gauge said (as local time of the gauge)
    QDateTime pcTime;            // ClockRead / ClockSet: the PC's local time at that moment
    qint64 driftSeconds() const; // ClockRead: gaugeTime - pcTime in seconds; 0 without both
};

struct VisitSummary {
    qint64 id = 0;
    qint64 gaugeId = 0;
    QDateTime start; // UTC
    QDateTime end;   // UTC; invalid while the visit is open (or was cut off)
    QString programVersion;
    QString computer;
    QString user;
    QList<HistoryEvent> events; // in time order
};

// The content of one gauge file as read, stored once per distinct content per gauge.
struct HistorySnapshot {
    qint64 id = 0;
    qint64 gaugeId = 0;
    QString file;        // "probe" or "factory"
    QString hex;         // upper-case hex text as read
    QDateTime firstSeen; // UTC
};

// What of this PC's file is not on the shared server yet.
struct HistoryBacklog {
    int events = 0;  // events waiting
    int changes = 0; // other rows waiting (gauges, visits, snapshots)
    QDateTime since; // UTC: when the oldest waiting event happened
};

// How the synchronisation with the shared server went (none configured: server empty).
struct HistorySyncStatus {
    QString server;       // the server's URL as configured, without its password
    bool reached = false; // the last round went through
    QString error;        // English: why the last round did not
    QDateTime lastSynced; // UTC; invalid until a round went through in this run
};
