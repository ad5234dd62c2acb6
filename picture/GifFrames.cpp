#include "picture/GifFrames.h"

#include "picture/LeBytes.h"

namespace
{
constexpr qint64 kScreenPackedAt = 10;
constexpr qint64 kHeaderSize = 13;
constexpr quint8 kExtension = 0x21;
constexpr quint8 kImage = 0x2c;
constexpr quint8 kGraphicControl = 0xf9;
constexpr qint64 kDelayInControlAt = 4; // from the extension introducer
constexpr qint64 kImageDescriptorSize = 10;
constexpr qint64 kImagePackedAt = 9;
constexpr quint8 kHasColourTable = 0x80;
constexpr int kMillisecondsPerTick = 10;

quint8 byteAt(const QByteArray& data, qint64 at)
{
    return at >= 0 && at < data.size() ? quint8(data.at(at)) : 0;
}
} // namespace

qint64 GifFrames::colourTableSize(quint8 packed)
{
    return (packed & kHasColourTable) ? 3 * (qint64(2) << (packed & 7)) : 0;
}

qint64 GifFrames::skipSubBlocks(const QByteArray& data, qint64 at)
{
    while (at < data.size() && byteAt(data, at) != 0)
        at += byteAt(data, at) + 1;
    return at + 1;
}

QList<int> GifFrames::delays(const QByteArray& data)
{
    QList<int> result;
    if (!data.startsWith("GIF") || data.size() < kHeaderSize)
        return result;
    qint64 at = kHeaderSize + colourTableSize(byteAt(data, kScreenPackedAt));
    int pendingDelay = 0;
    while (at < data.size() && result.size() < kMaxFrames) {
        const quint8 block = byteAt(data, at);
        if (block == kExtension) {
            if (byteAt(data, at + 1) == kGraphicControl)
                pendingDelay = LeBytes::u16(data, at + kDelayInControlAt).value_or(0);
            at = skipSubBlocks(data, at + 2);
        } else if (block == kImage) {
            if (at + kImageDescriptorSize >= data.size())
                break; // descriptor cut off: no frame
            result.append(pendingDelay * kMillisecondsPerTick);
            pendingDelay = 0;
            at += kImageDescriptorSize + colourTableSize(byteAt(data, at + kImagePackedAt));
            at = skipSubBlocks(data, at + 1); // past the LZW code size
        } else {
            break; // trailer or damage
        }
    }
    return result;
}
