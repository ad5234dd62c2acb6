#include "picture/BmpHeader.h"

#include "picture/LeBytes.h"

namespace
{
constexpr qint64 kFileHeaderSize = 14;
constexpr qint64 kInfoSizeAt = 14;
constexpr qint64 kWidthAt = 18;
constexpr qint64 kHeightAt = 22;
constexpr qint64 kBitCountAt = 28;
constexpr qint64 kCompressionAt = 30;
constexpr qint64 kColorsUsedAt = 46;
constexpr quint32 kMinInfoSize = 40;
constexpr quint32 kInfoSizeLimit = 125;
constexpr qint64 kBitfieldMasksSize = 12;
constexpr qint64 kPaletteEntrySize = 4;
constexpr int kMaxPaletteBits = 8;
} // namespace

std::optional<BmpHeader> BmpHeader::parse(const QByteArray& data)
{
    if (!data.startsWith("BM"))
        return std::nullopt;
    const auto infoSize = LeBytes::u32(data, kInfoSizeAt);
    const auto width = LeBytes::s32(data, kWidthAt);
    const auto height = LeBytes::s32(data, kHeightAt);
    const auto bitCount = LeBytes::u16(data, kBitCountAt);
    const auto compression = LeBytes::u32(data, kCompressionAt);
    const auto colorsUsed = LeBytes::u32(data, kColorsUsedAt);
    if (!infoSize || !width || !height || !bitCount || !compression || !colorsUsed)
        return std::nullopt;
    if (*infoSize < kMinInfoSize || *infoSize >= kInfoSizeLimit || *bitCount < 1 ||
        *compression > kBitfields)
        return std::nullopt;

    BmpHeader h;
    h.width = *width;
    h.height = *height;
    h.bitCount = *bitCount;
    h.compression = *compression;
    h.infoSize = *infoSize;
    qint64 offset = kFileHeaderSize + *infoSize;
    if ((h.bitCount == 16 || h.bitCount == 32) && h.compression == kBitfields &&
        *infoSize == kMinInfoSize)
        offset += kBitfieldMasksSize;
    if (*colorsUsed > 0)
        offset += kPaletteEntrySize * qint64(*colorsUsed);
    else if (h.bitCount <= kMaxPaletteBits)
        offset += kPaletteEntrySize << h.bitCount;
    h.pixelOffset = offset;
    if (!h.plausible(data.size()))
        return std::nullopt;
    return h;
}

bool BmpHeader::plausible(qint64 dataSize) const
{
    // height == INT_MIN has no positive row count
    if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide)
        return false;
    if (pixelOffset > dataSize)
        return false;
    return !uncompressed() || pixelOffset + stride() * rows() <= dataSize;
}
