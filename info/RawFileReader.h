#pragma once

#include "info/TransferResult.h"

#include <QString>

class CancelToken;
class CommandChannel;

// Reads a device file as it is, without decoding it: open, read in blocks of at most 32 bytes,
// close. Unlike the record reader it leaves the decoded record, ProbeData, FactoryData, FileHex
// and the identity alone, so a backup or a check after a write changes nothing the windows show.
// Every wait is bounded; a failure after the open still closes the file where the link allows.
class RawFileReader
{
public:
    static constexpr int kBlockBytes = 32;
    // Longer announced lengths are taken for a garbled open reply.
    static constexpr int kMaxFileBytes = 65536;

    explicit RawFileReader(CommandChannel& channel, const CancelToken* cancel = nullptr)
        : m_channel(channel), m_cancel(cancel)
    {
    }

    // The file's content as hex text (two upper- or lower-case digits per byte, as the gauge
    // sent them) in hex. On failure hex is empty.
    TransferResult read(const QString& name, QString& hex);

    // The steps, for readers that do more between them (the record reader decodes before the
    // close). open: "$fr?name!", a usable handle and length or a failure (the handle closed
    // again; missingFile when the gauge has no such file). readBlocks: "$rd?" per 32 bytes, each
    // reply's data appended to hex as they come, whatever their count; data beyond the announced
    // length (padding) are dropped at the end. read() refuses data shorter than announced.
    // closeAfterFailure: closes the file unless the link is gone and notes whether it stayed open.
    TransferResult open(const QString& name, int& handle, int& length);
    TransferResult readBlocks(int handle, int length, QString& hex);
    TransferResult closeAfterFailure(TransferResult failure, int handle);

private:
    CommandChannel& m_channel;
    const CancelToken* m_cancel;
};
