#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

// Decodes images through Qt's image plugins from bytes held in memory. An empty format lets
// the plugins recognise the bytes themselves. Images larger than kMaxSide on a side are refused.
class ImageDecoder
{
public:
    static constexpr int kMaxSide = 16384;
    static constexpr int kMaxFrames = 4096;

    // The image with the given index, or none.
    static std::optional<QImage> decode(const QByteArray& data, const QByteArray& format,
                                        int index = 0);
    // Number of images in the data (at least 1 if the first can be decoded, else 0).
    static int imageCount(const QByteArray& data, const QByteArray& format);
};
