#include "picture/IconDirectory.h"

#include "picture/LeBytes.h"

#include <limits>

namespace
{
constexpr qint64 kTypeAt = 2;
constexpr qint64 kCountAt = 4;
constexpr qint64 kHeaderSize = 6;
constexpr qint64 kEntrySize = 16;
constexpr qint64 kEntryBitCountAt = 6;
constexpr qint64 kEntryBytesAt = 8;
constexpr qint64 kEntryOffsetAt = 12;
constexpr qint64 kDibBitCountAt = 14;
constexpr int kPngBitCount = 32;
constexpr int kFullSide = 256; // a side of 0 in the directory means 256
const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

int side(const QByteArray& data, qint64 at)
{
    const int value = quint8(data.at(at));
    return value == 0 ? kFullSide : value;
}
} // namespace

std::optional<IconDirectory::Entry> IconDirectory::readEntry(const QByteArray& data, qint64 at)
{
    const auto bytes = LeBytes::u32(data, at + kEntryBytesAt);
    const auto offset = LeBytes::u32(data, at + kEntryOffsetAt);
    if (!bytes || !offset || *bytes == 0 || qint64(*offset) + *bytes > data.size())
        return std::nullopt;
    Entry e;
    e.width = side(data, at);
    e.height = side(data, at + 1);
    e.offset = *offset;
    e.size = *bytes;
    const QByteArray start = data.mid(e.offset, kPngSignature.size());
    e.png = start == kPngSignature;
    // The image itself states its depth; a cursor's entry holds the hot spot there instead.
    const auto dibBits = LeBytes::u16(data, e.offset + kDibBitCountAt);
    const auto entryBits = LeBytes::u16(data, at + kEntryBitCountAt);
    e.bitCount = e.png ? kPngBitCount : dibBits ? *dibBits : entryBits.value_or(0);
    return e;
}

std::optional<IconDirectory> IconDirectory::parse(const QByteArray& data)
{
    const auto reserved = LeBytes::u16(data, 0);
    const auto type = LeBytes::u16(data, kTypeAt);
    const auto count = LeBytes::u16(data, kCountAt);
    if (!reserved || !type || !count || *reserved != 0 || (*type != 1 && *type != 2) ||
        *count == 0 || kHeaderSize + kEntrySize * *count > data.size())
        return std::nullopt;
    IconDirectory dir;
    dir.m_cursor = *type == 2;
    for (int i = 0; i < *count; ++i) {
        const auto entry = readEntry(data, kHeaderSize + kEntrySize * i);
        if (!entry)
            return std::nullopt;
        dir.m_entries.append(*entry);
    }
    return dir;
}

int IconDirectory::choose(int iconSize, int desiredCx, int desiredCy, int colorDepth) const
{
    static const int standardSides[] = {0, 16, 32, 48};
    int cx = 0;
    int cy = 0;
    if (iconSize >= 1 && iconSize <= 3)
        cx = cy = standardSides[iconSize];
    else if (iconSize == 4)
        cx = desiredCx, cy = desiredCy;
    qint64 best = std::numeric_limits<qint64>::max();
    int bestIndex = 0;
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries.at(i);
        // Without a wanted size the largest wins; otherwise the nearest, larger before smaller.
        const qint64 sizeCost = (cx <= 0 || cy <= 0)
                                    ? 2 * kFullSide - e.width - e.height
                                    : 2 * (qAbs(e.width - cx) + qAbs(e.height - cy)) +
                                          (e.width < cx || e.height < cy ? 1 : 0);
        const int depthCost =
            qBound(0, colorDepth <= 0 ? 64 - e.bitCount : qAbs(e.bitCount - colorDepth), 999);
        const qint64 cost = sizeCost * 1000 + depthCost;
        if (cost < best)
            best = cost, bestIndex = i;
    }
    return bestIndex;
}
