#pragma once

#include "state/SharedState.h"

#include <QDateTime>
#include <QString>

// Where the device sequences report what they did to a gauge, for the service history. The
// sequences call it as things happen and never wait for it or look at what it did with the
// report: a journal that cannot record says so itself (status line, service log) and the service
// work goes on. The default journal records nothing.
class ServiceJournal
{
public:
    virtual ~ServiceJournal() = default;

    // A link to a gauge is up (mac: the 12-digit ServerId) / down again.
    virtual void visitStarted(const QString& mac) { (void)mac; }
    virtual void visitEnded() {}

    // The gauge answered the identity request with these fields.
    virtual void identityRead(const IdentityFields& identity) { (void)identity; }
    // A gauge file read completely: "probe" or "factory" and its hex text.
    virtual void recordRead(const QString& file, const QString& hex) { (void)file, (void)hex; }
    // A write is about to change the gauge's file (its first command goes out next): what is
    // read from that file from now on may be the data written, not the gauge's own.
    virtual void fileWriteStarting(const QString& file) { (void)file; }
    // The gauge's file was saved on the PC before a write.
    virtual void backupSaved(const QString& file, const QString& path) { (void)file, (void)path; }
    // A write of hex into file ended: ok and verified, or not (differingByte >= 0 on a verify
    // mismatch, detail in English); backupPath the backup taken before, if any.
    virtual void fileWritten(const QString& file, const QString& hex, bool verified,
                             int differingByte, const QString& backupPath, const QString& detail)
    {
        (void)file, (void)hex, (void)verified, (void)differingByte, (void)backupPath, (void)detail;
    }
    // A backup written back into the gauge's file.
    virtual void backupRestored(const QString& file, const QString& backupPath, bool ok,
                                const QString& detail)
    {
        (void)file, (void)backupPath, (void)ok, (void)detail;
    }
    virtual void languageFileSent(const QString& name, qint64 bytes, bool ok, const QString& detail)
    {
        (void)name, (void)bytes, (void)ok, (void)detail;
    }
    virtual void memoryReset(bool ok, const QString& detail) { (void)ok, (void)detail; }
    // The gauge's clock as read (its text "YYYY-MM-DD/hh:mm:ss") against the PC's local time.
    virtual void clockRead(const QString& gaugeTimeText, const QDateTime& pcTime)
    {
        (void)gaugeTimeText, (void)pcTime;
    }
    // The set command went out with this time text (the PC's local time).
    virtual void clockSet(const QString& timeText) { (void)timeText; }
    virtual void batteryRead(double level) { (void)level; }
};
