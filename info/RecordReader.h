#pragma once

#include "info/RawFileReader.h"
#include "info/TransferResult.h"

#include <QObject>
#include <QString>

class CancelToken;
class CommandChannel;

// Reads one of the gauge's record files ("probe" or "factory"): open, read in blocks of at most
// 32 bytes, decode into sharedState().Record, close, and after "probe" the identity request.
// On success the file's hex text is in ProbeData ("probe") or FactoryData (any other name).
// Every wait is bounded; no widgets, no messages: the caller reports the typed result.
class RecordReader : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBlockBytes = RawFileReader::kBlockBytes;

    explicit RecordReader(CommandChannel& channel, const CancelToken* cancel = nullptr,
                          QObject* parent = nullptr);

    TransferResult Lese_Com(const QString& name);

signals:
    // The record has been decoded into the shared state (the table shows it now).
    void recordDecoded();
    // The identity request is about to go out; the revision field has been emptied.
    void identityRequested();

private:
    TransferResult requestIdentity();

    CommandChannel& m_channel;
    const CancelToken* m_cancel;
};
