#pragma once

#include "info/TransferResult.h"

#include <QString>

class CancelToken;
class CommandChannel;

// Writes hex text into a file of the gauge: remove the old file, create the new one with its
// size, write it in chunks of 32 bytes, close it. The data are checked completely before the
// first command; every wait is bounded; a failure after the create closes the device file where
// the link still allows. Messages and the question go through userDialogs().
class FileWriter
{
public:
    static constexpr int kChunkCharacters = 64; // 32 bytes per write command

    explicit FileWriter(CommandChannel& channel, const CancelToken* cancel = nullptr)
        : m_channel(channel), m_cancel(cancel)
    {
    }

    // Refuses malformed hex text with a message (InvalidData) and asks before data that are not
    // exactly one 400-byte record are written, default No (Declined). Sends nothing.
    static TransferResult confirmData(const QString& hex);

    // confirmData, then the write.
    TransferResult Schreibe_Com(const QString& name, const QString& hex);
    // The write of data already confirmed (malformed text is still refused, without question).
    TransferResult writeConfirmed(const QString& name, const QString& hex);

private:
    TransferResult remove(const QString& name);
    TransferResult create(const QString& name, int bytes, int& handle);
    TransferResult writeChunks(int handle, const QString& hex);
    TransferResult closeAfterFailure(TransferResult failure, int handle);

    CommandChannel& m_channel;
    const CancelToken* m_cancel;
};
