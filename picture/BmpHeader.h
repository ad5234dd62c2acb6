#pragma once

#include <QByteArray>
#include <optional>

// The checked headers of a bitmap file ("BM") and where its pixel data start.
class BmpHeader
{
public:
    static constexpr int kMaxSide = 16384;

    // The headers, or none if any check fails or the data are too short for them.
    static std::optional<BmpHeader> parse(const QByteArray& data);

    qint32 width = 0;
    qint32 height = 0; // negative: rows run top-down
    quint16 bitCount = 0;
    quint32 compression = 0;
    quint32 infoSize = 0;
    qint64 pixelOffset = 0;

    int rows() const { return height < 0 ? -height : height; }
    bool topDown() const { return height < 0; }
    qint64 stride() const { return ((qint64(width) * bitCount + 31) / 32) * 4; }
    bool uncompressed() const { return compression == kRgb || compression == kBitfields; }

    static constexpr quint32 kRgb = 0;
    static constexpr quint32 kBitfields = 3;

private:
    bool plausible(qint64 dataSize) const;
};
