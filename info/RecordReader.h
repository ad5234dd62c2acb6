#pragma once

#include "link/TransferResult.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

class CancelToken;
class CommandChannel;

// Reads one of the gauge's record files ("probe" or "factory"): open, read in blocks of at most
// 32 bytes into FileHex, decode into sharedState().Record, close, and after "probe" the identity
// request. On success the file's hex text is in ProbeData ("probe") or FactoryData (any other
// name). No widgets, no messages: the caller reports the typed result. The reader must live
// until the read has ended.
class RecordReader : public QObject
{
    Q_OBJECT
public:
    explicit RecordReader(CommandChannel& channel, const CancelToken* cancel = nullptr,
                          QObject* parent = nullptr);

    QCoro::Task<TransferResult> Lese_Com(QString name);

signals:
    // The record has been decoded into the shared state (the table shows it now).
    void recordDecoded();
    // The identity request is about to go out; the revision field has been emptied.
    void identityRequested();

private:
    CommandChannel& m_channel;
    const CancelToken* m_cancel;
};

// The identity request IdentityCommand + CommandTerminator and the wait until the identity reply
// has filled the revision: a gauge error when the reply came without one.
QCoro::Task<TransferResult> requestIdentity(CommandChannel& channel, const CancelToken* cancel);
