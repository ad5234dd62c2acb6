#pragma once

#include "link/DeviceOutcome.h"

#include <QCoroTask>
#include <QString>

class CancelToken;
class GaugeSession;
class UserDialogs;

// Writes hex text into a file of the gauge: remove the old file, create the new one with its
// size, write it in chunks of 32 bytes, close it (the gauge's file commands: DeviceFile). The
// data are checked completely before the first command; a failure after the create closes the
// device file where the link still allows. Messages and the question go through the dialogs.
class FileWriter
{
public:
    static constexpr int kChunkCharacters = 64; // 32 bytes per write command

    FileWriter(GaugeSession& session, UserDialogs& dialogs, const CancelToken* cancel = nullptr)
        : m_session(session), m_dialogs(dialogs), m_cancel(cancel)
    {
    }

    // Refuses malformed hex text with a message (InvalidData) and asks before data that are not
    // exactly one 400-byte record are written, default No (Declined). Sends nothing.
    static DeviceOutcome confirmData(const QString& hex, UserDialogs& dialogs);

    // confirmData, then the write.
    QCoro::Task<DeviceOutcome> Schreibe_Com(QString name, QString hex);
    // The write of data already confirmed (malformed text is still refused, without question).
    QCoro::Task<DeviceOutcome> writeConfirmed(QString name, QString hex);

private:
    GaugeSession& m_session;
    UserDialogs& m_dialogs;
    const CancelToken* m_cancel;
};
