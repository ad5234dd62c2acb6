#pragma once

#include <QObject>
#include <QString>

// What a running write of the information window reports on its way, for the window to show.
// The window connects these with itself as the context, so they end with the window; the
// sequence holds the object until it has ended.
class InfoEvents : public QObject
{
    Q_OBJECT
signals:
    // A write starts: the note of an earlier backup is out of date.
    void writeStarted();
    // The backup of the gauge's file has been saved at path, before anything is written.
    void backupSaved(const QString& path);
    // The gauge had no such file: nothing was backed up, the write creates it.
    void backupSkipped(const QString& deviceFile);
};
